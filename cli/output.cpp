// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/output.h"

#include "common/searchlog.h"
#include "platform/terminal.h"

#include <QDateTime>
#include <QTimeZone>

namespace bv::cli {

namespace {

// The length of the valid UTF-8 sequence at s[i] (1 to 4), or 0 when the byte there does not
// start one: overlong forms, surrogates and values past U+10FFFF are not valid.
int utf8Length(QByteArrayView s, qsizetype i)
{
    const auto b = [&](qsizetype k) { return k < s.size() ? std::uint8_t(s[k]) : std::uint8_t(0); };
    const std::uint8_t c = b(i);
    const auto cont = [&](qsizetype k) { return (b(k) & 0xC0) == 0x80; };
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const std::uint8_t c1 = b(i + 1);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F))
            return 0;
        return cont(i + 1) && cont(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const std::uint8_t c1 = b(i + 1);
        if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
            return 0;
        return cont(i + 1) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

void appendHex4(QByteArray& out, unsigned value)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(value >> shift) & 0xF];
}

QDateTime utc(const timespec& t)
{
    return QDateTime::fromSecsSinceEpoch(t.tv_sec, Qt::UTC);
}

} // namespace

QByteArray listingName(QByteArrayView bytes)
{
    return SearchLog::escape(bytes.toByteArray());
}

QByteArray jsonName(QByteArrayView s)
{
    QByteArray out;
    out.reserve(s.size() + 2);
    out += '"';
    for (qsizetype i = 0; i < s.size();) {
        const int n = utf8Length(s, i);
        if (n == 0) {
            appendHex4(out, 0xDC00u + std::uint8_t(s[i]));
            ++i;
            continue;
        }
        if (n == 1) {
            const char c = s[i];
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (std::uint8_t(c) < 0x20 || c == 0x7F) {
                appendHex4(out, std::uint8_t(c));
            } else {
                out += c;
            }
        } else {
            out.append(s.data() + i, n);
        }
        i += n;
    }
    out += '"';
    return out;
}

QByteArray jsonText(const QString& text)
{
    return jsonName(text.toUtf8());
}

QByteArray isoTime(const timespec& t)
{
    return utc(t).toString(Qt::ISODate).toLatin1();
}

QByteArray isoDay(const timespec& t)
{
    return utc(t).date().toString(Qt::ISODate).toLatin1();
}

FileOutcome fileOutcome(ActOutcome outcome)
{
    switch (outcome) {
    case ActOutcome::Done:
        return FileOutcome::Done;
    case ActOutcome::Changed:
        return FileOutcome::Changed;
    case ActOutcome::Vanished:
        return FileOutcome::Vanished;
    case ActOutcome::Refused:
    case ActOutcome::NotSupported:
        return FileOutcome::Refused;
    case ActOutcome::NotTouched:
        return FileOutcome::NotTouched;
    }
    return FileOutcome::Refused;
}

const char* outcomeWord(FileOutcome outcome, bool trash)
{
    switch (outcome) {
    case FileOutcome::Listed:
        return "listed";
    case FileOutcome::Done:
        return trash ? "trashed" : "deleted";
    case FileOutcome::Changed:
        return "changed";
    case FileOutcome::Vanished:
        return "vanished";
    case FileOutcome::Refused:
        return "refused";
    case FileOutcome::InUse:
        return "in-use";
    case FileOutcome::NotTouched:
        return "not-touched";
    }
    return "";
}

bool isFailure(FileOutcome outcome)
{
    // A changed or vanished file was not the user's to remove any more: leaving it is right.
    return outcome == FileOutcome::Refused || outcome == FileOutcome::InUse || outcome == FileOutcome::NotTouched;
}

Printer::Printer(bool json, const char* action, FILE* out, FILE* err)
    : m_json(json), m_action(action), m_out(out), m_err(err), m_progressTerminal(err == stderr && isTerminal(2))
{
}

