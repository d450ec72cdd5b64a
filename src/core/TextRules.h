#pragma once

#include <QLocale>
#include <QString>

namespace pellux {

/// "&" -> "&amp;", then ">" -> "&gt;", then "<" -> "&lt;".
QString XmlEscape(const QString &text);

/**
 * The title a dynamic-title note takes from its text (CR LF line breaks): the first
 * 64 characters, cut before the first CR, "..." when the text is longer, control
 * characters as blanks, "(Blank)" when nothing is left. A surrogate pair that the
 * 64-character cut would split is left out whole, so a title never ends in half a
 * character.
 */
QString DynamicTitle(const QString &text);

/// The value of one hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(QChar c);

/**
 * Each character's 8-bit code as two upper-case hex digits.
 *
 * A text with a character above 255 has no 8-bit form. Such a text is written as
 * the UTF-8 byte-order mark (EF BB BF) followed by the text's UTF-8 bytes, each byte
 * as two digits; so is a text that itself begins with the three characters
 * U+00EF U+00BB U+00BF, so that every text reads back exactly (half a surrogate
 * pair, which no keyboard types, has no UTF-8 form and comes back as "?"). All other
 * texts keep the one-byte-per-character form that stored values have always had.
 */
QString HexEncode(const QString &text);
/**
 * The reverse of HexEncode; a trailing odd digit or a non-hex pair is dropped.
 * Digits that begin with EF BB BF and whose remaining bytes are valid UTF-8 are
 * read as UTF-8; everything else gives one character per pair.
 */
QString HexDecode(const QString &text);

/// Plain-widget text ("\n") to note text (CR LF) and back. toCrLf leaves existing
/// CR LF pairs as they are (it never makes CR CR LF); a lone CR is kept.
QString toCrLf(const QString &plain);
QString fromCrLf(const QString &crlf);

/// " 1" style: one leading blank before a non-negative number.
QString BasicNumber(long long n);
/**
 * A point size as "12" or "8.25" with the locale's decimal sign, as a font size is
 * written: the float's value to 7 significant digits (so 10.1f is "10.1"), no
 * group separators, no exponent.
 */
QString PointSizeText(float size, const QLocale &locale = QLocale());

} // namespace pellux
