// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "platform/terminal.h"

namespace bv::cli {

bool confirmDeletion(const Options& options, Printer& printer)
{
    // A script or a timer has nobody to ask: --delete is its explicit word. On a terminal a
    // person may have typed --delete where --trash was meant; ask once, No unless they say yes.
    if (options.disposal != Disposal::Delete || options.yes || !isTerminal(0) || !isTerminal(2))
        return true;
    printer.clearProgress();
    std::fputs("brisvane-cli: delete the matching files for good, past the Trash? [y/N] ", stderr);
    std::fflush(stderr);
    const std::optional<QByteArray> answer = readInputLine();
    const QByteArray word = answer ? answer->trimmed().toLower() : QByteArray();
    if (word == "y" || word == "yes")
        return true;
    if (!answer)
        std::fputs("\n", stderr);
    printer.problem(QStringLiteral("nothing was removed"));
    return false;
}

} // namespace bv::cli
