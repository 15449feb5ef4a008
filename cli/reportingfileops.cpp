// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/reportingfileops.h"

#include "cli/cliuser.h"
#include "cli/output.h"

namespace bv::cli {

ReportingFileOps::ReportingFileOps(Listener listener)
    : m_inner(fileOps()), m_innerIsReal(dynamic_cast<RealFileOps*>(&m_inner) != nullptr),
      m_listener(std::move(listener))
{
    setFileOps(this);
}

ReportingFileOps::~ReportingFileOps()
{
    setFileOps(m_innerIsReal ? nullptr : &m_inner);
}

ActResult ReportingFileOps::trash(const QByteArray& path, const FileInfo& listed)
{
    const ActResult result = m_inner.trash(path, listed);
    m_listener(path, listed, RemovalAction::Trash, result);
    return result;
}

ActResult ReportingFileOps::remove(const QByteArray& path, const FileInfo& listed)
{
    const ActResult result = m_inner.remove(path, listed);
    m_listener(path, listed, RemovalAction::Delete, result);
    return result;
}

ActResult ReportingFileOps::move(const QByteArray& path, const FileInfo& listed, const QByteArray& destFolder)
{
    const ActResult result = m_inner.move(path, listed, destFolder);
    m_listener(path, listed, RemovalAction::Move, result);
    return result;
}

ActResult ReportingFileOps::restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime)
{
    return m_inner.restoreAccessTime(path, listed, atime);
}

bool ReportingFileOps::canTrashAt(const QByteArray& folder, QString* why)
{
    return m_inner.canTrashAt(folder, why);
}

ReportingFileOps::Listener printEachAct(Printer& printer, CommandLineUser& user, std::int64_t& notRemoved)
{
    return [&printer, &user, &notRemoved](const QByteArray& path, const FileInfo& listed, RemovalAction,
                                          const ActResult& r) {
        const FileOutcome outcome = fileOutcome(r.outcome);
        printer.file({path, listed.size, listed.atime, listed.mtime, outcome, r.reason});
        if (isFailure(outcome)) {
            ++notRemoved;
            printer.problem(QStringLiteral("could not remove %1: %2")
                                .arg(QString::fromUtf8(listingName(path)),
                                     r.reason.isEmpty() ? QStringLiteral("refused") : r.reason));
            user.failureTold();
        }
    };
}

} // namespace bv::cli
