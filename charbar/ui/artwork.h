// SPDX-License-Identifier: GPL-3.0-or-later
// Quillbar's pictures: the drag strip's bitmap (211 x 11 pixels, with a close mark over the exit
// hot spot), drawn in code, and the icon (packaging/icons/quillbar.svg, rendered at build time).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace bv::quill {

QPixmap stripBitmap();
QIcon quillIcon();

} // namespace bv::quill
