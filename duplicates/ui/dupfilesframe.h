// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate panel: files of the chosen types that share a name (without regard to letter
// case) in more than one folder of a tree, reviewed group by group.
//
// The panel gathers the entries and starts the run (duplicates/duplicaterun.h), which walks,
// groups and puts each group to the review window, DuplicateReviewWindow; the panel is the run's
// user (its messages, counters and status line) and waits, once the run is over, for Done or
// View Log. What it shares with the file-search panel (the white surface, the folder picker,
// Begin's folder checks, the pointer and status line) comes from SearchPanel.
#pragma once

#include "common/ui/layout.h"
#include "common/ui/searchpanel.h"
#include "duplicates/duplicaterun.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace bv {

class DuplicateReviewWindow;

class FindDuplicatesPanel : public SearchPanel
{
    Q_OBJECT
public:
    // The command that opens the panel (its menu item's object name).
    static constexpr const char* kCommand = "NewFilesOption";

    FindDuplicatesPanel(PanelHost& host, QWidget* parent);
    ~FindDuplicatesPanel() override;

    // The panel's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // The main window's side.
    void opened() override;
    void reprintCounters() override;
    // The log view hides this panel; its Close brings it back.
    bool staysUnderLog() const override { return false; }

    // Panel events. onDoneClicked is also the review window's Abort.
    void onBeginClicked();
    void onDoneClicked();
    void onResetClicked();
    void onCancelClicked();
    void onViewLogClicked();

    // The review window of this panel and its run (made on first use).
    DuplicateReviewWindow* reviewWindow();
    DuplicateRun& duplicateRun();

    // The run's figures and status line (the rest of RunUser is the skeleton's).
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;

protected:
    // The groups' results stay on the status line while they are being reviewed.
    bool mayWipeStatus() const override { return m_host.program().SearchState != SearchState::Reviewing; }

private:
    void buildControls();
    void setEntriesEnabled(bool enabled);
    DuplicateRunOptions entries() const;

    DuplicateReviewWindow* m_reviewWindow = nullptr;
    std::unique_ptr<DuplicateRun> m_run;
    bool m_doneCancels = true; // the Done button is the run's Cancel until a run is over

    // Controls by role; each keeps the panel's own control name as its object name
    // ("SearchPattern2", "dBeginButton", ...), which tests and automation find it by.
    QLabel* patternCaption = nullptr;
    QLabel* locationCaption = nullptr;
    QComboBox* patternBoxes[2] = {};
    QLabel* andLabel = nullptr;
    QCheckBox* recycleCheck = nullptr;
    QCheckBox* hideInstallationCheck = nullptr;
    QCheckBox* ignoreHiddenFilesCheck = nullptr;
    QCheckBox* ignoreHiddenDirsCheck = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* resetButton = nullptr;
    QPushButton* beginButton = nullptr;
    QLabel* matchedCaption = nullptr;
    QLabel* checkedCaption = nullptr;
    QLabel* removedCaption = nullptr;
    QLabel* reclaimedCaption = nullptr;
    QPushButton* viewLogButton = nullptr;
    QPushButton* doneButton = nullptr;
};

} // namespace bv
