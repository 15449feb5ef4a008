// SPDX-License-Identifier: GPL-3.0-or-later
// The verification window: one matched file at a time, the user decides its fate (delete or
// trash it, move it, open it to look at it, leave it, or abort the search).
//
// The file search's run fills a VerifyItem and calls verify() with its actions for that file;
// the window shows it modally and returns once the user has decided. The window only shows and
// asks: each decision is carried out by the run's FileActions (which write the file's record to
// the log, act on the file and move the counters), and the window tells the user what became of
// the file.
//
// The window comes back for the next file at once and where it was: for a moment after it appears
// it ignores clicks and keys, and a key held since before never acts (platform/ui/inputguard.h).
// The name is shown as displayPath writes it, so it can never read as another name.
//
// Looking at a file (Explore) makes it look used: the window tells the run, which puts its access
// time back when the file stays (Ignore, Move, Abort, close box).
#pragma once

#include "common/runuser.h"
#include "common/ui/layout.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QPoint>
#include <QString>

#include <time.h>

class QLabel;
class QPushButton;
class QTimer;

namespace bv {

class MoveForm;
class PanelHost;

class VerificationWindow : public QDialog, public FileVerifier
{
    Q_OBJECT
public:
    VerificationWindow(PanelHost& host, QWidget* parent);
    ~VerificationWindow() override;

    // The window's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // Shows the window modally for one file; returns when the user has decided.
    FileDecision verify(const VerifyItem& item, FileActions& actions) override;

    // Fills the window for a file without showing it (verify() starts with it; tests use it
    // to drive the handlers directly).
    void load(const VerifyItem& item, FileActions& actions);

    // What the user decided about the last file shown, and what became of it.
    const FileDecision& decision() const { return m_decision; }
    const QByteArray& filePath() const { return m_item.path; }
    bool opened() const { return m_opened; }
    // The four lines of the file's log block, as written: path (native bytes), then captions.
    QList<QByteArray> logBlock() const;

    // Event handlers.
    void onIgnoreClicked();
    void onDeleteClicked();
    void onExploreClicked();
    void onMoveClicked();
    void onAbortClicked();
    void onFileNameClicked();
    void onMagnifierTick();
    void onClosed();

protected:
    void reject() override; // close box and Escape: unload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void finish(const FileDecision& decision);
    void resetControls();

    PanelHost& m_host;
    VerifyItem m_item;
    FileActions* m_actions = nullptr; // the run's, for the file on display
    FileDecision m_decision;
    bool m_opened = false;
    int m_magnifierPhase = 0;
    QPoint m_magnifierPos; // twips: the animation steps in twips, which pixels would round away

    QLabel* m_foundCaption = nullptr;
    QLabel* m_fileNameLink = nullptr;
    QLabel* m_lastUsedLabel = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_attributeLabel = nullptr;
    QLabel* m_fileTypeLabel = nullptr;
    QLabel* m_fileIcon = nullptr;
    QLabel* m_magnifier = nullptr;
    QLabel* m_noApplicationLabel = nullptr;
    QLabel* m_referenceDateLabel = nullptr;
    QPushButton* m_abortButton = nullptr;
    QPushButton* m_moveButton = nullptr;
    QPushButton* m_exploreButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_ignoreButton = nullptr;
    QTimer* m_magnifierTimer = nullptr;
};

} // namespace bv
