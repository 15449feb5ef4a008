// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the name matching every walk filters through: a pattern and names (the input
// split at NUL bytes, which no file name holds). Besides crashes and time, it checks what the
// listing and the pattern boxes rely on:
// - a set of one pattern agrees with the pattern alone;
// - a pattern without wildcards matches exactly the names equal to it ignoring case (the ASCII
//   fast path and the Unicode path must agree);
// - name order is a total order: antisymmetric, 0 only for identical bytes, transitive.
#include "platform/wildcard.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>

using bv::test::require;

namespace {

int sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    const QByteArray& pattern = parts[0];
    const bv::WildcardSet set(QList<QByteArray>{pattern});
    const bool plain = !pattern.contains('*') && !pattern.contains('?');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray& name = parts[i];
        const bool hit = bv::wildcardMatch(pattern, name);
        require(set.matches(name) == hit);
        if (plain && !pattern.isEmpty())
            require(hit == (bv::compareNamesIgnoringCase(pattern, name) == 0));
        if (!name.isEmpty())
            require(bv::wildcardMatch(name, name) && bv::wildcardMatch("*.*", name));
        for (qsizetype j = 0; j < parts.size(); ++j) {
            const QByteArray& other = parts[j];
            const int ab = bv::compareNames(name, other);
            require(sign(ab) == -sign(bv::compareNames(other, name)));
            require((ab == 0) == (name == other));
            for (qsizetype k = 0; k < parts.size() && k < 4; ++k) {
                if (ab <= 0 && bv::compareNames(other, parts[k]) <= 0)
                    require(bv::compareNames(name, parts[k]) <= 0);
            }
        }
        if (i >= 4)
            break; // a few names are enough for the order checks; the rest only match
    }
    return 0;
}
