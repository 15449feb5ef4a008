// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/dirlist.h"

#include "platform/listing.h"
#include "platform/paths.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

namespace bv {

namespace {

// The ancestors of path from root down to path itself ("/a/b" under "/" gives "/", "/a", "/a/b").
QList<QByteArray> ancestorsOf(const QByteArray& path, const QByteArray& root)
{
    QByteArray base = root;
    if (!(path == root || path.startsWith(endsWithSeparator(root) ? root : root + '/')))
        base = "/";
    QList<QByteArray> out{base};
    QByteArray rest = path.mid(base.size());
    QByteArray at = base;
    for (const QByteArray& part : rest.split('/')) {
        if (part.isEmpty())
            continue;
        at = joinPath(at, part);
        out.append(at);
    }
    return out;
}

QByteArray withoutTrailingSeparator(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

} // namespace

DirList::DirList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // No window shows a caption over its folder list; this is what a screen reader calls it.
    setAccessibleName(QStringLiteral("Folders"));
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemClicked, this, &DirList::openItem);
}

QByteArray DirList::rowPath(const QListWidgetItem* item)
{
    return item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
}

bool DirList::setPath(const QByteArray& requested)
{
    const QByteArray path = withoutTrailingSeparator(requested);
    if (path.isEmpty())
        return false;
    ListOptions options;
    options.wantFiles = false;
    options.dirs = DirClass::All; // hidden folders (~/.cache) are prime clean-up targets
    options.statFiles = false;
    const FolderListing listing = listFolder(path, options);
    if (listing.error != 0)
        return false;

    const bool changedPath = path != m_path;
    m_path = path;
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    const QList<QByteArray> chain = ancestorsOf(path, withoutTrailingSeparator(m_root));
    int level = 0;
    for (const QByteArray& folder : chain) {
        const QString name = level == 0 ? displayPath(folder) : displayPath(baseName(folder));
        auto* item = new QListWidgetItem(open, QString(level * 2, QLatin1Char(' ')) + name, this);
        item->setData(Qt::UserRole, folder);
        ++level;
    }
    m_currentRow = count() - 1;
    for (const ListedFolder& sub : listing.folders) {
        auto* item = new QListWidgetItem(closed, QString(level * 2, QLatin1Char(' ')) + displayPath(sub.name), this);
        item->setData(Qt::UserRole, joinPath(path, sub.name));
    }
    setCurrentRow(m_currentRow);
    scrollToItem(item(m_currentRow));
    if (changedPath)
        Q_EMIT changed(m_path);
    return true;
}

void DirList::openItem(QListWidgetItem* item)
{
    const QByteArray target = rowPath(item);
    if (target.isEmpty())
        return;
    if (target != m_path && !setPath(target)) {
        // An unreadable folder cannot be a start folder: stay where we are.
        QApplication::beep();
        setCurrentRow(m_currentRow);
        return;
    }
    Q_EMIT entryOpened(m_path);
}

void DirList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace bv
