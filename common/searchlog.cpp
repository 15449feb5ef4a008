// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/searchlog.h"

#include "common/format.h"
#include "common/logtext.h"
#include "platform/paths.h"

#include <cstring>
#include <limits>
#include <utility>

namespace bv {

namespace {

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// The length of the well-formed UTF-8 sequence at p (0 when the bytes there are not one) and
// the code point it encodes. Overlong forms, surrogates and values past U+10FFFF are not
// well-formed: a decoder that accepted them could be made to see characters that are not there.
int utf8Sequence(const unsigned char* p, qsizetype available, char32_t* codePoint)
{
    const unsigned char lead = p[0];
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
        return 0;
    if (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))
        return 0;
    *codePoint = cp;
    return length;
}

// Characters a viewer may start a new line on, or that steer the terminal or printer: C0 and C1
// controls, DEL, and the Unicode line and paragraph separators (which Qt's text views break at);
// and the bidirectional controls, which make what follows them show in another order (a name
// ending in U+202E "fdp.sh" reads as ending in "hs.pdf").
bool mustEscape(char32_t cp)
{
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 || cp == '\\' ||
           cp == 0x200E || cp == 0x200F || cp == 0x061C || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

void appendEscaped(QByteArray& out, unsigned char byte)
{
    static const char hex[] = "0123456789ABCDEF";
    out += "\\x";
    out += hex[byte >> 4];
    out += hex[byte & 0x0F];
}

// A text view lays out a whole line at once: one line of megabytes (any file can be opened as a
// saved log) takes seconds to show and to scroll, where the same text in short lines takes
// milliseconds. Lines longer than this are shown broken into pieces of this length.
constexpr qsizetype kLongestViewerLine = 2000;

QString breakLongLines(const QString& text)
{
    auto nextLineEnd = [&text](qsizetype from) {
        const qsizetype nl = text.indexOf(QLatin1Char('\n'), from);
        return nl < 0 ? text.size() : nl;
    };
    qsizetype start = 0;
    while (start < text.size() && nextLineEnd(start) - start <= kLongestViewerLine)
        start = nextLineEnd(start) + 1;
    if (start >= text.size())
        return text; // the usual case: nothing to break

    QString out = text.left(start);
    while (start < text.size()) {
        const qsizetype end = nextLineEnd(start);
        while (end - start > kLongestViewerLine) {
            qsizetype cut = start + kLongestViewerLine;
            if (text[cut].isLowSurrogate())
                --cut; // keep a character outside the BMP whole
            out += QStringView(text).mid(start, cut - start);
            out += QLatin1Char('\n');
            start = cut;
        }
        const qsizetype next = qMin(end + 1, text.size()); // with its line end, if it has one
        out += QStringView(text).mid(start, next - start);
        start = next;
    }
    return out;
}

} // namespace

SearchLog::~SearchLog()
{
    close();
}

bool SearchLog::fail(const QString& why)
{
    m_failed = true;
    m_error = why;
    return false;
}

bool SearchLog::open(const QByteArray& path)
{
    close(); // one log at a time
    m_failed = false;
    m_error.clear();
    m_path = path;
    m_historyPath.clear();
    if (path.isEmpty())
        return fail(QStringLiteral("The search log has no file name."));
    if (const int err = m_file.create(path))
        return fail(QStringLiteral("The search log could not be created: %1").arg(errnoText(err)));
    return true;
}

bool SearchLog::keepHistory(const QByteArray& appFolder, RunFeature feature)
{
    if (!m_file.isOpen())
        return fail(QStringLiteral("The search log is not open."));
    if (m_failed)
        return false;
    QString why;
    const QByteArray historyPath = beginRunHistory(appFolder, feature, &why);
    if (historyPath.isEmpty())
        return fail(why);
    if (const int err = m_history.create(historyPath))
        return fail(QStringLiteral("The run history could not be written: %1").arg(errnoText(err)));
    m_historyPath = historyPath;
    m_historyAppFolder = appFolder;
    // Lines written before the history began go first, so the history is the whole log.
    const FileHead sofar = readFileHead(m_path, std::numeric_limits<qint64>::max());
    if (sofar.openError || sofar.readError)
        return fail(QStringLiteral("The run history could not be written: %1")
                        .arg(errnoText(sofar.openError ? sofar.openError : sofar.readError)));
    if (!sofar.bytes.isEmpty()) {
        if (const int err = m_history.append(sofar.bytes))
            return fail(QStringLiteral("The run history could not be written: %1")
                            .arg(err > 0 ? errnoText(err) : QStringLiteral("nothing was written")));
    }
    return true;
}

bool SearchLog::openInHistory(const QByteArray& appFolder, RunFeature feature, const QByteArray& restoredRun)
{
    close();
    QString why;
    const QByteArray path = beginRunHistory(appFolder, feature, &why, restoredRun);
    if (path.isEmpty()) {
        m_path.clear();
        m_historyPath.clear();
        return fail(why);
    }
    if (!open(path))
        return false;
    m_historyPath = path;
    m_historyAppFolder = appFolder;
    return true;
}

bool SearchLog::writeLine(const QByteArray& line)
{
    return writeLines({line});
}

bool SearchLog::writeLines(const QList<QByteArray>& lines)
{
    if (!m_file.isOpen())
        return fail(QStringLiteral("The search log is not open."));
    // After a lost line the log can no longer be trusted to be complete; nothing more goes in.
    if (m_failed)
        return false;
    QByteArray out;
    qsizetype size = 0;
    for (const QByteArray& line : lines)
        size += line.size() + 2;
    out.reserve(size + 16);
    for (const QByteArray& line : lines) {
        appendEscapedText(out, line);
        out += "\r\n";
    }
    // One write(2) and no buffer of our own: once this returns, the lines survive a crash or a
    // kill of the program. A disk that fills in the middle of a line leaves part of it: the file
    // cuts it off again, so the log ends with its last whole line (a path cut short could name
    // another file).
    const int err = m_file.append(out);
    if (err == AppendOnlyFile::kNothingWritten)
        return fail(QStringLiteral("The search log could not be written."));
    if (err != 0)
        return fail(QStringLiteral("The search log could not be written: %1").arg(errnoText(err)));
    if (m_history.isOpen()) {
        const int historyErr = m_history.append(out);
        if (historyErr == AppendOnlyFile::kNothingWritten)
            return fail(QStringLiteral("The run history could not be written."));
        if (historyErr != 0)
            return fail(QStringLiteral("The run history could not be written: %1").arg(errnoText(historyErr)));
    }
    return true;
}

bool SearchLog::writeLine(const QString& line)
{
    return writeLine(line.toUtf8());
}

bool SearchLog::writeHeader(const QDateTime& now)
{
    return writeLine(QStringLiteral("This search was made on ") + logHeaderDate(now));
}

void SearchLog::close()
{
    if (m_history.isOpen()) {
        if (const int err = m_history.close())
            fail(QStringLiteral("The run history could not be closed: %1").arg(errnoText(err)));
    }
    // Some file systems (NFS) only report a failed write when the file is closed.
    if (m_file.isOpen()) {
        if (const int err = m_file.close())
            fail(QStringLiteral("The search log could not be closed: %1").arg(errnoText(err)));
    }
    // A run's size is known once it has ended: the history is brought back within its bounds.
    if (!m_historyAppFolder.isEmpty()) {
        trimRunHistory(m_historyAppFolder, m_historyPath);
        m_historyAppFolder.clear();
    }
}

QByteArray SearchLog::escape(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 8);
    appendEscapedText(out, bytes);
    return out;
}

