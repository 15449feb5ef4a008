// SPDX-License-Identifier: GPL-3.0-or-later
// The icon bar's pictures, drawn by the program itself: one 448 x 35 picture of five buttons
// in three looks, plus the window icon. The click targets laid over the bar are ClickLabels
// (platform/ui/clicklabel.h).
// The window icon is the package's icon (packaging/icons/brisvane.svg, rendered at build time).
#pragma once

#include "app/commands.h"

#include <QIcon>
#include <QPixmap>

namespace bv {

QPixmap drawIconBar(CommandLook look);
QIcon appIcon();

} // namespace bv
