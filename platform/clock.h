// SPDX-License-Identifier: GPL-3.0-or-later
// The clock that paces a walk's repaints and event-loop passes: milliseconds on a monotonic
// clock, read cheaply. A walk asks it several times per file, so it is the kernel's coarse clock
// (a few milliseconds of resolution, far finer than the intervals it measures).
#pragma once

#include <cstdint>

namespace bv {

std::int64_t monotonicMs();

} // namespace bv
