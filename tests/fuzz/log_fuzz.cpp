// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for reading a log back (any file can be opened as a saved log) and for the
// escaping every logged line goes through.
//
// The first two bytes set the viewer's limits (bytes, lines) and whether an oversized file is
// refused or cut; the rest is the file. The reader must stay within the limits it was given and
// keep its line breaking, and lose no character of a file within them. The rest, taken as one
// line written to the log, must come out as a single line that reads back to the same bytes.
#include "common/logtext.h"
#include "common/searchlog.h"
#include "platform/paths.h"
#include "tests/fuzz/fuzz_check.h"

#include <QStringDecoder>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

using bv::test::require;

namespace {

int hexValue(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The reverse of SearchLog::escape: what a reader of the log can always recover.
QByteArray unescape(const QByteArray& line)
{
    QByteArray out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') {
            require(i + 3 < line.size());
            require(line[i + 1] == 'x' && hexValue(line[i + 2]) >= 0 && hexValue(line[i + 3]) >= 0);
            out += char(hexValue(line[i + 2]) * 16 + hexValue(line[i + 3]));
            i += 3;
        } else {
            out += line[i];
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray file(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    // The log's line: escaped bytes are valid UTF-8 with no line break, control character or
    // bidirectional control.
    const QByteArray escaped = bv::SearchLog::escape(file);
    require(unescape(escaped) == file);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString shown = utf8.decode(escaped);
    require(!utf8.hasError());
    for (const QChar c : shown)
        require(c.unicode() >= 0x20 && c.unicode() != 0x7F && !(c.unicode() >= 0x80 && c.unicode() <= 0x9F) &&
                bv::visibleText(QString(c)) == QString(c));

    // The same bytes as a file the viewer opens.
    const qint64 limitBytes = 1 + data[0] * 8;
    const qsizetype limitLines = 1 + (data[1] & 0x7F);
    const auto mode = (data[1] & 0x80) ? bv::LogLimit::Truncate : bv::LogLimit::Refuse;
    const int fd = ::memfd_create("log", MFD_CLOEXEC);
    require(fd >= 0);
    require(::write(fd, file.constData(), size_t(file.size())) == ssize_t(file.size()));
    const bv::LogContents log =
        bv::readLogForViewer("/proc/self/fd/" + QByteArray::number(fd), limitBytes, limitLines, mode);
    ::close(fd);

    if (log.status == bv::LogContents::TooLarge) {
        require(mode == bv::LogLimit::Refuse && log.text.isEmpty());
        return 0;
    }
    require(log.status == bv::LogContents::Loaded);
    // Within the limits: lines broken at 2,000 characters, no more lines than allowed, at most
    // three characters per byte read plus the breaks (U+061C, two bytes, shows as "\u061C").
    require(log.text.count(QLatin1Char('\n')) <= limitLines);
    require(log.text.size() <= 3 * limitBytes + 3 * limitBytes / 2000 + 1);
    for (const QStringView line : QStringView(log.text).split(QLatin1Char('\n')))
        require(line.size() <= 2000);
    // A file within the byte limit loses no character and gains none but line breaks: whole
    // when it is shown, a beginning of it when it was cut at the line limit.
    if (file.size() <= limitBytes) {
        const QString all = bv::decodeLogText(file).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).remove(u'\n');
        const QString shownText = QString(log.text).remove(u'\n');
        require(mode == bv::LogLimit::Refuse ? shownText == all : all.startsWith(shownText));
    }
    return 0;
}
