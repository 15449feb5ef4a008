// SPDX-License-Identifier: GPL-3.0-or-later
// What a fuzz target does with a property that does not hold: name the line, then abort, so
// libFuzzer keeps the input as a finding (and a corpus replay fails).
#pragma once

#include <cstdio>
#include <cstdlib>

namespace bv::test {

// (std::source_location needs clang 15 with this standard library; the builtins work in both.)
inline void require(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "property broken at %s:%d\n", file, line);
    std::abort();
}

} // namespace bv::test
