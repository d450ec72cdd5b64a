#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace pellux {

/**
 * The locale's time format (long or short) without its time-zone part. Times the
 * program stores are times of day on the local clock; a zone name would only make
 * the text harder to read back (en_US long: "h:mm:ss AP").
 */
QString TimeFormatWithoutZone(const QLocale &locale, QLocale::FormatType type = QLocale::LongFormat);

/// The locale's short date format with the year widened to four digits (en_US "M/d/yyyy").
QString ShortDateFormat4(const QLocale &locale);

/// The date and time formats of one locale, worked out once for many values.
struct LocaleForms
{
    explicit LocaleForms(const QLocale &locale);
    QLocale locale;
    QString longTime;           ///< TimeFormatWithoutZone(Long)
    QString shortTime;          ///< TimeFormatWithoutZone(Short)
    QString date4;              ///< ShortDateFormat4
    QString shortDate;          ///< the locale's own short date format
    bool shortDateTwoDigitYear = false;
};

/**
 * A date in the forms the program writes or a user's desktop may have written:
 * the four-digit short format, the locale's own short format (two-digit years
 * 00-29 are 2000-2029, 30-99 are 1930-1999, as the desktop reads them), then ISO
 * "yyyy-MM-dd". nullopt when none fits.
 */
std::optional<QDate> ParseShortDate(const QString &text, const QLocale &locale);
std::optional<QDate> ParseShortDate(const QString &text, const LocaleForms &forms);

/**
 * A decimal number written with "." or with the locale's decimal sign; group
 * separators are refused (so "1,5" is not fifteen in English). Infinite and NaN
 * values are refused.
 */
std::optional<double> ParseDecimalText(const QString &text, const QLocale &locale);

} // namespace pellux
