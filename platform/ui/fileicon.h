// SPDX-License-Identifier: GPL-3.0-or-later
// A file's icon as the desktop shows it, from its content type (platform/filetype.h): the icon
// theme's icon for the type, then its generic icon, then a plain document.
#pragma once

#include "platform/filetype.h"

#include <QIcon>

class QStyle;

namespace bv {

// Where no icon theme is set (a bare session, offscreen) the theme the program depends on
// (Adwaita under /usr/share/icons) is used.
QIcon fileTypeIcon(const FileTypeInfo& type, const QStyle* style);

} // namespace bv
