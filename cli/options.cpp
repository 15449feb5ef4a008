// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "search/filesearch.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <limits>

namespace bv::cli {

namespace {

struct CommandName
{
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"search", Command::Search}, {"duplicates", Command::Duplicates}, {"quick-clean", Command::QuickClean},
    {"space", Command::Space},   {"overhang", Command::Overhang},
};

QString text(const QByteArray& bytes)
{
    return QString::fromLocal8Bit(bytes);
}

Parsed mistake(const QString& what)
{
    Parsed p;
    p.action = Parsed::Action::Error;
    p.text = what;
    return p;
}

// Which options each command takes, so that a run never silently ignores one it was given.
bool takes(Command command, const QByteArray& option)
{
    static const QList<QByteArray> common = {"--json", "--log"};
    if (common.contains(option))
        return true;
    switch (command) {
    case Command::Search:
        return QList<QByteArray>{"-t",         "--type",           "--used-since", "--unused-since", "--changed-on",
                                 "--min-size", "--include-hidden", "--trash",      "--delete",       "--yes",
                                 "-y"}
            .contains(option);
    case Command::Duplicates:
        return option == "-t" || option == "--type" || option == "--include-hidden";
    case Command::QuickClean:
        return QList<QByteArray>{"--types", "--temp-folder", "--browser-cache", "--trash", "--delete", "--yes", "-y"}
            .contains(option);
    case Command::Space:
    case Command::Overhang:
        return option == "--json";
    }
    return false;
}

bool needsValue(const QByteArray& option)
{
    static const QList<QByteArray> withValue = {"-t",           "--type",     "--used-since", "--unused-since",
                                                "--changed-on", "--min-size", "--types",      "--log"};
    return withValue.contains(option);
}

bool known(const QByteArray& option)
{
    for (const CommandName& c : kCommands)
        if (takes(c.command, option))
            return true;
    return false;
}

const char* commandName(Command command)
{
    for (const CommandName& c : kCommands)
        if (c.command == command)
            return c.name;
    return "";
}

} // namespace

