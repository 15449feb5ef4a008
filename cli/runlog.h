// SPDX-License-Identifier: GPL-3.0-or-later
// The record of a command-line run, and the files a dry run lists from it.
//
// A run that removes files keeps its log in the run history, as the windows' runs do, and in
// --log FILE too when one is given; it does not start without it (no removal without its record).
// A dry run keeps no history: its log goes to --log FILE, or, where the listing is read from the
// log, to a scratch file in the data folder that goes again at the end.
//
// LogFollower reads a log while its run writes it, block by block (a file's path, its lines, its
// ACTION line), so that a dry run lists each file as the run records it.
#pragma once

#include "cli/options.h"
#include "common/runhistory.h"
#include "common/searchlog.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <functional>

namespace bv::cli {

class RunLog
{
public:
    RunLog() = default;
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // acting: into the history (and --log FILE); a dry run: --log FILE, or a scratch file when
    // `scratch` is set, else no log at all (log() is then null). False with *problem when a log
    // that is needed cannot be made.
    bool open(const Options& options, RunFeature feature, bool acting, bool scratch, QString* problem);
    SearchLog* log() { return m_open ? &m_log : nullptr; }
    QByteArray path() const { return m_log.path(); }
    QByteArray appFolder() const { return m_appFolder; }

private:
    SearchLog m_log;
    bool m_open = false;
    QByteArray m_scratch; // removed with the RunLog
    QByteArray m_appFolder;
};

// The escaping of the log undone: "\xNN" back to its byte (the log escapes the backslash too).
QByteArray unescapeLogText(const QByteArray& text);

class LogFollower
{
public:
    struct Block
    {
        QByteArray path;         // native bytes
        QList<QByteArray> lines; // the lines after the path, the ACTION line last
    };
    // `skipHeader`: the log starts with a header that ends at its first empty line.
    LogFollower(const QByteArray& path, std::function<void(const Block&)> onBlock, bool skipHeader = true);
    // Reads what the run has written since the last call and hands on each whole block.
    void poll();

private:
    void line(const QByteArray& text);

    QFile m_file;
    std::function<void(const Block&)> m_onBlock;
    bool m_inHeader;
    QByteArray m_pending;
    Block m_block;
};

} // namespace bv::cli
