// The verification window: one matched file at a time, the user decides its fate (delete or
// trash it, move it, open it to look at it, leave it, or abort the search).
//
// The file search fills a VerifyItem and calls verify(), which shows the window modally and
// returns once the user has decided. The window does the rest itself: it writes the file's
// block to the search log (the path, then the three captions as shown) followed by its
// "ACTION: ..." line, updates BytesReclaimed and FilesRemoved for a file actually removed, and
// has the panel reprint its counters. FilesChecked stays the search's.
//
// The window comes back for the next file at once and where it was: for a moment after it appears
// it ignores clicks and keys, and a key held since before never acts (platform/ui/inputguard.h).
// The name is shown as displayPath writes it, so it can never read as another name.
//
// Looking at a file (Explore) makes it look used; when such a file stays (Ignore, Move, Abort,
// close box) its access time is put back exactly as it was when it was shown.
//
// Removals and moves go through the recorded removal (search/recordedremoval.h): the file is
// checked again right before acting, a file that changed or vanished since it was listed is left
// alone and the log says so, and a log line that cannot be written stops the search
// (StopRequested) so that nothing more is removed.
#pragma once

#include "platform/fsinfo.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QPoint>
#include <QString>

#include <functional>

#include <time.h>

class QLabel;
class QPushButton;
class QTimer;

namespace bv {

class MoveForm;
class Panel;
class PanelHost;

struct VerifyItem
{
    QByteArray path;           // native bytes: what finds the file
    FileInfo info;             // the listing's lstat (re-checked before a removal or move)
    QString lastUsedText;      // LastUsedLabel caption: "...It Was Last Used On 12/1/26"
    QString bytesText;         // BytesLabel caption: "...File Size Is  2000 Bytes"
    QString attributeText;     // FileAttribute caption: "...It's An Archive && Read-Only File"
                               // ("&&" shows as one "&" and is logged doubled)
    QString referenceDate;     // LastAccessDate (hidden): the reference date as text
    timespec referenceAtime{}; // the access time to put back after Explore
    bool recycle = true;       // the search's "Send all files to the Recycle Bin"
};

class VerificationWindow : public QDialog
{
    Q_OBJECT
public:
    // What became of the last file shown.
    enum class Decision {
        None,     // not decided yet
        Ignored,  // Ignore: left in place, logged
        Removed,  // deleted or trashed, logged and counted
        Denied,   // removal refused, logged, not counted
        Changed,  // changed since it was listed: not touched, logged
        Vanished, // already gone when the user decided: logged
        Moved,    // moved through the move dialog, logged
        Aborted,  // Abort: the search was asked to stop; no log block
        Closed,   // close box: left in place, logged as ignored
        LogFailed // a log line could not be written: the search was told to stop and the user told
                  // (the file stays unless only its ACTION line was lost; the counters say)
    };

    // `panel` is the search the window works for: it reprints its counters after each decision.
    VerificationWindow(PanelHost& host, Panel& panel, QWidget* parent);
    ~VerificationWindow() override;

    // Shows the window modally for one file; returns when the user has decided.
    Decision verify(const VerifyItem& item);

    // Fills the window for a file without showing it (verify() starts with it; tests use it
    // to drive the handlers directly).
    void load(const VerifyItem& item);

    Decision decision() const { return m_decision; }
    const QByteArray& filePath() const { return m_item.path; }
    bool opened() const { return m_opened; }
    // The four lines of the file's log block, as written: path (native bytes), then captions.
    QList<QByteArray> logBlock() const;

    // Event handlers.
    void IgnoreButton_Click();
    void DeleteButton_Click();
    void ExploreButton_Click();
    void MoveButton_Click();
    void AbortButton_Click();
    void FileName_Click();
    void Timer1_Timer();
    void Form_Unload();

    // Restores the file's access time to the one it had when shown (modification time
    // untouched); clears Opened.
    void ReverseTime();

    // The search's own Cancel, which Abort runs: it asks, logs "ACTION: Abort Search" and
    // stops the search on Yes.
    std::function<void()> abortSearch;

protected:
    void reject() override; // close box and Escape: unload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void finish(Decision decision);
    // Writes lines in order with no event-loop turn between them; false (and the search told
    // to stop) when one could not be written.
    bool writeLog(const QList<QByteArray>& lines);
    void resetControls();

    PanelHost& m_host;
    Panel& m_panel;
    VerifyItem m_item;
    Decision m_decision = Decision::None;
    bool m_opened = false;
    int m_glassPhase = 0;
    QPoint m_glassPos; // twips: the animation steps in twips, which pixels would round away

    QLabel* m_label1 = nullptr;
    QLabel* m_fileName = nullptr;
    QLabel* m_lastUsedLabel = nullptr;
    QLabel* m_bytesLabel = nullptr;
    QLabel* m_fileAttribute = nullptr;
    QLabel* m_fileType = nullptr;
    QLabel* m_iconMan = nullptr;
    QLabel* m_glass = nullptr;
    QLabel* m_associationLabel = nullptr;
    QLabel* m_lastAccessDate = nullptr;
    QPushButton* m_abortButton = nullptr;
    QPushButton* m_moveButton = nullptr;
    QPushButton* m_exploreButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_ignoreButton = nullptr;
    QTimer* m_timer1 = nullptr;
};

} // namespace bv
