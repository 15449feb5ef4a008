// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/core/charnames.h"

#include "charbar/core/cp1252.h"

#include <unicode/uchar.h>

namespace bv::quill {

QString unicodeName(char32_t codePoint)
{
    // The longest name in the database is under 90 characters.
    char name[128];
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = u_charName(UChar32(codePoint), U_UNICODE_CHAR_NAME, name, int32_t(sizeof name), &error);
    if (U_FAILURE(error) || length <= 0)
        return {};
    return QString::fromLatin1(name, length);
}

QString nameForCode(int code)
{
    const QString character = characterForCode(code);
    return character.isEmpty() ? QString() : unicodeName(character.at(0).unicode());
}

} // namespace bv::quill
