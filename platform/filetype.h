// SPDX-License-Identifier: GPL-3.0-or-later
// A file's type name and icon names, from its name alone (GIO content types).
//
// The contents are never read: reading a file would stamp its access time and make it look
// used to the next "haven't been used" search.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace bv {

struct FileTypeInfo
{
    QString contentType;   // e.g. "text/plain"
    QString description;   // e.g. "plain text document"
    QStringList iconNames; // theme icon names, best first, the generic icon name last
};

// From the last component of the path; an unknown name gives the generic binary type.
FileTypeInfo fileTypeOf(const QByteArray& path);

} // namespace bv
