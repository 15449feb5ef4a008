// Quillbar's pictures, drawn in code so no binary file lives in the repository: the drag
// strip's bitmap (211 x 11 pixels, with a close mark over the exit hot spot) and the icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace bv::quill {

QPixmap stripBitmap();
QIcon quillIcon();

} // namespace bv::quill
