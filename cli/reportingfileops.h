// SPDX-License-Identifier: GPL-3.0-or-later
// Every removal a run makes, seen as it happens: the system's file operations with a listener.
//
// The runs remove files only through fileOps() (platform/fileops.h), after the file's record is
// in the log and right after the file was checked again. Installed for the length of a run, this
// passes each act on to the real operations unchanged and tells the listener what became of the
// file, with the file as it was listed (its size and times), so the command line prints one line
// per file as the run goes without a hook of its own in any run.
#pragma once

#include "common/wording.h"
#include "platform/fileops.h"

#include <cstdint>
#include <functional>

namespace bv::cli {

class CommandLineUser;
class Printer;

class ReportingFileOps : public FileOps
{
public:
    using Listener = std::function<void(const QByteArray& path, const FileInfo& listed, RemovalAction action,
                                        const ActResult& result)>;

    // Installs itself in place of the operations in force, and puts them back when it goes.
    explicit ReportingFileOps(Listener listener);
    ~ReportingFileOps() override;
    ReportingFileOps(const ReportingFileOps&) = delete;
    ReportingFileOps& operator=(const ReportingFileOps&) = delete;

    ActResult trash(const QByteArray& path, const FileInfo& listed) override;
    ActResult remove(const QByteArray& path, const FileInfo& listed) override;
    ActResult move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder) override;
    ActResult restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime) override;
    bool canTrashAt(const QByteArray& folder, QString* why) override;

private:
    FileOps& m_inner;
    bool m_innerIsReal;
    Listener m_listener;
};

// What the acting commands listen with: each act printed as the file's line; a removal that
// failed is also told on standard error with the system's reason (the run's own message for it is
// then not told again) and counted in `notRemoved`.
ReportingFileOps::Listener printEachAct(Printer& printer, CommandLineUser& user, std::int64_t& notRemoved);

} // namespace bv::cli
