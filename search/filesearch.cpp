// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/filesearch.h"

#include "common/format.h"
#include "platform/paths.h"

#include <QRegularExpression>

namespace bv {

const QStringList& instructionItems()
{
    static const QStringList items{QStringLiteral("have been used"), QStringLiteral("haven't been used"),
                                   QStringLiteral("modified or created")};
    return items;
}

QList<QByteArray> FileSearchCriteria::patterns() const
{
    QList<QByteArray> out;
    for (const QString& p : {pattern0, pattern1})
        if (!p.isEmpty())
            out.append(p.toUtf8());
    return out;
}

std::optional<std::int64_t> parseByteCount(const QString& text, const QLocale& locale)
{
    QString t = text.trimmed();
    const QString decimal = locale.decimalPoint();
    t.remove(locale.groupSeparator());
    if (decimal != QLatin1String(","))
        t.remove(QLatin1Char(','));
    if (decimal != QLatin1String("."))
        t.replace(decimal, QLatin1String("."));
    if (t.startsWith(QLatin1Char('+')))
        t.remove(0, 1);
    // Digits, optionally a fraction; 18 digits at most, so the value always fits.
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,18})(?:\\.([0-9]*))?$|^\\.([0-9]+)$"));
    const QRegularExpressionMatch m = number.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    const QString whole = m.captured(1);
    const QString fraction = whole.isEmpty() ? m.captured(3) : m.captured(2);
    std::int64_t value = whole.isEmpty() ? 0 : whole.toLongLong();
    if (!fraction.isEmpty() && fraction.at(0) >= QLatin1Char('5'))
        ++value; // halves round away from zero, as the number picture does
    return value;
}

std::optional<QDate> parseUserDate(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    auto year = [](const QString& digits) -> int {
        if (digits.size() == 4)
            return digits.toInt();
        if (digits.size() <= 2) {
            const int yy = digits.toInt();
            return yy < 30 ? 2000 + yy : 1900 + yy;
        }
        return 0;
    };
    auto make = [](int y, int m, int d) -> std::optional<QDate> {
        const QDate date(y, m, d);
        if (y <= 0 || y > 9999 || !date.isValid())
            return std::nullopt;
        return date;
    };

    static const QRegularExpression iso(QStringLiteral("^([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})$"));
    if (const QRegularExpressionMatch m = iso.match(t); m.hasMatch())
        return make(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());

    // The locale's short form: three numbers in the order its format names day, month, year,
    // between any separators.
    static const QRegularExpression numeric(
        QStringLiteral("^([0-9]{1,4})[^0-9A-Za-z]+([0-9]{1,4})[^0-9A-Za-z]+([0-9]{1,4})\\.?$"));
    const QRegularExpressionMatch m = numeric.match(t);
    if (m.hasMatch()) {
        const QString format = locale.dateFormat(QLocale::ShortFormat);
        QString order;
        for (QChar c : format) {
            const QChar f = c.toLower();
            if ((f == QLatin1Char('d') || f == QLatin1Char('m') || f == QLatin1Char('y')) && !order.contains(f))
                order += f;
        }
        if (order.size() != 3)
            order = QStringLiteral("mdy");
        int y = 0, mo = 0, d = 0;
        for (int i = 0; i < 3; ++i) {
            const QString part = m.captured(i + 1);
            if (order[i] == QLatin1Char('y'))
                y = year(part);
            else if (part.size() > 2)
                return std::nullopt;
            else if (order[i] == QLatin1Char('m'))
                mo = part.toInt();
            else
                d = part.toInt();
        }
        return make(y, mo, d);
    }
    // A short form that spells the month (rare): let the locale read it.
    // The locale reads a sign too ("8 Dec -2026"): a year before 1 is no date a file has, and a
    // criterion against it would take every file or none.
    const QDate named = locale.toDate(t, QLocale::ShortFormat);
    if (named.isValid())
        return make(named.year(), named.month(), named.day());
    return std::nullopt;
}

