// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/workingfolder.h"

#include "platform/historyfolder.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace bv::cli {

WorkingFolder::WorkingFolder(const QByteArray& appFolder)
    : m_path(joinPath(appFolder, "cli-" + QByteArray::number(QCoreApplication::applicationPid())))
{
    // Made private to the user; a link put in its place is refused.
    m_ok = prepareHistoryFolder(m_path) == 0;
}

WorkingFolder::~WorkingFolder()
{
    QFile::remove(QFile::decodeName(log()));
    QDir().rmdir(QFile::decodeName(m_path));
}

QByteArray WorkingFolder::log() const
{
    return joinPath(m_path, "temp.bv");
}

bool copyLog(const QByteArray& from, const QByteArray& to, QString* why)
{
    QFile in(QFile::decodeName(from));
    QFile out(QFile::decodeName(to));
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(in.readAll()) < 0 || !out.flush()) {
        *why = out.errorString();
        return false;
    }
    return true;
}

} // namespace bv::cli
