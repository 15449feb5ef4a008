// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

#include <time.h>

namespace bv {

std::int64_t monotonicMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace bv
