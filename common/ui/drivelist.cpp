// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/drivelist.h"

#include "common/ui/panelhost.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/volumes.h"
#include "common/ui/dirlist.h"

#include <QFocusEvent>

namespace bv {

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index == m_lastIndex)
            return;
        m_lastIndex = index;
        Q_EMIT driveChanged(itemData(index, Qt::UserRole).toByteArray());
    });
}

QString DriveList::displayText(const DriveEntry& drive)
{
    const QString mount = displayPath(drive.mountPoint);
    return drive.label.isEmpty() ? mount : QStringLiteral("%1  [%2]").arg(mount, drive.label);
}

void DriveList::reload()
{
    QList<DriveEntry> drives;
    for (const Volume& volume : mountedVolumes())
        drives.append({volume.mountPoint, volume.label.isEmpty() ? displayPath(volume.device) : volume.label});
    const std::optional<Volume> current = currentVolume();
    setDrives(drives, current ? current->mountPoint : QByteArray("/"));
}

void DriveList::setDrives(const QList<DriveEntry>& drives, const QByteArray& current)
{
    const QSignalBlocker block(this);
    clear();
    for (const DriveEntry& drive : drives)
        addItem(displayText(drive), drive.mountPoint);
    m_lastIndex = -1;
    if (!setMountPoint(current) && count() > 0) {
        setCurrentIndex(0);
        m_lastIndex = 0;
    }
}

QByteArray DriveList::mountPoint() const
{
    return currentData(Qt::UserRole).toByteArray();
}

bool DriveList::setMountPoint(const QByteArray& mountPoint)
{
    for (int i = 0; i < count(); ++i) {
        if (itemData(i, Qt::UserRole).toByteArray() == mountPoint) {
            const QSignalBlocker block(this);
            setCurrentIndex(i);
            m_lastIndex = i;
            return true;
        }
    }
    return false;
}

void DriveList::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    Q_EMIT gotFocus();
}

void keepReachableDrive(DriveList& list, QByteArray& current, PanelHost& host,
                        const std::function<bool(const QByteArray& mountPoint)>& answers)
{
    const QByteArray chosen = list.mountPoint();
    // Taken before the event loop turns: a focus event waiting there would store the pick.
    const QByteArray previous = current;
    const bool reachable = answers(chosen);
    host.letMessagesBeProcessed();
    if (!reachable) {
        msgBox(QStringLiteral("The drive specified could not be accessed."), MsgCritical, QStringLiteral("Error"));
        current = previous;
        list.setMountPoint(previous);
        return;
    }
    current = chosen;
}

bool openPickedDrive(DriveList& drives, DirList& folders, QByteArray& lastDrive)
{
    const QByteArray drive = drives.mountPoint();
    const QByteArray previousRoot = folders.root();
    folders.setRoot(drive);
    if (!folders.setPath(drive)) {
        folders.setRoot(previousRoot);
        msgBox(QStringLiteral("Device not ready."), MsgCritical, QStringLiteral("Error"));
        drives.setMountPoint(lastDrive);
        return false;
    }
    lastDrive = drive;
    return true;
}

bool showFolder(DriveList& drives, DirList& folders, const QByteArray& folder)
{
    const std::optional<Volume> volume = folder.isEmpty() ? std::nullopt : volumeOf(folder);
    const QByteArray drive = drives.mountPoint();
    if (!volume || !drives.setMountPoint(volume->mountPoint))
        return false;
    folders.setRoot(volume->mountPoint);
    if (folders.setPath(folder))
        return true;
    drives.setMountPoint(drive);
    folders.setRoot(drive);
    return false;
}

} // namespace bv
