// SPDX-License-Identifier: GPL-3.0-or-later
// A small, fast, seeded random number generator (splitmix64) for the benchmarks' generated trees
// and names: the same seed always gives the same tree. Plain C++, so the tree generator needs no Qt.
#pragma once

#include <cstdint>

namespace bv::bench {

struct Rng
{
    std::uint64_t s;
    std::uint64_t next()
    {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }
};

} // namespace bv::bench
