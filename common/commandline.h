// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of both programs: --help and --version, and for Brisvane one optional start
// folder (a desktop file or a file manager passes one) and --restore-last (the restore window on
// the last run that removed files). Parsing is a pure function of the
// arguments, so it runs before the display is opened: `brisvane --version` works without one.
//
// The folder stays native bytes from argv to the walk: a name that is not UTF-8 still finds its
// folder. Text for the user is derived from it for display only.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace bv {

struct CommandLineSpec
{
    QString program; // the command's name: "brisvane"
    QString title;   // the product name: "Brisvane"
    QString summary; // one sentence on what the program does
    bool takesFolder = false;
    QByteArray helpDocument;    // where the help document is, for the help text; empty if not found
    bool offersRestore = false; // --restore-last: open the restore window on the last run
};

struct CommandLineRequest
{
    enum class Action : std::uint8_t { Run, Help, Version, Error };
    Action action = Action::Run;
    QString text;      // the help, version or error text, ready to print (ends with a newline)
    QByteArray folder; // the folder argument as given; empty when none
    bool restoreLast = false;
};

// args are the arguments after the program name. --help and --version win over everything else,
// also over options the parser does not know (the toolkit's own, before it has taken them out).
CommandLineRequest parseCommandLine(const CommandLineSpec& spec, const QList<QByteArray>& args);

// What both programs do with their arguments. answerEarly() comes before the display is opened:
// it prints the help or the version and returns 0 for those (1 when the text could not be
// written), prints a mistake with the usage hint to stderr and returns 2, and returns nullopt for
// a run; the toolkit's own options (-platform, -style, ...) count as no mistake. parseRequest()
// comes once the toolkit has taken its options out of argv: it prints an error and returns
// nullopt for arguments it cannot take.
std::optional<int> answerEarly(const CommandLineSpec& spec, int argc, char** argv);
std::optional<CommandLineRequest> parseRequest(const CommandLineSpec& spec, int argc, char** argv);

// A start folder given on the command line, resolved once to its real path (a symbolic link the
// user named is followed). problem is the text to show when it cannot be used (missing, not a
// folder, cannot be opened, or not on a drive, as /proc); path is then empty.
struct StartFolder
{
    QByteArray path;
    QString problem;
};
StartFolder resolveStartFolder(const QByteArray& given);

// The help document of both programs: beside the executable in a build tree, or in the installed
// share folder (bin/../share/brisvane). The path beside the executable when neither exists.
QByteArray helpDocumentPath();

} // namespace bv
