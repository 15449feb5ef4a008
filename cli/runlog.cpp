// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/runlog.h"

#include "platform/appfolder.h"
#include "platform/paths.h"

#include <QCoreApplication>

namespace bv::cli {

RunLog::~RunLog()
{
    m_log.close();
    if (!m_scratch.isEmpty())
        QFile::remove(QFile::decodeName(m_scratch));
}

bool RunLog::open(const Options& options, RunFeature feature, bool acting, bool scratch, QString* problem)
{
    if (acting || (scratch && options.logFile.isEmpty())) {
        QString why;
        m_appFolder = prepareAppFolder(&why);
        if (m_appFolder.isEmpty()) {
            *problem = QStringLiteral("the data folder cannot be made: %1").arg(why);
            return false;
        }
    }
    bool ok = true;
    if (!options.logFile.isEmpty()) {
        ok = m_log.open(options.logFile) && (!acting || m_log.keepHistory(m_appFolder, feature));
    } else if (acting) {
        ok = m_log.openInHistory(m_appFolder, feature);
    } else if (scratch) {
        m_scratch = joinPath(m_appFolder, "cli-" + QByteArray::number(QCoreApplication::applicationPid()) + ".log");
        ok = m_log.open(m_scratch);
    } else {
        return true;
    }
    if (!ok) {
        *problem = QStringLiteral("the log cannot be written: %1").arg(m_log.error());
        return false;
    }
    m_open = true;
    return true;
}

QByteArray unescapeLogText(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bool ok = false;
            const int byte = text.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += char(byte);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

LogFollower::LogFollower(const QByteArray& path, std::function<void(const Block&)> onBlock, bool skipHeader)
    : m_file(QFile::decodeName(path)), m_onBlock(std::move(onBlock)), m_inHeader(skipHeader)
{
    m_file.open(QIODevice::ReadOnly);
}

void LogFollower::poll()
{
    if (!m_file.isOpen())
        return;
    m_pending += m_file.readAll();
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_pending.indexOf("\r\n", start);
        if (end < 0)
            break;
        line(m_pending.mid(start, end - start));
        start = end + 2;
    }
    m_pending.remove(0, start);
}

void LogFollower::line(const QByteArray& text)
{
    if (m_inHeader) {
        m_inHeader = !text.isEmpty();
        return;
    }
    if (text.isEmpty())
        return;
    if (m_block.path.isEmpty()) {
        m_block.path = unescapeLogText(text);
        return;
    }
    m_block.lines.append(text);
    if (text.startsWith("ACTION: ")) {
        m_onBlock(m_block);
        m_block = Block{};
    }
}

} // namespace bv::cli
