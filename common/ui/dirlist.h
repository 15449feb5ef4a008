// SPDX-License-Identifier: GPL-3.0-or-later
// A folder list in the classic drive-and-folder style, shared by the file-search panel, the
// duplicate panel and the move dialog: the chosen folder's ancestors from its volume's root
// down to the folder itself (shown open), then its sub-folders. One click opens the clicked
// entry, so the user walks the tree with single clicks.
//
// Folder names are bytes. Every row keeps its folder's native path (Qt::UserRole, a
// QByteArray); the shown text is derived for display only and never used to find a folder.
// Sub-folders come from the platform listing: sorted case-insensitively, no symbolic links,
// nothing on another mount and no trash folder, as the walk itself sees the tree.
#pragma once

#include <QByteArray>
#include <QListWidget>

namespace bv {

class DirList : public QListWidget
{
    Q_OBJECT
public:
    explicit DirList(QWidget* parent = nullptr);

    // The folder the list is opened at (native bytes); never has a trailing separator except
    // a root.
    QByteArray path() const { return m_path; }
    // Opens a folder. False (and nothing changes) when it cannot be opened or listed.
    bool setPath(const QByteArray& path);
    // The volume root the ancestors start from ("/" unless set); a path outside it shows
    // its ancestors from "/".
    void setRoot(const QByteArray& root) { m_root = root; }
    QByteArray root() const { return m_root; }

    // Native path of a row (for tests and callers that inspect the list).
    static QByteArray rowPath(const QListWidgetItem* item);
    // Index of the row that shows path() itself.
    int currentFolderRow() const { return m_currentRow; }

Q_SIGNALS:
    // The open folder changed (by a click or by setPath).
    void changed(const QByteArray& path);
    // The user opened an entry with a click or the keyboard (after the path has changed).
    void entryOpened(const QByteArray& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openItem(QListWidgetItem* item);
    QByteArray m_path;
    QByteArray m_root = "/";
    int m_currentRow = -1;
};

} // namespace bv
