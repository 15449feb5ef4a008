// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate review window: one group of same-named files, one row per file, and what the
// user does with each (delete or trash it, move it, open it), then Continue to the next group
// or Abort the search.
//
// The run (duplicates/duplicaterun.h) hands the window a group through review() or
// reviewGroup(), and the window shows it modally until the group is done: Continue, Abort, the
// close box, or the last row gone. The user's Delete and Move are carried out by the run through
// the group's actions (the recorded removal, with the values read for the row when the group was
// opened: a file that changed or vanished since is left alone and the log says so); the window
// only shows what became of the file. It never writes to the log and never removes a file.

// A large group opens with the rows in sight read and the rest still being read: those come in
// below while the user looks (the run logs each as it hands it over), and show "Reading..." until
// then. Nothing is done to a row before it is shown with its values, and
// every way of acting or going on (Delete, Move, Continue, Abort, the close box) first waits for
// the rest, so the log holds the whole group, in order, before anything else.
//
// Once the rows are in, the window finds out which files hold the same bytes as another row
// (duplicates/samecontent.h), and says so in each row's tooltip beside the row's whole figures.
// It reads the files between events, so the window stays usable, and stops when the group is
// left.
//
// A row that is a symbolic link says "Link" where a file shows its size, and removing or moving
// the file such a link leads to is asked about first (default No): the link would lead nowhere.
// Escape does nothing here, as other keys but Up and Down do nothing: leaving a group is always
// a choice (Continue, Abort, the close box).
#pragma once

#include "duplicates/duplicaterun.h"
#include "duplicates/rowvalues.h"
#include "duplicates/samecontent.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class QLabel;
class QPushButton;
class QScrollBar;

namespace bv {

class DupRowsView;
class PanelHost;

class DuplicateReviewWindow : public QDialog, public DuplicateReviewer
{
    Q_OBJECT
public:
    DuplicateReviewWindow(PanelHost& host, QWidget* parent);
    ~DuplicateReviewWindow() override;

    // The duplicate panel's "Send all files to the Recycle Bin": what Delete's outcome is told as.
    void setRecycle(bool recycle) { m_recycle = recycle; }

    // DuplicateReviewer: shows the group modally; returns when it is done.
    void review(std::span<const ReviewRow> rows, GroupActions& actions) override;
    void reviewGroup(std::span<const ReviewRow> first, DuplicateGroupActions& actions) override;
    int rowsInSight() const override;

    // Puts a group in the window without showing it: `first` as its rows, and the rest, if
    // `reading` is given, taken from it as they are read (from the first paint of the window on).
    void startGroup(std::span<const ReviewRow> first, GroupActions& actions, DuplicateGroupActions* reading);
    bool isReading() const { return m_reading != nullptr; }
    // Drops every row and hides the window (ending its modal display), the group's every row
    // taken first.
    void endGroup();
    // Shows the window modally for the group started; returns when the group is done.
    void showGroup();
    // Loads now what the first group shown would otherwise wait for: the window's style and
    // fonts, the file-type database and the icon theme (some 10 ms once, several times that on a
    // busy machine). For the start of a run, while the walk is what the user waits for.
    void prepare();

    // Selecting a row (a click on it, or Up and Down): the path label shows its file and the
    // actions become usable.
    void selectRow(int row);
    void highlight(int row);

    // Event handlers.
    void onExploreClicked();
    void onDeleteClicked();
    void onMoveClicked();
    void onContinueClicked();
    void onAbortClicked();
    void onPathLabelClicked();

    int rowCount() const { return int(m_rows.size()); }
    const ReviewRow& row(int r) const { return m_rows[size_t(r)].file; }
    int selectedRow() const { return m_selected; }
    int rowsAdded() const { return m_rowsAdded; }
    QString pathLabelText() const;
    // The row's tooltip: its whole figures (a condensed cell may be hard to read), where a link
    // leads, and what the content check found (contentText).
    QString rowToolTip(int r) const;
    QString contentText(int r) const;
    // True once the content check of the group shown has finished.
    bool contentChecked() const { return m_contentDone; }
    DupRowsView* rowsView() const { return m_view; }
    QScrollBar* scrollBar() const { return m_scrollBar; }

protected:
    void reject() override; // the close box: endGroup (Escape never gets here)
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Row
    {
        ReviewRow file;
        int ordinal = 0; // place in the group when it was added: the content check's index
        // Made when the row is first painted: a group of thousands opens without them.
        mutable QString nameText;
        mutable QString folderText;
        mutable bool textsMade = false;
        mutable QIcon icon;
        mutable bool iconLoaded = false;
    };

    void buildControls();
    void removeSelectedRow();
    void appendRows(std::span<const ReviewRow> files);
    bool takeReadRows(bool all = false);
    void showAnew(Row& row);
    void startReading(std::uint64_t generation);
    void completeReading();
    void startContentCheck();
    bool linkedFileConfirmed(int r, bool moving);
    QString spokenText(int r) const;
    void rowCells(int r, QString* cells) const;
    void clearSelection();
    void setPathLabel(const QByteArray& path);
    void checkContents(std::uint64_t generation);
    bool keyPreview(int key);
    QIcon iconOf(const Row& row) const;

    PanelHost& m_host;
    GroupActions* m_actions = nullptr; // the group on display
    bool m_recycle = true;
    std::vector<Row> m_rows;
    int m_selected = -1;
    int m_rowsAdded = 0;
    QString m_selectedPath; // the path label's text before the last selection
    QByteArray m_labelPath; // the file the path label shows (native bytes)

    // Content check of the group on display, by ordinal; `m_generation` changes with every
    // endGroup, so a check still running for a group that is gone drops its results.
    std::uint64_t m_generation = 0;
    bool m_contentStarted = false;
    bool m_contentDone = false;
    std::vector<ContentMatch> m_matches;
    std::vector<int> m_contentClass; // rows with the same bytes share a class

    // The rows still coming in, and whether their reading has started.
    DuplicateGroupActions* m_reading = nullptr;
    bool m_readingStarted = false;
    std::atomic<bool> m_wakePosted{false};

    DupRowsView* m_view = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QLabel* m_pathLabel = nullptr;
    QPushButton* m_abortButton = nullptr;
    QPushButton* m_moveButton = nullptr;
    QPushButton* m_exploreButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_continueButton = nullptr;
    bool m_placed = false;
    bool m_prepared = false;
};

} // namespace bv
