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
    switch (options.command) {
    case Command::Space:
        return runSpace(options, printer);
    case Command::Overhang:
        return runOverhang(options, printer);
    case Command::QuickClean:
        return runQuickClean(options, printer);
    case Command::Search:
        return runSearch(options, printer);
    case Command::Duplicates:
        break;
    }
    return ExitCannotStart;
}

} // namespace bv::cli
