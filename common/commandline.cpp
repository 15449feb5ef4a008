// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/commandline.h"

#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/volumes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace bv {

namespace {

// The arguments the parser takes as positional, as raw bytes, in order: the same rule it applies
// (everything after "--"; otherwise what does not start with "-", and "-" alone).
QList<QByteArray> positionalBytes(const QList<QByteArray>& args)
{
    QList<QByteArray> out;
    bool afterDashes = false;
    for (const QByteArray& arg : args) {
        if (!afterDashes && arg == "--")
            afterDashes = true;
        else if (afterDashes || !arg.startsWith('-') || arg == "-")
            out.append(arg);
    }
    return out;
}

QString helpText(const CommandLineSpec& spec)
{
    QString text = QStringLiteral("Usage: %1 [options]%2\n\n%3\n\nOptions:\n"
                                  "  -h, --help     Show this help and end.\n"
                                  "  -v, --version  Show the version and end.\n")
                       .arg(spec.program, spec.takesFolder ? QStringLiteral(" [folder]") : QString(), spec.summary);
    if (spec.offersRestore)
        text += QStringLiteral("  --restore-last Open Restore Removed Files on the last run that removed files.\n");
    if (spec.takesFolder)
        text += QStringLiteral("\nArguments:\n"
                               "  folder         Start with this folder chosen in File Search and Find Duplicates.\n");
    if (!spec.helpDocument.isEmpty())
        text += QStringLiteral("\nThe help document: %1\n").arg(displayPath(spec.helpDocument));
    return text;
}

} // namespace

CommandLineRequest parseCommandLine(const CommandLineSpec& spec, const QList<QByteArray>& args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    const QCommandLineOption restoreLast(QStringLiteral("restore-last"), QString());
    if (spec.offersRestore)
        parser.addOption(restoreLast);

    // The parser wants the program name in front; the name itself plays no part.
    QStringList textArgs{spec.program};
    for (const QByteArray& arg : args)
        textArgs.append(QString::fromLocal8Bit(arg));
    const bool parsed = parser.parse(textArgs);

    CommandLineRequest request;
    if (parser.isSet(help)) {
        request.action = CommandLineRequest::Action::Help;
        request.text = helpText(spec);
        return request;
    }
    if (parser.isSet(version)) {
        request.action = CommandLineRequest::Action::Version;
        request.text = QStringLiteral("%1 %2\n").arg(spec.title, QStringLiteral(BV_VERSION));
        return request;
    }

    const QList<QByteArray> positional = positionalBytes(args);
    QString error;
    if (!parsed)
        error = parser.errorText();
    else if (!spec.takesFolder && !positional.isEmpty())
        error = QStringLiteral("%1 takes no arguments.").arg(spec.title);
    else if (positional.size() > 1)
        error = QStringLiteral("%1 takes one folder at most.").arg(spec.title);
    if (!error.isEmpty()) {
        request.action = CommandLineRequest::Action::Error;
        request.text = QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(spec.program, error);
        return request;
    }
    if (!positional.isEmpty())
        request.folder = positional.first();
    request.restoreLast = spec.offersRestore && parser.isSet(restoreLast);
    return request;
}

namespace {

// Why a folder that exists cannot be a start folder: "" when it can. It must open, and it must
// lie on a drive: the file systems that only show the system's state (/proc, /sys, ...) are no
// drives, and no panel can show them.
QString whyNotUsable(const QByteArray& real)
{
    const int fd = openFolderPath(real);
    if (fd < 0)
        return QStringLiteral("%1 cannot be opened (%2).")
            .arg(displayPath(real), QString::fromLocal8Bit(std::strerror(-fd)));
    FolderId id;
    const int err = identifyFolder(fd, id);
    closeFolder(fd);
    if (err == 0 && volumeOf(real))
        return {};
    QByteArray fsType;
    for (const MountEntry& m : currentMounts())
        if (id.hasMountId && m.mountId == id.mountId)
            fsType = m.fsType;
    if (fsType.isEmpty())
        return QStringLiteral("%1 is not on a drive.").arg(displayPath(real));
    return QStringLiteral("%1 is not on a drive (%2 is a system file system).")
        .arg(displayPath(real), QString::fromUtf8(fsType));
}

} // namespace

