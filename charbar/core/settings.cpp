// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/core/settings.h"

#include "charbar/core/cp1252.h"
#include "platform/smallfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringList>

#include <cmath>
#include <cstring>
#include <optional>

namespace bv::quill {

namespace {

constexpr int kLineCount = 19;
// Positions far beyond any screen are not positions; the bar is then put back on screen anyway,
// but such numbers must not overflow the pixel arithmetic.
constexpr double kPositionLimit = 1.0e7;

// Older versions wrote the file in the ANSI code page; read such a file as Windows-1252 rather
// than turning its accented characters into replacement marks.
QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const int code = static_cast<unsigned char>(c);
        const QString ch = characterForCode(code);
        out += ch.isEmpty() ? QChar(code < 0x80 ? char16_t(code) : char16_t(0xFFFD)) : ch.at(0);
    }
    return out;
}

// Lines end at CR LF, LF or a lone CR, as the old line reader took them.
QStringList splitLines(const QString& text, int limit)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size() && lines.size() < limit; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (lines.size() < limit && start < text.size())
        lines << text.mid(start);
    return lines;
}

std::optional<double> number(QStringView line)
{
    bool ok = false;
    const double value = delimitedValue(line).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> position(QStringView line)
{
    const auto value = number(line);
    if (!value || std::fabs(*value) > kPositionLimit)
        return std::nullopt;
    return int(std::lround(*value));
}

// A number as the old program printed it: the sign place (blank or "-"), digits, one blank.
QString printedNumber(int value)
{
    return (value < 0 ? QString::number(value) : u' ' + QString::number(value)) + u' ';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

QString delimitedValue(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size() && isBlank(line.at(i)))
        ++i;
    if (i < line.size() && line.at(i) == u'"') {
        QString value;
        for (++i; i < line.size(); ++i) {
            if (line.at(i) != u'"') {
                value += line.at(i);
            } else if (i + 1 < line.size() && line.at(i + 1) == u'"') {
                value += u'"';
                ++i;
            } else {
                break;
            }
        }
        return value;
    }
    const qsizetype comma = line.indexOf(u',', i);
    QStringView value = line.mid(i, comma < 0 ? -1 : comma - i);
    while (!value.isEmpty() && isBlank(value.back()))
        value.chop(1);
    return value.toString();
}

QString delimitedText(const QString& value)
{
    QString text = value;
    // A line break would end the value and shift every line after it.
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    const bool plain = !text.contains(u',') && !text.contains(u'"') &&
                       (text.isEmpty() || (!isBlank(text.front()) && !isBlank(text.back())));
    if (plain)
        return text;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

QuillSettings parseSettings(const QByteArray& bytes, const QuillSettings& defaults)
{
    QuillSettings s = defaults;
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    const QStringList lines = splitLines(decodeText(body), kLineCount);
    const auto line = [&](int n) -> std::optional<QStringView> {
        if (n > lines.size())
            return std::nullopt;
        return QStringView(lines.at(n - 1));
    };

    if (const auto l = line(3); const auto top = l ? position(*l) : std::nullopt)
        s.top = *top;
    if (const auto l = line(4); const auto left = l ? position(*l) : std::nullopt)
        s.left = *left;
    if (const auto l = line(5))
        s.hostCaption = delimitedValue(*l);
    if (const auto l = line(6); l && !delimitedValue(*l).isEmpty())
        s.buttonFont = delimitedValue(*l);
    for (int i = 0; i < kButtonCount; ++i) {
        const auto l = line(7 + i);
        if (!l)
            continue;
        const auto code = number(*l);
        const bool valid =
            code && *code >= 0 && *code <= 255 && *code == std::floor(*code) && isAssignableCode(int(*code));
        s.codes[i] = valid ? int(*code) : 0;
    }
    if (const auto l = line(19); const auto flag = l ? number(*l) : std::nullopt)
        s.alwaysOnTop = *flag == 1;
    return s;
}

QByteArray formatSettings(const QuillSettings& s)
{
    QStringList lines;
    lines << QStringLiteral("Quillbar Settings") << QStringLiteral("(Be careful when changing these settings.)")
          << printedNumber(s.top) << printedNumber(s.left) << delimitedText(s.hostCaption)
          << delimitedText(s.buttonFont);
    for (const int code : s.codes)
        lines << (isAssignableCode(code) ? printedNumber(code) : QStringLiteral("0"));
    lines << (s.alwaysOnTop ? QStringLiteral("1") : QStringLiteral("0"));
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QString settingsFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG path is invalid by the XDG rules and must be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Quillbar/Quillbar.ini");
}

QuillSettings loadSettings(const QString& path, const QuillSettings& defaults, QString* error)
{
    // Nineteen short lines; a huge file is not ours, and its first lines are all we read anyway.
    const SmallFile file = readSmallFile(QFile::encodeName(path), 64 * 1024);
    switch (file.status) {
    case SmallFile::Status::Read:
        return parseSettings(file.bytes, defaults);
    case SmallFile::Status::Missing: {
        QuillSettings first = defaults;
        first.codes = kStarterCodes;
        return first;
    }
    case SmallFile::Status::NotAFile:
        if (error)
            *error = QStringLiteral("it is not a regular file");
        return defaults;
    case SmallFile::Status::Failed:
        break;
    }
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(file.error));
    return defaults;
}

bool saveSettings(const QString& path, const QuillSettings& settings, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(formatSettings(settings)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace bv::quill