void SearchLog::appendEscapedText(QByteArray& out, const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        // Plain printable ASCII, nearly all of a log, goes over in runs.
        qsizetype run = i;
        while (run < n && p[run] >= 0x20 && p[run] < 0x7F && p[run] != '\\')
            ++run;
        if (run > i) {
            out.append(reinterpret_cast<const char*>(p + i), run - i);
            i = run;
            continue;
        }
        char32_t cp = 0;
        const int length = utf8Sequence(p + i, n - i, &cp);
        if (length == 0) {
            appendEscaped(out, p[i]); // not UTF-8: one byte at a time, the rest is looked at anew
            ++i;
            continue;
        }
        if (mustEscape(cp)) {
            for (int k = 0; k < length; ++k)
                appendEscaped(out, p[i + k]);
        } else {
            out.append(reinterpret_cast<const char*>(p + i), length);
        }
        i += length;
    }
}

LogContents readLogForViewer(const QByteArray& path, qint64 limitBytes, qsizetype limitLines, LogLimit mode)
{
    LogContents out;
    if (path.isEmpty()) {
        out.error = QStringLiteral("No file name.");
        return out;
    }
    // One byte past the limit tells "too large" without trusting the size, which a log still
    // being written can outgrow.
    FileHead head = readFileHead(path, limitBytes + 1);
    if (head.openError) {
        out.error = errnoText(head.openError);
        return out;
    }
    if (head.notRegular) {
        out.error = QStringLiteral("Not a regular file.");
        return out;
    }
    const bool readError = head.readError != 0;
    if (readError)
        out.error = errnoText(head.readError);
    QByteArray bytes = std::move(head.bytes);

    if (bytes.size() > limitBytes) {
        if (mode == LogLimit::Refuse) {
            out.status = LogContents::TooLarge;
            return out;
        }
        bytes.truncate(qsizetype(limitBytes));
        // Do not end on half a character: drop a last sequence the cut left incomplete.
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
        qsizetype lead = bytes.size() - 1;
        while (lead > 0 && bytes.size() - lead < 4 && (p[lead] & 0xC0) == 0x80)
            --lead;
        char32_t cp = 0;
        if (lead >= 0 && p[lead] >= 0xC0 && utf8Sequence(p + lead, bytes.size() - lead, &cp) == 0)
            bytes.truncate(lead);
    }
    out.text = breakLongLines(decodeLogText(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // The view's cost grows with its number of lines as much as with its size: a file of
    // nothing but line ends is refused, or cut, like an oversized one.
    qsizetype lines = 0;
    for (qsizetype nl = out.text.indexOf(QLatin1Char('\n')); nl >= 0;
         nl = out.text.indexOf(QLatin1Char('\n'), nl + 1)) {
        if (++lines < limitLines)
            continue;
        if (nl + 1 < out.text.size()) {
            if (mode == LogLimit::Refuse) {
                out.text.clear();
                out.status = LogContents::TooLarge;
                return out;
            }
            out.text.truncate(nl + 1);
        }
        break;
    }
    out.status = readError ? LogContents::Unreadable : LogContents::Loaded;
    return out;
}

FileResult copyLogFile(const QByteArray& from, const QByteArray& to)
{
    if (from.isEmpty() || to.isEmpty())
        return {false, QStringLiteral("No file name.")};
    const CopyResult copy = copyReplacing(from, to);
    // The user is told the folder cannot be written, rather than that a file could not be opened.
    if (copy.folderNotWritable)
        return {false,
                QStringLiteral("The folder %1 cannot be written to (%2).").arg(displayPath(folderOf(to)), copy.error)};
    return {copy.ok, copy.error};
}

} // namespace bv
