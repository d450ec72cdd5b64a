#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>
#include <optional>

namespace pellux {

/**
 * The field kinds of the binary note formats: little-endian, no padding. Text is
 * Windows-1252 (see Windows1252.h).
 *
 *   int16, int32   signed          bool16   -1 true, 0 false (any non-zero reads true)
 *   byte           unsigned        float32  IEEE single
 *   date           IEEE double: days since 30 December 1899, the fraction the time
 *   string         16-bit unsigned byte count, then the bytes
 *   fixed text n   exactly n bytes, blank-padded
 */

/**
 * Reads fields from a byte buffer without ever reading past its end. The first
 * read that does not fit fails the reader: it returns a zero value, the position
 * stays where that read began (failedAt), and every later read fails the same way,
 * so a caller may read a whole record and check ok() once.
 */
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView data) : m_data(data) {}

    qsizetype position() const { return m_pos; }
    qsizetype size() const { return m_data.size(); }
    qsizetype remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    bool ok() const { return m_failedAt < 0; }
    /// Where the read that ran past the end began; -1 while ok().
    qsizetype failedAt() const { return m_failedAt; }

    qint16 int16();
    bool bool16();
    quint8 byte();
    qint32 int32();
    float float32();
    double date();
    /// A counted string; a count beyond the end fails the reader and consumes nothing.
    QString string();
    /// Exactly \a n bytes as text, padding included.
    QString fixedText(qsizetype n);
    /// The next \a n bytes as they are.
    QByteArrayView bytes(qsizetype n);
    void skip(qsizetype n) { take(n); }

private:
    const char *take(qsizetype n);

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    qsizetype m_failedAt = -1;
};

/// Appends fields to a byte buffer.
class ByteWriter
{
public:
    /// The longest text a counted string can hold, in bytes (one byte per character).
    static constexpr qsizetype MaxStringBytes = 65535;

    explicit ByteWriter(QByteArray &out) : m_out(out) {}

    /// Values outside -32768..32767 are clamped to the nearest end, never wrapped.
    void int16(long long value);
    void bool16(bool value);
    void byte(quint8 value);
    void int32(qint32 value);
    void float32(float value);
    void date(double value);
    /// Writes nothing and returns false when the text takes more than MaxStringBytes.
    bool string(QStringView text);
    /// The first \a n characters of \a text, blank-padded to exactly \a n bytes.
    void fixedText(QStringView text, qsizetype n);
    void raw(QByteArrayView bytes) { m_out.append(bytes); }

private:
    QByteArray &m_out;
};

/// A fixed or counted text without its trailing blanks; NUL counts as a blank, as a
/// field that was never written is all NUL.
QString WithoutTrailingBlanks(const QString &text);

/// Whether a stored point size is one a font can have (above 0, up to 1638).
bool IsUsableFontSize(float size);

/**
 * Conversions between the date kind and the alarm's date and time. The date kind
 * covers the years 100 to 9999; anything else (and NaN or infinity) reads as
 * nullopt. A time is taken from the fraction alone (to the nearest second) and a
 * date from the whole days alone, so a time-only value reads as the zero date and
 * midnight as a whole-day value. Before 1899 the fraction counts forward from
 * midnight although the days count backwards (-1.25 is 29 December, 6:00).
 */
double OleDateValue(const QDate &date);             ///< a null date is the zero date, 0
double OleTimeValue(const QTime &time);             ///< a null time is midnight, 0
/// A null QDate inside the optional is the zero date (30 December 1899).
std::optional<QDate> DateOfOleValue(double value);
std::optional<QTime> TimeOfOleValue(double value);

} // namespace pellux
