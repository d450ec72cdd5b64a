#include "core/LocaleText.h"

#include <cmath>

namespace pellux {

namespace {

// Visits a Qt date/time format, calling \a token(start, length, letter) for each run
// of one letter outside quotes and \a literal(text) for everything else, in order.
template <typename Token, typename Literal>
void walkFormat(const QString &format, Token token, Literal literal)
{
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < n) {
                if (format.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && format.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = qMin(j + 1, n);
            literal(format.mid(i, end - i));
            i = end;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < n && format.at(j) == c)
                ++j;
            token(i, j - i, c);
            i = j;
        } else {
            literal(QString(c));
            ++i;
        }
    }
}

bool hasTwoDigitYear(const QString &format)
{
    bool two = false;
    walkFormat(
        format,
        [&](qsizetype, qsizetype length, QChar letter) {
            if (letter == QLatin1Char('y') && length == 2)
                two = true;
        },
        [](const QString &) {});
    return two;
}

} // namespace

QString TimeFormatWithoutZone(const QLocale &locale, QLocale::FormatType type)
{
    const QString format = locale.timeFormat(type);
    QString out;
    bool dropNextBlank = false;
    walkFormat(
        format,
        [&](qsizetype start, qsizetype length, QChar letter) {
            if (letter == QLatin1Char('t')) {
                // The blank that separated the zone from the rest goes with it.
                while (!out.isEmpty() && out.back().isSpace())
                    out.chop(1);
                dropNextBlank = out.isEmpty();
                return;
            }
            dropNextBlank = false;
            out += format.mid(start, length);
        },
        [&](const QString &text) {
            if (dropNextBlank && text.size() == 1 && text.at(0).isSpace())
                return;
            dropNextBlank = false;
            out += text;
        });
    return out.trimmed();
}

QString ShortDateFormat4(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    walkFormat(
        format,
        [&](qsizetype start, qsizetype length, QChar letter) {
            if (letter == QLatin1Char('y') && length != 4)
                out += QLatin1String("yyyy");
            else
                out += format.mid(start, length);
        },
        [&](const QString &text) { out += text; });
    return out;
}

LocaleForms::LocaleForms(const QLocale &l)
    : locale(l),
      longTime(TimeFormatWithoutZone(l, QLocale::LongFormat)),
      shortTime(TimeFormatWithoutZone(l, QLocale::ShortFormat)),
      date4(ShortDateFormat4(l)),
      shortDate(l.dateFormat(QLocale::ShortFormat)),
      shortDateTwoDigitYear(hasTwoDigitYear(shortDate))
{
}

std::optional<QDate> ParseShortDate(const QString &text, const QLocale &locale)
{
    return ParseShortDate(text, LocaleForms(locale));
}

std::optional<QDate> ParseShortDate(const QString &text, const LocaleForms &forms)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QDate date = forms.locale.toDate(t, forms.date4);
    if (date.isValid())
        return date;
    date = forms.locale.toDate(t, forms.shortDate);
    if (date.isValid()) {
        // Two-digit years as the desktop reads them: 00-29 this century, 30-99 the last.
        if (forms.shortDateTwoDigitYear && date.year() < 1930)
            date = date.addYears(100);
        return date;
    }
    date = QDate::fromString(t, Qt::ISODate);
    if (date.isValid())
        return date;
    return std::nullopt;
}

std::optional<double> ParseDecimalText(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok) {
        QLocale strict = locale;
        strict.setNumberOptions(QLocale::RejectGroupSeparator);
        v = strict.toDouble(t, &ok);
    }
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace pellux
