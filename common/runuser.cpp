// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/runuser.h"

namespace bv {

QList<QByteArray> VerifyItem::logBlock() const
{
    // The path as native bytes (the log escapes what is not text), then the captions as the
    // search set them: an attribute's "&&" stays doubled.
    return {path, lastUsedText.toUtf8(), bytesText.toUtf8(), attributeText.toUtf8()};
}

} // namespace bv
