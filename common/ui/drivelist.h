// SPDX-License-Identifier: GPL-3.0-or-later
// A drive list in the classic style, shared by the file-search panel, the duplicate panel and
// the move dialog: a combo box of the mounted volumes that hold files, each shown as its mount
// point with its label or device. The current drive at start is the volume that holds the
// current directory.
//
// Mount points are bytes: every row keeps its native mount point (Qt::UserRole, a QByteArray);
// the text is for display only.
#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QList>
#include <QString>

#include <functional>

namespace bv {

class PanelHost;

struct DriveEntry
{
    QByteArray mountPoint;
    QString label; // the volume's label, or its device when it has none
};

class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // Fills the list from the mounted volumes and selects the current drive.
    void reload();
    // Fills the list from the given volumes (tests, or a caller that already has them).
    void setDrives(const QList<DriveEntry>& drives, const QByteArray& current);

    QByteArray mountPoint() const;
    // Selects the row of a mount point without announcing a change; false if it is not listed.
    bool setMountPoint(const QByteArray& mountPoint);

    static QString displayText(const DriveEntry& drive);

Q_SIGNALS:
    // The user picked another drive (not sent for setMountPoint()).
    void driveChanged(const QByteArray& mountPoint);
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    int m_lastIndex = -1;
};

// A tools window's answer to a drive picked in its list: the pick is kept when `answers` says its
// root can be reached; otherwise the user is told "The drive specified could not be accessed."
// (critical, title "Error") and the list goes back to `current`, the drive in force before the
// pick. `current` becomes the picked drive when it is kept. `answers` must not block on a dead
// network share (a bounded query).
void keepReachableDrive(DriveList& list, QByteArray& current, PanelHost& host,
                        const std::function<bool(const QByteArray& mountPoint)>& answers);

class DirList;

// A search panel's answer to a drive picked in its list: the folder list opens the drive's root;
// when it cannot, the user is told "Device not ready." (critical, title "Error") and both lists go
// back to `lastDrive`. True when the pick was kept (`lastDrive` is then the picked drive).
bool openPickedDrive(DriveList& drives, DirList& folders, QByteArray& lastDrive);

// Shows `folder` in a drive list and its folder list (the drive that holds it, then the folder);
// false, with both lists as they were, when it cannot be shown.
bool showFolder(DriveList& drives, DirList& folders, const QByteArray& folder);

} // namespace bv
