// SPDX-License-Identifier: GPL-3.0-or-later
// What the window-level benchmarks share: GNU find as the reference, and the start-up of an
// offscreen application over a tree named on the command line.
#pragma once

#include "platform/messages.h"
#include "bench/common/rng.h"
#include "platform/paths.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bv::bench {

// A message service for a benchmark: a box would mean something went wrong, so each one is
// printed and counted, and a question is answered No.
struct CountingMessages : MessageService
{
    int show(const QString& text, int, const QString&) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        ++shown;
        return AnswerNo;
    }
    int shown = 0;
};

// Seconds for `find TREE -xdev -printf '%s %A@\n'`: one lstat per file, as a search needs.
inline double timeFind(const std::string& tree)
{
    QElapsedTimer t;
    t.start();
    const std::string cmd = "find '" + tree + "' -xdev -printf '%s %A@\\n' > /dev/null";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "find failed\n");
    return t.nsecsElapsed() / 1e9;
}

struct Args
{
    QByteArray tree; // resolved; empty when the arguments were wrong (a message was printed)
    int runs = 5;
};

// "PROGRAM TREE [RUNS]"
inline Args parseArgs(int argc, char** argv)
{
    Args args;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TREE [RUNS]\n", argv[0]);
        return args;
    }
    args.tree = resolveFolder(argv[1]);
    args.runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (args.tree.isEmpty())
        std::fprintf(stderr, "no such folder: %s\n", argv[1]);
    return args;
}

} // namespace bv::bench
