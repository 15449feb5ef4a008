// SPDX-License-Identifier: GPL-3.0-or-later
#include "restore/ui/restorewindow.h"

#include "common/format.h"
#include "common/ui/panelhost.h"
#include "platform/messages.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>

namespace bv {

namespace {

using namespace bv::layout;

constexpr ControlSpec kControls[] = {
    {"RunsCaption", Kind::Label, {120, 105, 6000, 255}, "Runs that removed files:"},
    {"RunListFrame", Kind::Box, {120, 375, 10260, 2340}, "", kWindowFont, {kBlack, kWhite}, 0, Border},
    {"FilesCaption", Kind::Label, {120, 2835, 6000, 255}, "Files the chosen run removed:"},
    {"FileListFrame", Kind::Box, {120, 3105, 10260, 2880}, "", kWindowFont, {kBlack, kWhite}, 0, Border},
    {"StatusLine", Kind::Label, {120, 6105, 5280, 555}, "", kArial825, {}, 0, WordWrap | LeftTop | PlainText},
    {"RestoreSelectedButton", Kind::Button, {5520, 6180, 1860, 390}, "Restore &Selected", kArial825, {}, 3},
    {"RestoreAllButton", Kind::Button, {7470, 6180, 1560, 390}, "Restore &All", kArial825, {}, 4, NotDefault},
    {"CloseButton", Kind::Button, {9120, 6180, 1260, 390}, "&Close", kArial825, {}, 5, NotDefault},
};

constexpr LayoutTable kLayout{{"RestoreWindow", "Restore Removed Files", 10500, 6780, kArial825Bold, kLightGrey},
                              kControls};

enum RunColumn { RunWhen, RunFeatureColumn, RunFiles, RunBytes, RunRestorable };
enum FileColumn { FileName, FileFolder, FileSize, FileHow, FileNowColumn };

QTreeWidget* listIn(QWidget* frame, const QString& name, const QStringList& headers)
{
    auto* list = new QTreeWidget(frame);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true); // ten thousand rows lay out at once
    list->setHeaderLabels(headers);
    list->setFont(QApplication::font(frame));
    list->setFrameShape(QFrame::NoFrame);
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(1, 1, 1, 1);
    box->addWidget(list);
    return list;
}

QString whenText(std::int64_t ms)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms).toLocalTime(), QLocale::ShortFormat);
}

QString howText(const RemovedFile& file)
{
    switch (file.how) {
    case RemovedHow::Trashed:
        return QStringLiteral("Sent to the Trash");
    case RemovedHow::Interrupted:
        return QStringLiteral("Sent to the Trash (the run was stopped)");
    case RemovedHow::Deleted:
        return QStringLiteral("Deleted");
    case RemovedHow::Moved:
        return QStringLiteral("Moved to %1").arg(displayPath(folderOf(file.movedTo)));
    }
    return {};
}

QString stateText(const FileNow& file)
{
    QString text;
    switch (file.state) {
    case FileState::InTrash:
        text = QStringLiteral("In the Trash");
        break;
    case FileState::PutBack:
        text = QStringLiteral("Already put back");
        break;
    case FileState::GoneFromTrash:
        text = QStringLiteral("Gone from the Trash");
        break;
    case FileState::Deleted:
        text = QStringLiteral("Deleted permanently (cannot be restored)");
        break;
    case FileState::Moved:
        text = QStringLiteral("Moved (can be moved back)");
        break;
    case FileState::GoneFromMoved:
        text = QStringLiteral("No longer where it was moved");
        break;
    }
    if (file.changed)
        text += QStringLiteral(", changed since it was removed");
    return text;
}

QString whyNotPutBack(const RestoredFile& file, bool wasMoved)
{
    switch (file.outcome) {
    case RestoreOutcome::Taken:
        return wasMoved ? QStringLiteral("another file now has its name; it was left where it was moved.")
                        : QStringLiteral("another file now has its name; it was left in the Trash.");
    case RestoreOutcome::NotThere:
        return wasMoved ? QStringLiteral("it is no longer where it was moved.")
                        : QStringLiteral("it is no longer in the Trash.");
    case RestoreOutcome::LinkOnTheWay:
        return QStringLiteral("a folder on its path is now a link or a file.");
    case RestoreOutcome::OtherVolume:
        return QStringLiteral("its folder is now on another drive.");
    case RestoreOutcome::Refused:
        return QStringLiteral("access denied (%1).").arg(QString::fromLocal8Bit(std::strerror(file.errorCode)));
    case RestoreOutcome::PutBack:
    case RestoreOutcome::MovedBack:
    case RestoreOutcome::NotTouched:
        break;
    }
    return {};
}

