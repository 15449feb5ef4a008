// SPDX-License-Identifier: GPL-3.0-or-later
// The file-search panel: the user's four steps (file types, a date criterion, an optional
// minimum size, a start folder), four options, and the run they start.
//
// The panel is thin. At Begin it reads its controls once into FileSearchEntries; the core
// (search/filesearch.h) validates them and returns the criteria, and the core's run
// (search/filesearchrun.h) does the search: the walk, the per-file decision, the log, the
// removals. The panel is the run's user: it shows the run's messages and questions, prints its
// counters, lends it the main window's status line and progress strip, and hands each file in
// question to the verification window.
#pragma once

#include "common/ui/layout.h"
#include "common/ui/searchpanel.h"
#include "search/filesearch.h"

#include <QByteArray>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace bv {

class FileSearchRun;
class VerificationWindow;

class FileSearchFrame : public SearchPanel
{
    Q_OBJECT
public:
    FileSearchFrame(PanelHost& host, QWidget* parent);
    ~FileSearchFrame() override;

    // The panel's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // The main window's side.
    void opened() override {}
    void reprintCounters() override;

    // Puts the panel back to its start state (Reset, Cancel and Done run it).
    void resetPanel();

    // Panel events.
    void onBeginClicked();
    void onResetClicked();
    void onCancelClicked();
    void onDoneClicked();
    void onViewLogClicked();
    void onCriterionChanged();
    void onPatternEdited(int index);
    void onPatternChosen(int index);

    // The criteria of the running or last run.
    const FileSearchCriteria& criteria() const { return m_criteria; }
    // The verification window of this panel (created on first use).
    VerificationWindow* verificationWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    FileSearchEntries readEntries() const;
    void focusEntry(EntryControl control, bool selectAll);
    // Entries enabled for editing (true) or locked for a run (false).
    void setEntriesEnabled(bool enabled);
    // The entries locked and Done turned into the run's Cancel; back for editing.
    void lockForRun();
    void unlockAfterFailedStart();
    void showRunEnd();

    FileSearchCriteria m_criteria;
    VerificationWindow* m_verificationWindow = nullptr;
    FileSearchRun* m_activeRun = nullptr; // while Begin's run goes on

    // Controls; each keeps the panel's original control name as its objectName.
    QLabel* m_stepLabels[10] = {};
    QComboBox* m_patternBoxes[2] = {};
    QLabel* m_andLabel = nullptr;
    QComboBox* m_criterionList = nullptr;
    QLabel* m_sinceLabel = nullptr;
    QLineEdit* m_dateEdit = nullptr;
    QLineEdit* m_minimumSizeEdit = nullptr;
    QCheckBox* m_recycleCheck = nullptr;
    QCheckBox* m_verifyCheck = nullptr;
    QCheckBox* m_ignoreHiddenFilesCheck = nullptr;
    QCheckBox* m_ignoreHiddenFoldersCheck = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_resetButton = nullptr;
    QPushButton* m_beginButton = nullptr;
    QPushButton* m_viewLogButton = nullptr;
    QPushButton* m_doneButton = nullptr;
};

} // namespace bv
