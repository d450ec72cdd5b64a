#include "core/TextRules.h"

#include <QStringDecoder>

#include <cmath>

namespace pellux {

int HexDigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

QString XmlEscape(const QString &text)
{
    // "&" first, so the entities made afterwards are not escaped a second time.
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    return out;
}

QString DynamicTitle(const QString &text)
{
    QString t = text.left(64);
    if (t.size() == 64 && t.back().isHighSurrogate())
        t.chop(1);
    const qsizetype cr = t.indexOf(QLatin1Char('\r'));
    if (cr >= 0)
        t.truncate(cr);
    if (text.size() > t.size())
        t += QLatin1String("...");
    for (QChar &c : t) {
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    }
    if (t.isEmpty())
        t = QStringLiteral("(Blank)");
    return t;
}

namespace {

const char HexDigits[] = "0123456789ABCDEF";
// Marks the UTF-8 form of HexEncode: the UTF-8 byte-order mark.
const QLatin1String Utf8Marker("\xEF\xBB\xBF");

void appendHexByte(QString &out, uint byte)
{
    out += QLatin1Char(HexDigits[(byte >> 4) & 0xF]);
    out += QLatin1Char(HexDigits[byte & 0xF]);
}


} // namespace

QString HexEncode(const QString &text)
{
    bool fitsLatin1 = true;
    for (QChar c : text) {
        if (c.unicode() > 0xFF) {
            fitsLatin1 = false;
            break;
        }
    }
    // A Latin-1 text that happens to start like the marker is written in the UTF-8 form
    // too; otherwise it would be mistaken for one on reading.
    if (fitsLatin1 && !text.startsWith(Utf8Marker)) {
        QString out;
        out.reserve(text.size() * 2);
        for (QChar c : text)
            appendHexByte(out, c.unicode());
        return out;
    }
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QString out;
    out.reserve(bytes.size() * 2);
    for (char b : bytes)
        appendHexByte(out, uchar(b));
    return out;
}

QString HexDecode(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int hi = HexDigitValue(text.at(i));
        const int lo = HexDigitValue(text.at(i + 1));
        if (hi < 0 || lo < 0)
            continue;
        bytes.append(char(hi * 16 + lo));
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const QByteArray rest = bytes.mid(3);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(rest);
        if (!decoder.hasError())
            return decoded;
    }
    return QString::fromLatin1(bytes);
}

QString toCrLf(const QString &plain)
{
    // One pass: every LF not already preceded by CR gets one. Texts of several
    // kilobytes pass through here on every load.
    const qsizetype n = plain.size();
    const QChar *p = plain.constData();
    qsizetype bare = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == QLatin1Char('\n') && (i == 0 || p[i - 1] != QLatin1Char('\r')))
            ++bare;
    }
    if (bare == 0)
        return plain;
    QString out;
    out.reserve(n + bare);
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == QLatin1Char('\n') && (i == 0 || p[i - 1] != QLatin1Char('\r'))) {
            out.append(p + from, i - from);
            out.append(QLatin1String("\r\n"));
            from = i + 1;
        }
    }
    out.append(p + from, n - from);
    return out;
}

QString fromCrLf(const QString &crlf)
{
    QString out = crlf;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out;
}

QString BasicNumber(long long n)
{
    return n >= 0 ? QLatin1Char(' ') + QString::number(n) : QString::number(n);
}

QString PointSizeText(float size, const QLocale &locale)
{
    const double v = size;
    if (!std::isfinite(v))
        return QStringLiteral("0");
    QString text = QString::number(v, 'g', 7);
    if (text.contains(QLatin1Char('e'))) {
        // Sizes far outside any real font: still plain decimal, never an exponent.
        text = QString::number(v, 'f', 10);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

} // namespace pellux
