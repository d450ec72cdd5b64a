#pragma once

#include <QString>

namespace pellux {

/// "&" -> "&amp;", then ">" -> "&gt;", then "<" -> "&lt;".
QString XmlEscape(const QString &text);

/**
 * The title a dynamic-title note takes from its text (CR LF line breaks): the first
 * 64 characters, cut before the first CR, "..." when the text is longer, control
 * characters as blanks, "(Blank)" when nothing is left.
 */
QString DynamicTitle(const QString &text);

/// Each character's 8-bit code as two upper-case hex digits.
QString HexEncode(const QString &text);
/// The reverse of HexEncode; a trailing odd digit or a non-hex pair is dropped.
QString HexDecode(const QString &text);

/// Plain-widget text ("\n") to note text (CR LF) and back.
QString toCrLf(const QString &plain);
QString fromCrLf(const QString &crlf);

/// " 1" style: one leading blank before a non-negative number.
QString BasicNumber(long long n);
/// A point size as "12" or "8.25" with the locale's decimal sign, as a font size is written.
QString PointSizeText(float size);

} // namespace pellux
