// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/exitstatus.h"

namespace bv::cli {

namespace {

const char* actionName(Disposal disposal)
{
    switch (disposal) {
    case Disposal::List:
        return "list";
    case Disposal::Trash:
        return "trash";
    case Disposal::Delete:
        return "delete";
    }
    return "list";
}

} // namespace

int runCommand(const Options& options)
{
    Printer printer(options.json, actionName(options.disposal));
    int status = ExitCannotStart;
    switch (options.command) {
    case Command::Space:
        status = runSpace(options, printer);
        break;
    case Command::Overhang:
        status = runOverhang(options, printer);
        break;
    case Command::QuickClean:
        status = runQuickClean(options, printer);
        break;
    case Command::Search:
        status = runSearch(options, printer);
        break;
    case Command::Duplicates:
        status = runDuplicates(options, printer);
        break;
    }
    // The reader of the output went away (`| head`): the run stopped between two files.
    if (printer.outputFailed())
        printer.problem(QStringLiteral("the output could not be written; the run stopped"));
    return status;
}

} // namespace bv::cli
