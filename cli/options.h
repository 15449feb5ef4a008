// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of brisvane-cli: one command and its options, parsed as a pure function of
// the arguments so that a mistake is told before anything is touched.
//
// Arguments are native bytes from argv to the walk: a folder whose name is not UTF-8 is still
// found. Dates are read as the windows read them (ISO 8601 or the locale's short date form);
// sizes are bytes, or a number with K, M or G (powers of 1024).
#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace bv::cli {

enum class Command : std::uint8_t { Search, Duplicates, QuickClean, Space, Overhang };

// What is done with the files a run selects.
enum class Disposal : std::uint8_t {
    List,  // a dry run: nothing is touched
    Trash, // to the desktop's Trash
    Delete,
};

// The date test of the file search.
enum class DateTest : std::uint8_t { None, UsedSince, UnusedSince, ChangedOn };

struct Options
{
    Command command = Command::Search;
    QByteArray place; // DIR or DRIVE as given; empty: the current drive (space, overhang, quick-clean)

    // search, duplicates
    QList<QByteArray> patterns;
    // search
    DateTest dateTest = DateTest::None;
    QDate date;
    QString dateText; // as typed
    std::int64_t minSize = 0;
    bool includeHidden = false;
    // quick-clean; nothing given at all takes the window's defaults
    bool typesGiven = false;
    bool tmpFiles = false, bakFiles = false, ftsFiles = false, dollarFiles = false;
    bool tempFolder = false;
    bool browserCache = false;

    Disposal disposal = Disposal::List;
    bool yes = false; // --delete asks nothing on a terminal
    bool json = false;
    QByteArray logFile; // --log FILE; empty: none
};

struct Parsed
{
    enum class Action : std::uint8_t { Run, Help, Version, Error };
    Action action = Action::Run;
    QString text; // help, version or the mistake (one line, without the usage hint)
    Options options;
};

// args: the arguments after the program's name.
Parsed parseArguments(const QList<QByteArray>& args);

// "10", "1,500", "4K", "2.5M", "1G" (K, M, G are powers of 1024; a trailing B or iB is allowed).
std::optional<std::int64_t> parseSize(const QString& text);

QString helpText();
QString versionText();

} // namespace bv::cli
