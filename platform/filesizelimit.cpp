// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/filesizelimit.h"

#include <csignal>

namespace bv {

void letWritesFailAtFileSizeLimit()
{
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

} // namespace bv