int attributeValue(const QByteArray& name, const FileInfo& info)
{
    int value = 0;
    if (info.isReadOnly())
        value |= 1;
    if (name.startsWith('.'))
        value |= 2;
    return value;
}

QString attributeText(int value)
{
    switch (value) {
    case 0:
        return QStringLiteral("A Normal");
    case 1:
        return QStringLiteral("A Read-Only");
    case 2:
        return QStringLiteral("A Hidden");
    case 4:
        return QStringLiteral("A System");
    case 32:
        return QStringLiteral("An Archive");
    case 33:
        return QStringLiteral("An Archive && Read-Only");
    case 34:
        return QStringLiteral("An Archive && Hidden");
    case 35:
        return QStringLiteral("An Archive, Hidden, && Read-Only");
    default:
        return QStringLiteral("An Unknown");
    }
}

bool criterionMatches(Criterion criterion, std::int64_t days)
{
    switch (criterion) {
    case Criterion::HaveBeenUsed:
        return days > 0;
    case Criterion::HaventBeenUsed:
        return days < 0;
    case Criterion::ModifiedOrCreated:
        return days == 0;
    }
    return false;
}

ValidationResult validateEntries(const FileSearchEntries& e, const QLocale& locale)
{
    ValidationResult r;
    auto fail = [&r](const char* message, EntryControl control, bool selectAll) {
        r.issue = ValidationIssue{QString::fromLatin1(message), control, selectAll};
        return r;
    };
    FileSearchCriteria& c = r.criteria;

    const QString bytes = e.bytesText.trimmed();
    std::optional<std::int64_t> size;
    if (!bytes.isEmpty()) {
        size = parseByteCount(bytes, locale);
        if (!size)
            return fail("An invalid file size was entered.", EntryControl::BytesText, true);
        // Digits only; a zero leaves the box empty, as the number picture has no required digit.
        r.reformattedBytes = *size == 0 ? QString() : QString::number(*size);
        c.bytesText = *r.reformattedBytes;
        c.minSize = *size;
    }

    c.pattern0 = e.pattern0.trimmed();
    c.pattern1 = e.pattern1.trimmed();
    if (c.pattern0.isEmpty() && c.pattern1.isEmpty())
        return fail("A search pattern was not specified.", EntryControl::SearchPattern0, false);
    if (c.pattern0.toLower() == c.pattern1.toLower())
        return fail("The search patterns cannot be the same.", EntryControl::SearchPattern0, false);

    const QString instruction = e.instruction.trimmed().toLower();
    const qsizetype which = instructionItems().indexOf(instruction);
    if (which < 0)
        return fail("The search criteria specified is invalid.", EntryControl::InstructionList, true);
    c.criterion = which == 0   ? Criterion::HaveBeenUsed
                  : which == 1 ? Criterion::HaventBeenUsed
                               : Criterion::ModifiedOrCreated;
    c.instruction = e.instruction;

    const std::optional<QDate> limit = parseUserDate(e.dateText, locale);
    if (!limit)
        return fail("The date specified is invalid.", EntryControl::DateText, true);
    c.limit = *limit;
    c.dateText = e.dateText;
    c.sinceText = e.sinceText;
    c.recycle = e.recycle;
    c.verify = e.verify;
    c.ignoreHidden = e.ignoreHidden;
    c.ignoreHiddenDirs = e.ignoreHiddenDirs;
    c.locale = locale;
    return r;
}

namespace {

// Calendar day of a file time as stored (UTC), as a day number: this runs for every file of a
// tree, so no date object is built for files that do not match.
std::int64_t utcDayNumber(const timespec& t)
{
    constexpr std::int64_t secondsPerDay = 86400;
    const std::int64_t s = t.tv_sec;
    return s >= 0 ? s / secondsPerDay : -((-s + secondsPerDay - 1) / secondsPerDay);
}

const std::int64_t kEpochJulianDay = QDate(1970, 1, 1).toJulianDay();

} // namespace