StartFolder resolveStartFolder(const QByteArray& given)
{
    StartFolder folder;
    if (given.isEmpty())
        return folder;
    folder.path = resolveFolder(given);
    if (folder.path.isEmpty()) {
        // longPathName() answers whether the name exists at all, without following a final link.
        const bool exists = !longPathName(given).isEmpty();
        folder.problem = exists ? QStringLiteral("%1 is not a folder. Brisvane starts with its usual folder.")
                                : QStringLiteral("%1 does not exist. Brisvane starts with its usual folder.");
        folder.problem = folder.problem.arg(displayPath(given));
        return folder;
    }
    const QString why = whyNotUsable(folder.path);
    if (!why.isEmpty()) {
        folder.path.clear();
        folder.problem = why + QStringLiteral(" Brisvane starts with its usual folder.");
    }
    return folder;
}

QByteArray helpDocumentPath()
{
    const QString name = QStringLiteral("brisvane-help.html");
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside))
        return QFile::encodeName(beside);
    const QString installed = dir + QStringLiteral("/../share/brisvane/") + name;
    if (QFileInfo::exists(installed))
        return QFile::encodeName(QFileInfo(installed).canonicalFilePath());
    return QFile::encodeName(beside);
}

namespace {

QList<QByteArray> argumentBytes(int argc, char** argv)
{
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    return args;
}

// The toolkit's own options, which it takes out of the arguments when the application object
// is made (after the display is opened): -platform offscreen, -style=Fusion, --reverse, ...
QList<QByteArray> withoutToolkitOptions(const QList<QByteArray>& args)
{
    static const QList<QByteArray> withValue = {"-platform",
                                                "-platformpluginpath",
                                                "-platformtheme",
                                                "-plugin",
                                                "-qwindowgeometry",
                                                "-qwindowicon",
                                                "-qwindowtitle",
                                                "-session",
                                                "-display",
                                                "-geometry",
                                                "-title",
                                                "-icon",
                                                "-name",
                                                "-style",
                                                "-stylesheet",
                                                "-qmljsdebugger",
                                                "-dialogs",
                                                "-fontengine",
                                                "-visual"};
    static const QList<QByteArray> alone = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync", "-testability"};
    QList<QByteArray> out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            out.append(args.mid(i));
            break;
        }
        const QByteArray option = args[i].startsWith("--") ? args[i].mid(1) : args[i];
        const qsizetype equals = option.indexOf('=');
        if (withValue.contains(equals < 0 ? option : option.left(equals))) {
            if (equals < 0)
                ++i; // its value
            continue;
        }
        if (!alone.contains(option))
            out.append(args[i]);
    }
    return out;
}

// Prints text to a stream; false (and the reason on stderr) when it could not be written all,
// as into a full disk or past the file-size limit.
bool printAll(const CommandLineSpec& spec, const QString& text, FILE* stream)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    if (std::fflush(stream) == 0 && !std::ferror(stream))
        return true;
    const int err = errno;
    std::fprintf(stderr, "%s: %s\n", spec.program.toLocal8Bit().constData(), std::strerror(err));
    return false;
}

} // namespace

std::optional<int> answerEarly(const CommandLineSpec& spec, int argc, char** argv)
{
    using Action = CommandLineRequest::Action;
    const CommandLineRequest request = parseCommandLine(spec, withoutToolkitOptions(argumentBytes(argc, argv)));
    if (request.action == Action::Run)
        return std::nullopt;
    // A mistake is answered here too: opening the display first would end in an abort where
    // there is none (a terminal without one, a script).
    if (request.action == Action::Error) {
        printAll(spec, request.text, stderr);
        return 2;
    }
    const QCoreApplication core(argc, argv); // for the executable's folder, where the help is
    CommandLineSpec withHelp = spec;
    withHelp.helpDocument = helpDocumentPath();
    const QString text = parseCommandLine(withHelp, argumentBytes(argc, argv)).text;
    return printAll(spec, text, stdout) ? 0 : 1;
}

std::optional<CommandLineRequest> parseRequest(const CommandLineSpec& spec, int argc, char** argv)
{
    const CommandLineRequest request = parseCommandLine(spec, argumentBytes(argc, argv));
    if (request.action != CommandLineRequest::Action::Error)
        return request;
    std::fputs(request.text.toLocal8Bit().constData(), stderr);
    return std::nullopt;
}

} // namespace bv