std::optional<std::int64_t> parseSize(const QString& given)
{
    QString t = given.trimmed();
    std::int64_t unit = 1;
    if (t.endsWith(QLatin1String("iB"), Qt::CaseInsensitive))
        t.chop(2);
    else if (t.size() > 1 && t.back().toUpper() == QLatin1Char('B') && !t.at(t.size() - 2).isDigit())
        t.chop(1);
    if (!t.isEmpty()) {
        const QChar suffix = t.back().toUpper();
        const int power = suffix == QLatin1Char('K')   ? 1
                          : suffix == QLatin1Char('M') ? 2
                          : suffix == QLatin1Char('G') ? 3
                                                       : 0;
        if (power > 0) {
            t.chop(1);
            for (int i = 0; i < power; ++i)
                unit *= 1024;
        }
    }
    t = t.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale::c().toDouble(QString(t).remove(QLatin1Char(',')), &ok);
    if (!ok)
        value = QLocale().toDouble(t, &ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    const double bytes = std::round(value * double(unit));
    // The largest double below 2^63: anything at or above it does not fit a file size.
    if (bytes >= 9.2e18)
        return std::nullopt;
    return std::int64_t(bytes);
}

Parsed parseArguments(const QList<QByteArray>& args)
{
    // --help and --version win wherever they stand, as with the other programs.
    for (const QByteArray& a : args) {
        if (a == "--")
            break;
        if (a == "-h" || a == "--help")
            return Parsed{Parsed::Action::Help, helpText(), {}};
        if (a == "-v" || a == "--version")
            return Parsed{Parsed::Action::Version, versionText(), {}};
    }
    if (args.isEmpty())
        return mistake(QStringLiteral("a command is needed: search, duplicates, quick-clean, space or overhang"));

    Parsed p;
    Options& o = p.options;
    bool found = false;
    for (const CommandName& c : kCommands) {
        if (args.first() == c.name) {
            o.command = c.command;
            found = true;
        }
    }
    if (!found)
        return mistake(QStringLiteral("unknown command '%1'").arg(text(args.first())));
    const QString command = QString::fromLatin1(commandName(o.command));

    QList<QByteArray> places;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QByteArray& a = args.at(i);
        if (optionsEnd || !a.startsWith('-') || a == "-") {
            places.append(a);
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
            continue;
        }
        QByteArray option = a;
        std::optional<QByteArray> value;
        if (a.startsWith("--") && a.contains('=')) {
            option = a.left(a.indexOf('='));
            value = a.mid(a.indexOf('=') + 1);
        } else if (a.startsWith("-t") && a.size() > 2 && !a.startsWith("--")) {
            option = "-t";
            value = a.mid(2);
        }
        // The search matches files modified or created on a given day, not since one: a name
        // that promised more would select other files than the user meant.
        if (option == "--changed-since")
            return mistake(QStringLiteral("--changed-since is not a test of the search: --changed-on DATE takes "
                                          "the files modified or created on that day"));
        if (!known(option))
            return mistake(QStringLiteral("unknown option '%1'").arg(text(option)));
        if (!takes(o.command, option))
            return mistake(QStringLiteral("%1 does not take %2").arg(command, text(option)));
        if (needsValue(option)) {
            if (!value) {
                if (i + 1 >= args.size())
                    return mistake(QStringLiteral("%1 needs a value").arg(text(option)));
                value = args.at(++i);
            }
        } else if (value) {
            return mistake(QStringLiteral("%1 takes no value").arg(text(option)));
        }

        if (option == "-t" || option == "--type") {
            if (value->trimmed().isEmpty())
                return mistake(QStringLiteral("an empty pattern matches nothing"));
            o.patterns.append(value->trimmed());
        } else if (option == "--used-since" || option == "--unused-since" || option == "--changed-on") {
            if (o.dateTest != DateTest::None)
                return mistake(QStringLiteral("only one of --used-since, --unused-since and --changed-on"));
            o.dateTest = option == "--used-since"     ? DateTest::UsedSince
                         : option == "--unused-since" ? DateTest::UnusedSince
                                                      : DateTest::ChangedOn;
            o.dateText = text(*value).trimmed();
            const std::optional<QDate> date = parseUserDate(o.dateText);
            if (!date)
                return mistake(QStringLiteral("'%1' is not a date (write 2024-01-31, or as %2)")
                                   .arg(o.dateText, QLocale().toString(QDate(2024, 1, 31), QLocale::ShortFormat)));
            o.date = *date;
        } else if (option == "--min-size") {
            const std::optional<std::int64_t> size = parseSize(text(*value));
            if (!size)
                return mistake(QStringLiteral("'%1' is not a size (write 1500, 4K, 2M or 1G)").arg(text(*value)));
            o.minSize = *size;
        } else if (option == "--include-hidden") {
            o.includeHidden = true;
        } else if (option == "--types") {
            o.typesGiven = true;
            for (const QByteArray& type : value->split(',')) {
                const QByteArray t = type.trimmed().toUpper();
                if (t == "TMP")
                    o.tmpFiles = true;
                else if (t == "BAK")
                    o.bakFiles = true;
                else if (t == "FTS")
                    o.ftsFiles = true;
                else if (t == "$$$")
                    o.dollarFiles = true;
                else
                    return mistake(QStringLiteral("'%1' is not one of the types TMP, BAK, FTS, $$$").arg(text(type)));
            }
        } else if (option == "--temp-folder") {
            o.tempFolder = true;
        } else if (option == "--browser-cache") {
            o.browserCache = true;
        } else if (option == "--trash" || option == "--delete") {
            const Disposal d = option == "--trash" ? Disposal::Trash : Disposal::Delete;
            if (o.disposal != Disposal::List && o.disposal != d)
                return mistake(QStringLiteral("--trash and --delete exclude each other"));
            o.disposal = d;
        } else if (option == "--yes" || option == "-y") {
            o.yes = true;
        } else if (option == "--json") {
            o.json = true;
        } else if (option == "--log") {
            if (value->isEmpty())
                return mistake(QStringLiteral("--log needs a file name"));
            o.logFile = *value;
        }
    }

    const bool needsFolder = o.command == Command::Search || o.command == Command::Duplicates;
    if (places.size() > 1)
        return mistake(
            QStringLiteral("%1 takes one %2, not '%3' too")
                .arg(command, needsFolder ? QStringLiteral("folder") : QStringLiteral("drive"), text(places.at(1))));
    if (places.isEmpty() && needsFolder)
        return mistake(QStringLiteral("%1 needs the folder to search").arg(command));
    if (!places.isEmpty())
        o.place = places.first();
    if (o.command == Command::Search) {
        if (o.patterns.size() > 2)
            return mistake(QStringLiteral("search takes at most two -t patterns"));
        if (o.patterns.size() == 2 && o.patterns.at(0).toLower() == o.patterns.at(1).toLower())
            return mistake(QStringLiteral("the two -t patterns are the same"));
    }
    if (o.command == Command::Duplicates && o.patterns.size() > 2)
        return mistake(QStringLiteral("duplicates takes at most two -t patterns"));
    return p;
}