void Printer::write(const QByteArray& bytes)
{
    if (m_outputFailed)
        return;
    clearProgress();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out) != size_t(bytes.size()) ||
        std::fflush(m_out) != 0)
        m_outputFailed = true;
}

void Printer::file(const FileLine& f)
{
    const bool trash = QByteArrayView(m_action) == "trash";
    const char* word = outcomeWord(f.outcome, trash);
    QByteArray line;
    if (m_json) {
        line = "{\"file\":" + jsonName(f.path) + ",\"size\":" + QByteArray::number(f.size) + ",\"accessed\":\"" +
               isoTime(f.accessed) + "\",\"modified\":\"" + isoTime(f.modified) + "\",\"action\":\"" + m_action +
               "\",\"outcome\":\"" + word + '"';
        if (!f.reason.isEmpty())
            line += ",\"reason\":" + jsonText(f.reason);
        line += "}\n";
    } else {
        line = QByteArray(word).leftJustified(11) + ' ' + QByteArray::number(f.size).rightJustified(13) + "  " +
               isoDay(f.accessed) + "  " + isoDay(f.modified) + "  " + listingName(f.path) + '\n';
    }
    write(line);
}

void Printer::group(const QByteArray& name, const QList<GroupRow>& rows)
{
    QByteArray out;
    if (m_json) {
        out = "{\"group\":" + jsonName(name) + ",\"files\":[";
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const GroupRow& r = rows.at(i);
            out += (i ? "," : "") + QByteArray("{\"file\":") + jsonName(r.path) +
                   ",\"size\":" + jsonText(r.size.trimmed()) + ",\"date\":" + jsonText(r.date) +
                   ",\"version\":" + jsonText(r.version) + '}';
        }
        out += "]}\n";
    } else {
        out = listingName(name) + '\n';
        for (const GroupRow& r : rows)
            out += "  " + listingName(r.path) + '\t' + r.size.trimmed().toUtf8() + '\t' + r.date.toUtf8() + '\t' +
                   r.version.toUtf8() + '\n';
        out += '\n';
    }
    write(out);
}

void Printer::summary(const QString& title, const QList<Field>& fields)
{
    QByteArray out;
    if (m_json) {
        out = "{\"summary\":" + jsonText(title);
        for (const Field& f : fields) {
            out += ",\"" + QByteArray(f.name) + "\":";
            if (const auto* n = std::get_if<std::int64_t>(&f.value))
                out += QByteArray::number(*n);
            else if (const auto* t = std::get_if<QString>(&f.value))
                out += jsonText(*t);
            else if (const auto* p = std::get_if<QByteArray>(&f.value))
                out += jsonName(*p);
            else
                out += std::get<bool>(f.value) ? "true" : "false";
        }
        out += "}\n";
    } else {
        out = title.toUtf8() + '\n';
        for (const Field& f : fields) {
            out += "  " + QByteArray(f.name).replace('_', ' ') + ": ";
            if (const auto* n = std::get_if<std::int64_t>(&f.value))
                out += QByteArray::number(*n);
            else if (const auto* t = std::get_if<QString>(&f.value))
                out += SearchLog::escape(t->toUtf8());
            else if (const auto* p = std::get_if<QByteArray>(&f.value))
                out += listingName(*p);
            else
                out += std::get<bool>(f.value) ? "yes" : "no";
            out += '\n';
        }
    }
    write(out);
}

void Printer::progress(const QString& text)
{
    if (!m_progressTerminal)
        return;
    const QByteArray line = "\r" + SearchLog::escape(text.toUtf8()).left(79) + "\x1b[K";
    std::fwrite(line.constData(), 1, size_t(line.size()), m_err);
    std::fflush(m_err);
    m_progressShown = true;
}

void Printer::clearProgress()
{
    if (!m_progressShown)
        return;
    std::fputs("\r\x1b[K", m_err);
    std::fflush(m_err);
    m_progressShown = false;
}

void Printer::problem(const QString& text)
{
    clearProgress();
    const QByteArray line = "brisvane-cli: " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), m_err);
    std::fflush(m_err);
}

} // namespace bv::cli
