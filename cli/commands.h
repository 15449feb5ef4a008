// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of brisvane-cli, each a run of the same core the windows drive, and the exit
// status it ends with (cli/exitstatus.h).
#pragma once

#include "cli/options.h"
#include "cli/output.h"

#include <optional>

namespace bv {
struct Volume;
}

namespace bv::cli {

int runSpace(const Options& options, Printer& printer);
int runQuickClean(const Options& options, Printer& printer);
int runSearch(const Options& options, Printer& printer);
int runDuplicates(const Options& options, Printer& printer);
int runOverhang(const Options& options, Printer& printer);

// The drive a command names (any folder on it), or the current folder's; nothing, with the
// problem told, when there is none.
std::optional<Volume> chosenDrive(const QByteArray& place, Printer& printer);

// Asked once on a terminal before a run that deletes, unless --yes was given; true to go on.
bool confirmDeletion(const Options& options, Printer& printer);

// The whole program after its arguments were parsed.
int runCommand(const Options& options);

} // namespace bv::cli
