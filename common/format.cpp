// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/format.h"

#include <QLocale>

#include <cmath>

namespace bv {

QString numText(std::int64_t value)
{
    return value >= 0 ? QLatin1Char(' ') + QString::number(value) : QString::number(value);
}

QString formatPicture(double value, const QString& picture, const QLocale* locale)
{
    const QLocale loc = locale ? *locale : QLocale::system();
    const qsizetype point = picture.indexOf(QLatin1Char('.'));
    const QString intPart = point < 0 ? picture : picture.left(point);
    const QString fracPart = point < 0 ? QString() : picture.mid(point + 1);
    const bool grouping = intPart.contains(QLatin1Char(','));
    const int decimals = int(fracPart.size());
    int minIntDigits = 0;
    for (QChar c : intPart)
        if (c == QLatin1Char('0'))
            ++minIntDigits;

    const double scale = std::pow(10.0, decimals);
    const bool negative = value < 0;
    const double rounded = std::round(std::fabs(value) * scale); // half away from zero
    const auto whole = static_cast<unsigned long long>(rounded / scale);
    const auto frac = static_cast<unsigned long long>(std::llround(rounded - double(whole) * scale));

    QString digits = QString::number(whole);
    if (whole == 0 && minIntDigits == 0)
        digits.clear();
    while (digits.size() < minIntDigits)
        digits.prepend(QLatin1Char('0'));
    if (grouping && !digits.isEmpty()) {
        const QString sep = loc.groupSeparator();
        QString grouped;
        const qsizetype n = digits.size();
        for (qsizetype i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                grouped += sep;
            grouped += digits[i];
        }
        digits = grouped;
    }
    QString out = digits;
    if (decimals > 0) {
        out += loc.decimalPoint();
        out += QString::number(frac).rightJustified(decimals, QLatin1Char('0'));
    }
    if (negative && (whole != 0 || frac != 0))
        out.prepend(QLatin1Char('-'));
    return out;
}

QString logHeaderDate(const QDateTime& when)
{
    const QLocale c(QLocale::English, QLocale::UnitedStates);
    const QDate d = when.date();
    const QTime t = when.time();
    int hour = t.hour() % 12;
    if (hour == 0)
        hour = 12;
    return QStringLiteral("%1 %2 %3, %4  %5:%6 %7")
        .arg(c.dayName(d.dayOfWeek(), QLocale::LongFormat), c.monthName(d.month(), QLocale::LongFormat))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.year())
        .arg(hour)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

std::int64_t bankersRound(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value)); // default rounding mode: to even
}

std::int64_t bankersDivide(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    const std::int64_t r = a % b;
    if (2 * r > b || (2 * r == b && (q % 2) != 0))
        ++q;
    return q;
}

QString endSentence(const QString& reason)
{
    return reason.endsWith(QLatin1Char('.')) ? reason : reason + QLatin1Char('.');
}

QString shortDateText(const QDate& date, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(date, format);
}

QDate fileDay(const timespec& t)
{
    return QDateTime::fromSecsSinceEpoch(t.tv_sec, Qt::UTC).date();
}

const QStringList& searchPatternItems()
{
    static const QStringList items{
        QStringLiteral("*.art"), QStringLiteral("*.tif"), QStringLiteral("*.msg"), QStringLiteral("*.ram"),
        QStringLiteral("*.wdb"), QStringLiteral("*.xls"), QStringLiteral("*.dbf"), QStringLiteral("*.wks"),
        QStringLiteral("*.tmp"), QStringLiteral("*.bmp"), QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
        QStringLiteral("*.ico"), QStringLiteral("*.wmf"), QStringLiteral("*.txt"), QStringLiteral("*.doc"),
        QStringLiteral("*.wps"), QStringLiteral("*.scr"), QStringLiteral("*.hlp"), QStringLiteral("*.rtf"),
        QStringLiteral("*.wav"), QStringLiteral("*.mid"), QStringLiteral("*.bak"), QStringLiteral("*.html"),
        QStringLiteral("*.zip"), QStringLiteral("*.wri"), QStringLiteral("*.old"), QStringLiteral("*.avi"),
        QStringLiteral("*.mov"), QStringLiteral("*.snd"), QStringLiteral("*.voc"),
    };
    return items;
}

} // namespace bv
