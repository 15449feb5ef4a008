// SPDX-License-Identifier: GPL-3.0-or-later
// The Restore Removed Files window: the runs of the history that removed files (when, which
// feature, how many files and bytes, how many can still be put back) and, for the chosen run,
// each removed file with its state now. The user puts back the chosen files or all of them; the
// restore itself is the core's (restore/restore.h), which records it in the history.
//
// The lists lie in the table's framed boxes (RunListFrame, FileListFrame), which place them.
#pragma once

#include "common/ui/layout.h"
#include "restore/restore.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace bv {

class PanelHost;

class RestoreWindow : public QDialog
{
    Q_OBJECT
public:
    RestoreWindow(const QByteArray& appFolder, QWidget* parent = nullptr);

    // Reads the history and the trash again and shows the runs, the given run chosen (the newest
    // when it is not in the history).
    void reload(const QByteArray& runId = {});
    // Puts back the chosen files of the shown run, or all of them.
    void onRestoreSelectedClicked();
    void onRestoreAllClicked();

    QTreeWidget* runList() const { return m_runList; }
    QTreeWidget* fileList() const { return m_fileList; }
    static const LayoutTable& layout();

private:
    void showRun(int row);
    void restore(const QList<FileNow>& files);
    const RunOverview* shownRun() const;

    QByteArray m_appFolder;
    RestoreView m_view;
    QList<RunOverview> m_runs; // the runs listed, in the list's order
    QList<FileNow> m_files;    // the shown run's files, in the list's order
    QTreeWidget* m_runList = nullptr;
    QTreeWidget* m_fileList = nullptr;
    QLabel* m_statusLine = nullptr;
    QPushButton* m_restoreSelected = nullptr;
    QPushButton* m_restoreAll = nullptr;
};

// Tools > Restore Removed Files, Ctrl+Z, --restore-last: opens the window modally over the
// host's window on the last run that removed files, and returns when it has closed.
void openRestoreWindow(PanelHost& host);

} // namespace bv
