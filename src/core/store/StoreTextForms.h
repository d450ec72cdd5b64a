#pragma once

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>
#include <optional>

namespace pellux {

/// The conversions the store needs from the screen: twips per pixel on each axis.
struct PixelScale
{
    int x = 15;
    int y = 15;
};

/// What the first line of a store file says it is.
enum class StoreFormat {
    Empty,          ///< no bytes at all (a byte-order mark alone counts as none)
    RecordStore30,  ///< "NoteFile 3.0"
    RecordStore31,  ///< "NoteFile 3.1"
    NoteData4,      ///< the XML store
    Unknown
};

/**
 * Decides the format from the first line of the file (up to the first CR or LF; a
 * byte-order mark is skipped): exactly "NoteFile 3.0" or "NoteFile 3.1" (nothing
 * after it, not even a blank), or anything containing "Pellux NoteData 4".
 */
StoreFormat DetectStoreFormat(const QByteArray &head);

/**
 * Alarm, font and colour elements as text forms (also used by single-note code).
 *
 * The time is written in the locale's long time format without a time-zone part
 * (en_US "3:15:00 PM"); a null time is written as midnight. The date is written in
 * the locale's short date format with a four-digit year (en_US "M/d/yyyy"); the
 * zero date (a null QDate, or 30 December 1899 itself) is written as the midnight
 * time text.
 */
QString AlarmTimeText(const QTime &time, const QLocale &locale = QLocale());
QString AlarmDateText(const QDate &date, const QLocale &locale = QLocale());
/// The locale's long and short time formats are tried, then "H:mm:ss" and "H:mm".
std::optional<QTime> ParseAlarmTime(const QString &text, const QLocale &locale = QLocale());
/**
 * A null QDate inside the optional is the zero date. Tried in turn: the written
 * form, the locale's own short format (two-digit years 00-29 are 2000-2029, 30-99
 * are 1930-1999), ISO "yyyy-MM-dd"; a time text with no date is the zero date.
 */
std::optional<QDate> ParseAlarmDate(const QString &text, const QLocale &locale = QLocale());

/// "True"/"False"; the reader accepts any letter case and numbers (0 false).
QString BoolWord(bool value);
std::optional<bool> ParseBoolWord(const QString &text);

/// Pixels as plain decimal with a fraction only when there is one ("." always).
/// A factor below 1 (no screen information) counts as 15, the factor at 96 DPI.
QString PixelNumber(int twips, int twipsPerPixel);
/// Pixel text to twips: nearest whole pixel (ties to even) times the factor. The
/// locale's decimal sign is accepted as well as "."; a result outside int is nullopt.
std::optional<int> ParsePixelNumber(const QString &text, int twipsPerPixel);

} // namespace pellux
