#include "core/notefile/BinaryFields.h"

#include "core/notefile/Windows1252.h"

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace pellux {

namespace {

const QDate ZeroDate(1899, 12, 30);
// 1 January 100 and 31 December 9999, the range of the date kind.
constexpr double FirstDay = -657434.0;
constexpr double LastDay = 2958465.0;

template<typename T>
T readLittle(const char *p)
{
    return qFromLittleEndian<T>(p);
}

template<typename T>
void appendLittle(QByteArray &out, T value)
{
    char buf[sizeof(T)];
    qToLittleEndian<T>(value, buf);
    out.append(buf, qsizetype(sizeof(T)));
}

} // namespace

const char *ByteReader::take(qsizetype n)
{
    if (m_failedAt >= 0)
        return nullptr;
    if (n < 0 || n > m_data.size() - m_pos) {
        m_failedAt = m_pos;
        return nullptr;
    }
    const char *p = m_data.data() + m_pos;
    m_pos += n;
    return p;
}

qint16 ByteReader::int16()
{
    const char *p = take(2);
    return p ? readLittle<qint16>(p) : 0;
}

bool ByteReader::bool16()
{
    return int16() != 0;
}

quint8 ByteReader::byte()
{
    const char *p = take(1);
    return p ? quint8(*p) : 0;
}

qint32 ByteReader::int32()
{
    const char *p = take(4);
    return p ? readLittle<qint32>(p) : 0;
}

float ByteReader::float32()
{
    const char *p = take(4);
    return p ? std::bit_cast<float>(readLittle<quint32>(p)) : 0.0f;
}

double ByteReader::date()
{
    const char *p = take(8);
    return p ? std::bit_cast<double>(readLittle<quint64>(p)) : 0.0;
}

QString ByteReader::string()
{
    const qsizetype start = m_pos;
    const char *countBytes = take(2);
    if (!countBytes)
        return {};
    const qsizetype count = readLittle<quint16>(countBytes);
    const char *p = take(count);
    if (!p) {
        // The whole string is the field that does not fit: report where it began.
        m_pos = start;
        m_failedAt = start;
        return {};
    }
    return FromWindows1252(QByteArrayView(p, count));
}

QString ByteReader::fixedText(qsizetype n)
{
    const char *p = take(n);
    return p ? FromWindows1252(QByteArrayView(p, n)) : QString();
}

QByteArrayView ByteReader::bytes(qsizetype n)
{
    const char *p = take(n);
    return p ? QByteArrayView(p, n) : QByteArrayView();
}

void ByteWriter::int16(long long value)
{
    appendLittle<qint16>(m_out, qint16(std::clamp<long long>(value, -32768, 32767)));
}

void ByteWriter::bool16(bool value)
{
    appendLittle<qint16>(m_out, value ? qint16(-1) : qint16(0));
}

void ByteWriter::byte(quint8 value)
{
    m_out.append(char(value));
}

void ByteWriter::int32(qint32 value)
{
    appendLittle<qint32>(m_out, value);
}

void ByteWriter::float32(float value)
{
    appendLittle<quint32>(m_out, std::bit_cast<quint32>(value));
}

void ByteWriter::date(double value)
{
    appendLittle<quint64>(m_out, std::bit_cast<quint64>(value));
}

bool ByteWriter::string(QStringView text)
{
    const QByteArray bytes = ToWindows1252(text);
    if (bytes.size() > MaxStringBytes)
        return false;
    appendLittle<quint16>(m_out, quint16(bytes.size()));
    m_out.append(bytes);
    return true;
}

void ByteWriter::fixedText(QStringView text, qsizetype n)
{
    // Every unit (or surrogate pair) gives one byte, so this never exceeds n.
    const QByteArray bytes = ToWindows1252(text.left(n));
    m_out.append(bytes);
    m_out.append(n - bytes.size(), ' ');
}

QString WithoutTrailingBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1) == QLatin1Char(' ') || text.at(end - 1).isNull()))
        --end;
    return text.left(end);
}

bool IsUsableFontSize(float size)
{
    return std::isfinite(size) && size > 0.0f && size <= 1638.0f;
}

double OleDateValue(const QDate &date)
{
    return date.isValid() ? double(ZeroDate.daysTo(date)) : 0.0;
}

double OleTimeValue(const QTime &time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
}

std::optional<QDate> DateOfOleValue(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double days = std::trunc(value);
    if (days < FirstDay || days > LastDay)
        return std::nullopt;
    if (days == 0.0)
        return QDate();
    return ZeroDate.addDays(qint64(days));
}

std::optional<QTime> TimeOfOleValue(double value)
{
    if (!std::isfinite(value) || std::trunc(value) < FirstDay || std::trunc(value) > LastDay)
        return std::nullopt;
    const double fraction = std::fabs(value - std::trunc(value));
    // To the nearest second; a value a hair short of midnight is the next midnight.
    const long long seconds = std::llround(fraction * 86400.0) % 86400;
    return QTime(0, 0).addSecs(int(seconds));
}

} // namespace pellux
