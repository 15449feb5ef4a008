// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for Quillbar's settings file: any bytes give settings the bar can use (positions
// within the pixel arithmetic's range, only assignable character codes), and the file written
// for those settings reads back to the very same settings, so one start and exit never changes
// what the next start sees.
#include "charbar/core/cp1252.h"
#include "charbar/core/settings.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>

using bv::test::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace bv::quill;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QuillSettings defaults;
    defaults.buttonFont = QStringLiteral("Arial");
    const QuillSettings s = parseSettings(bytes, defaults);
    require(std::abs(s.top) <= 10'000'000 && std::abs(s.left) <= 10'000'000);
    for (const int code : s.codes)
        require(code == 0 || isAssignableCode(code));
    require(!s.buttonFont.isEmpty());

    const QByteArray written = formatSettings(s);
    require(written.count("\r\n") == 19 && written.endsWith("\r\n"));
    require(parseSettings(written, defaults) == s);
    return 0;
}