// The problems a message box lists by name; the restore's log in the history holds every one.
constexpr int kMostNamedProblems = 10;

} // namespace

const LayoutTable& RestoreWindow::layout()
{
    return kLayout;
}

RestoreWindow::RestoreWindow(const QByteArray& appFolder, QWidget* parent) : QDialog(parent), m_appFolder(appFolder)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    applyForm(this, kLayout);
    const Controls controls = buildLayout(this, kLayout);
    m_runList = listIn(controls.get<QLabel>("RunListFrame"), QStringLiteral("RunList"),
                       {QStringLiteral("When"), QStringLiteral("Feature"), QStringLiteral("Files Removed"),
                        QStringLiteral("Bytes"), QStringLiteral("Can Be Put Back")});
    m_runList->setAccessibleName(QStringLiteral("Runs that removed files"));
    m_fileList = listIn(controls.get<QLabel>("FileListFrame"), QStringLiteral("FileList"),
                        {QStringLiteral("Name"), QStringLiteral("Folder"), QStringLiteral("Size"),
                         QStringLiteral("How It Was Removed"), QStringLiteral("Now")});
    m_fileList->setAccessibleName(QStringLiteral("Files the chosen run removed"));
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_statusLine = controls.get<QLabel>("StatusLine");
    m_restoreSelected = controls.get<QPushButton>("RestoreSelectedButton");
    m_restoreAll = controls.get<QPushButton>("RestoreAllButton");
    // The lists come first in the tab order, before the buttons.
    QWidget::setTabOrder(m_runList, m_fileList);
    QWidget::setTabOrder(m_fileList, m_restoreSelected);

    connect(m_runList, &QTreeWidget::currentItemChanged, this,
            [this] { showRun(m_runList->indexOfTopLevelItem(m_runList->currentItem())); });
    connect(m_restoreSelected, &QPushButton::clicked, this, [this] { onRestoreSelectedClicked(); });
    connect(m_restoreAll, &QPushButton::clicked, this, [this] { onRestoreAllClicked(); });
    connect(controls.get<QPushButton>("CloseButton"), &QPushButton::clicked, this, [this] { close(); });
}

void RestoreWindow::reload(const QByteArray& runId)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_view = RestoreView::load(m_appFolder);
    QApplication::restoreOverrideCursor();
    m_runs.clear();
    for (const RunOverview& run : m_view.runs())
        if (run.run.feature != RunFeature::Restore)
            m_runs.append(run);

    const QSignalBlocker quiet(m_runList);
    m_runList->clear();
    int chosen = 0;
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < m_runs.size(); ++i) {
        const RunOverview& run = m_runs[i];
        auto* item = new QTreeWidgetItem(
            QStringList{whenText(run.run.startMs), runFeatureName(run.run.feature), QString::number(run.filesRemoved),
                        QLocale().toString(qlonglong(run.bytesRemoved)), QString::number(run.restorable)});
        for (int c : {RunFiles, RunBytes, RunRestorable})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
        if (run.run.id == runId)
            chosen = i;
    }
    m_runList->addTopLevelItems(items);
    m_runList->header()->resizeSections(QHeaderView::ResizeToContents);
    if (m_runs.isEmpty()) {
        showRun(-1);
        m_statusLine->setText(QStringLiteral("No run has removed files yet."));
        return;
    }
    m_runList->setCurrentItem(m_runList->topLevelItem(chosen));
    showRun(chosen);
}

const RunOverview* RestoreWindow::shownRun() const
{
    const int row = m_runList->indexOfTopLevelItem(m_runList->currentItem());
    return row >= 0 && row < m_runs.size() ? &m_runs[row] : nullptr;
}

