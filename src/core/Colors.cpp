#include "core/Colors.h"

#include "core/TextRules.h"

namespace pellux {

namespace {

int hexPair(const QString &text, int index)
{
    const int hi = HexDigitValue(text.at(index));
    const int lo = HexDigitValue(text.at(index + 1));
    return (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
}

} // namespace

QString ColorToHtml(ColorValue color)
{
    // A system colour has no fixed RGB of its own; the store has always written it as black.
    if (color < 0)
        return QStringLiteral("#000000");
    static const char digits[] = "0123456789ABCDEF";
    const quint32 c = quint32(color);
    QString out(7, QLatin1Char('#'));
    const int channels[3] = {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
    for (int i = 0; i < 3; ++i) {
        out[1 + 2 * i] = QLatin1Char(digits[channels[i] >> 4]);
        out[2 + 2 * i] = QLatin1Char(digits[channels[i] & 0xF]);
    }
    return out;
}

std::optional<ColorValue> HtmlToColorChecked(const QString &text)
{
    // The first character is not looked at (it is normally "#"), but the colour must be
    // exactly six hexadecimal digits after it: anything else is a damaged value.
    const QString t = text.trimmed();
    if (t.size() != 7)
        return std::nullopt;
    const int r = hexPair(t, 1);
    const int g = hexPair(t, 3);
    const int b = hexPair(t, 5);
    if (r < 0 || g < 0 || b < 0)
        return std::nullopt;
    return ColorValue(r | (g << 8) | (b << 16));
}

ColorValue HtmlToColor(const QString &text)
{
    return HtmlToColorChecked(text).value_or(0);
}

} // namespace pellux
