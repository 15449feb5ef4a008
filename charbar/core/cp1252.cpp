// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/core/cp1252.h"

namespace bv::quill {

namespace {

// 0x80-0x9F are where Windows-1252 differs from Latin-1; 0 marks the undefined codes.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 98-9F
};

char16_t unicodeFor(int code)
{
    if (code < 32 || code == 127 || code > 255)
        return 0;
    if (code >= 0x80 && code <= 0x9F)
        return kHighControls[code - 0x80];
    return char16_t(code);
}

} // namespace

QString characterForCode(int code)
{
    const char16_t ch = unicodeFor(code);
    return ch ? QString(QChar(ch)) : QString();
}

bool isAssignableCode(int code)
{
    return unicodeFor(code) != 0;
}

int codeForCharacter(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return unicodeFor(u) ? u : -1;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == u)
            return 0x80 + i;
    }
    return -1;
}

} // namespace bv::quill
