// SPDX-License-Identifier: GPL-3.0-or-later
// brisvane-cli: Brisvane's runs from a shell, a script or a timer, on the core and the platform
// layer only, so it runs where there is no display.
#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "cli/options.h"
#include "platform/filesizelimit.h"
#include "platform/terminal.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // A log that reaches the file-size limit fails its write and stops the run; it is not killed
    // between a file's record and its removal.
    bv::letWritesFailAtFileSizeLimit();
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    const bv::cli::Parsed parsed = bv::cli::parseArguments(args);
    switch (parsed.action) {
    case bv::cli::Parsed::Action::Help:
    case bv::cli::Parsed::Action::Version: {
        const QByteArray text = parsed.text.toUtf8();
        const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size()) &&
                             std::fflush(stdout) == 0;
        return written ? bv::cli::ExitDone : bv::cli::ExitSomeNotRemoved;
    }
    case bv::cli::Parsed::Action::Error:
        std::fprintf(stderr, "brisvane-cli: %s\nTry 'brisvane-cli --help' for more information.\n",
                     parsed.text.toUtf8().constData());
        return bv::cli::ExitUsage;
    case bv::cli::Parsed::Action::Run:
        break;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisvane"));
    bv::installStopSignals();
    return bv::cli::runCommand(parsed.options);
}
