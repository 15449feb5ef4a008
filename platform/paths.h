// Path helpers. A path is a QByteArray of native bytes: it is what finds the file. Text for a
// window or a log is derived from it (displayPath) and never used to find the file again.
// The separator is "/"; a folder path has no trailing separator except a root.
#pragma once

#include <QByteArray>
#include <QString>

namespace bv {

// Folder joined with a name, with exactly one separator between them.
QByteArray joinPath(const QByteArray& folder, const QByteArray& name);

// True when the path already ends with a separator ("/" or a mount point given with one).
bool endsWithSeparator(const QByteArray& path);

// The path as UTF-8 text for display; bytes that are not UTF-8 become U+FFFD.
QString displayPath(const QByteArray& path);

// The path as native bytes from text a user picked or typed.
QByteArray nativePath(const QString& text);

// The long form: the path when it exists (without following a final symbolic link), "" otherwise.
QByteArray longPathName(const QByteArray& path);

// The real path of a folder the user chose (a symbolic link chosen as the start is followed);
// "" when it does not exist or is not a folder.
QByteArray resolveFolder(const QByteArray& path);

// The last component of a path, and the folder in front of it.
QByteArray baseName(const QByteArray& path);
QByteArray folderOf(const QByteArray& path);

} // namespace bv