FileCheck checkFile(const FileSearchCriteria& c, const QByteArray& name, const FileInfo& info)
{
    FileCheck out;
    if (!c.bytesText.isEmpty() && info.size < c.minSize)
        return out;
    out.sizeOk = true;
    const std::int64_t limit = c.limit.toJulianDay() - kEpochJulianDay;
    if (c.criterion == Criterion::ModifiedOrCreated)
        out.days = limit - utcDayNumber(info.mtime);
    else
        out.days = utcDayNumber(info.atime) - limit;
    out.matched = criterionMatches(c.criterion, out.days);
    if (!out.matched)
        return out;
    out.lastUseText = shortDateText(fileDay(info.atime), c.locale);
    out.modifiedText = shortDateText(fileDay(info.mtime), c.locale);
    out.referenceDate = c.criterion == Criterion::ModifiedOrCreated ? out.modifiedText : out.lastUseText;
    out.attributes = attributeValue(name, info);
    out.attributeText = attributeText(out.attributes);
    return out;
}

QList<QByteArray> headerLines(const FileSearchCriteria& c, const QDateTime& now)
{
    QList<QByteArray> out;
    auto add = [&out](const QString& line) { out.append(line.toUtf8()); };
    add(QStringLiteral("This search was made on ") + logHeaderDate(now));
    add(QStringLiteral("Search for files of type(s): ") + c.pattern0 + QStringLiteral("  ") + c.pattern1);
    add(QStringLiteral("Files that %1 %2 %3 will be removed.").arg(c.instruction, c.sinceText, c.dateText));
    if (c.minSize != 0)
        add(QStringLiteral("Only files larger than: ") + c.bytesText + QStringLiteral(" bytes will be checked."));
    out.append(QByteArray("Reclaim files in the following location (Including sub directories): ") + c.folder);
    add(QStringLiteral("Search Options:"));
    if (c.recycle)
        add(QStringLiteral("   Send all files to the Recycle Bin"));
    if (c.verify)
        add(QStringLiteral("   Bring up Verification Window"));
    if (c.ignoreHidden)
        add(QStringLiteral("   Ignore Hidden and System files"));
    if (c.ignoreHiddenDirs)
        add(QStringLiteral("   Ignore Hidden directories"));
    out.append(QByteArray());
    return out;
}

QStringList summaryLines(const SearchCounters& n)
{
    return {QStringLiteral("Files matching the specified file type(s): ") + numText(n.matched),
            QStringLiteral("Number of files checked: ") + numText(n.checked),
            QStringLiteral("Number of files removed: ") + numText(n.removed),
            QStringLiteral("Total bytes reclaimed: ") + numText(n.bytes)};
}

FileCaptions verifyCaptions(const FileSearchCriteria& c, const FileCheck& check, const FileInfo& info)
{
    FileCaptions out;
    out.lastUsed = c.criterion == Criterion::ModifiedOrCreated
                       ? QStringLiteral("...It Was Last Modified Or Created On ") + c.dateText
                       : QStringLiteral("...It Was Last Used On ") + check.lastUseText;
    out.bytes = QStringLiteral("...File Size Is ") + numText(info.size) + QStringLiteral(" Bytes");
    out.attribute = QStringLiteral("...It's ") + check.attributeText + QStringLiteral(" File");
    return out;
}

QStringList unattendedBlock(const FileSearchCriteria& c, const FileCheck& check, const FileInfo& info)
{
    return {c.criterion == Criterion::ModifiedOrCreated
                ? QStringLiteral("...It Was Last Modified Or Created On ") + check.modifiedText
                : QStringLiteral("...It Was Last Used On ") + check.lastUseText,
            QStringLiteral("...File Size is ") + numText(info.size) + QStringLiteral(" Bytes"),
            QStringLiteral("...It's ") + check.attributeText + QStringLiteral(" File")};
}

} // namespace bv