void RestoreWindow::showRun(int row)
{
    m_fileList->clear();
    m_files.clear();
    if (row < 0 || row >= m_runs.size()) {
        m_restoreSelected->setEnabled(false);
        m_restoreAll->setEnabled(false);
        return;
    }
    const RunOverview& run = m_runs[row];
    m_files = m_view.filesOf(run.run.id);
    QList<QTreeWidgetItem*> items;
    items.reserve(m_files.size());
    for (const FileNow& file : std::as_const(m_files)) {
        const std::int64_t size = file.removed.size.value_or(file.now.size);
        auto* item = new QTreeWidgetItem(
            QStringList{displayPath(baseName(file.removed.path)), displayPath(folderOf(file.removed.path)),
                        QLocale().toString(qlonglong(size)), howText(file.removed), stateText(file)});
        item->setTextAlignment(FileSize, Qt::AlignRight | Qt::AlignVCenter);
        if (!file.restorable())
            item->setForeground(FileNowColumn, QColor(Qt::darkGray));
        items.append(item);
    }
    m_fileList->addTopLevelItems(items);
    m_fileList->header()->resizeSections(QHeaderView::ResizeToContents);
    m_restoreSelected->setEnabled(run.restorable > 0);
    m_restoreAll->setEnabled(run.restorable > 0);
    m_statusLine->setText(run.restorable == 1
                              ? QStringLiteral("1 file of this run can be put back.")
                              : QStringLiteral("%1 files of this run can be put back.").arg(run.restorable));
}

void RestoreWindow::onRestoreSelectedClicked()
{
    QList<FileNow> chosen;
    const QList<QTreeWidgetItem*> selected = m_fileList->selectedItems();
    for (QTreeWidgetItem* item : selected) {
        const int row = m_fileList->indexOfTopLevelItem(item);
        if (row >= 0 && row < m_files.size())
            chosen.append(m_files[row]);
    }
    if (chosen.isEmpty()) {
        msgBox(QStringLiteral("Choose the files to put back in the list first."), MsgExclamation);
        return;
    }
    restore(chosen);
}

void RestoreWindow::onRestoreAllClicked()
{
    restore(m_files);
}

void RestoreWindow::restore(const QList<FileNow>& files)
{
    const RunOverview* run = shownRun();
    if (!run)
        return;
    const HistoryRun shown = run->run;
    int restorable = 0;
    QHash<QByteArray, bool> moved;
    for (const FileNow& file : files) {
        if (file.restorable())
            ++restorable;
        moved.insert(file.removed.path, file.state == FileState::Moved);
    }
    if (restorable == 0) {
        msgBox(QStringLiteral("None of the chosen files can be put back."), MsgExclamation);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RestoreReport report = restoreFiles(m_appFolder, shown, files);
    QApplication::restoreOverrideCursor();

    QStringList problems;
    QStringList changed;
    for (const RestoredFile& file : report.files) {
        const QString name = displayPath(file.path);
        if (file.outcome == RestoreOutcome::PutBack || file.outcome == RestoreOutcome::MovedBack) {
            if (file.changed)
                changed.append(name);
        } else {
            problems.append(name + QStringLiteral(": ") + whyNotPutBack(file, moved.value(file.path)));
        }
    }
    QString text = report.putBack == 1
                       ? QStringLiteral("1 file of %1 was put back.").arg(restorable)
                       : QStringLiteral("%1 files of %2 were put back.").arg(report.putBack).arg(restorable);
    if (!report.logError.isEmpty())
        text += QStringLiteral("\n\nThe restore could not be recorded in the history (%1), so it stopped there.")
                    .arg(report.logError);
    if (!changed.isEmpty())
        text += QStringLiteral("\n\nThese had changed since they were removed (their size or type) and were put back "
                               "as they are now:\n") +
                changed.mid(0, kMostNamedProblems).join(QLatin1Char('\n'));
    if (!problems.isEmpty()) {
        text += QStringLiteral("\n\nNot put back:\n") + problems.mid(0, kMostNamedProblems).join(QLatin1Char('\n'));
        if (problems.size() > kMostNamedProblems)
            text += QStringLiteral("\n...and %1 more. The restore's record in the history lists them all.")
                        .arg(problems.size() - kMostNamedProblems);
    }
    const bool whole = problems.isEmpty() && report.logError.isEmpty();
    msgBox(text, whole ? MsgPlain : MsgExclamation, QStringLiteral("Restore Removed Files"));
    reload(shown.id);
}

void openRestoreWindow(PanelHost& host)
{
    RestoreWindow window(host.program().AppFolder, host.dialogParent());
    window.reload();
    window.exec();
}

} // namespace bv