QString helpText()
{
    return QStringLiteral("Usage: brisvane-cli COMMAND [ARGUMENT] [OPTION]...\n"
                          "Brisvane's clean-up runs for a shell, a script or a timer; no display needed.\n"
                          "\n"
                          "Commands:\n"
                          "  search DIR [-t PATTERN]... [--used-since DATE | --unused-since DATE |\n"
                          "             --changed-on DATE] [--min-size SIZE] [--include-hidden]\n"
                          "             [--trash | --delete]\n"
                          "      The files below DIR that match; listed, or removed with --trash or --delete.\n"
                          "  duplicates DIR [-t PATTERN]... [--include-hidden]\n"
                          "      The files of the same name in more than one folder below DIR, group by group.\n"
                          "  quick-clean [DRIVE] [--types TMP,BAK,FTS,$$$] [--temp-folder] [--browser-cache]\n"
                          "             [--trash | --delete]\n"
                          "      Your own temporary files on the drive that no program has open (in the\n"
                          "      temporary folder, only those left alone for 24 hours); listed, or removed with\n"
                          "      --trash or --delete. Without a choice: the temporary folder.\n"
                          "  space [DRIVE]      The drive's capacity, free and used space, sectors and clusters.\n"
                          "  overhang [DRIVE]   The space the drive's files lose to partly filled clusters.\n"
                          "\n"
                          "Options:\n"
                          "  -t, --type PATTERN        a pattern such as *.log (at most two; default *.*)\n"
                          "      --used-since DATE     files used after DATE\n"
                          "      --unused-since DATE   files not used since DATE (last used before it)\n"
                          "      --changed-on DATE     files modified or created on DATE\n"
                          "      --min-size SIZE       files of at least SIZE bytes (K, M, G: powers of 1024)\n"
                          "      --include-hidden      hidden files and folders too\n"
                          "      --types LIST          the Quick Clean types to take, of TMP,BAK,FTS,$$$\n"
                          "      --temp-folder         every file of the temporary folder (Quick Clean)\n"
                          "      --browser-cache       the old browser's cache folders (Quick Clean)\n"
                          "      --trash               send the files to the Trash\n"
                          "      --delete              delete the files for good (asks once on a terminal)\n"
                          "  -y, --yes                 do not ask before deleting\n"
                          "      --json                one JSON object per line, the summary last\n"
                          "      --log FILE            write the run's log to FILE too\n"
                          "  -h, --help                print this help and end\n"
                          "  -v, --version             print the version and end\n"
                          "\n"
                          "DATE is 2024-01-31 or the short date of your locale; DRIVE is any folder on the\n"
                          "drive (default: the current folder's). Nothing is removed without --trash or\n"
                          "--delete. Runs that remove files keep their log in the run history.\n"
                          "\n"
                          "Exit status: 0 done; 1 some files could not be removed; 2 usage error; 3 the run\n"
                          "could not start; 130 or 143 stopped by SIGINT or SIGTERM.\n");
}

QString versionText()
{
    return QStringLiteral("brisvane-cli (Brisvane) " BV_VERSION "\n");
}

} // namespace bv::cli
