#pragma once

#include "core/NoteRecord.h"

#include <QString>
#include <optional>

namespace pellux {

/// "#RRGGBB" upper case; a system colour (top bit set) is written as "#000000".
QString ColorToHtml(ColorValue color);

/**
 * Reads characters 6-7 as blue, 4-5 as green and 2-3 as red (1-based), ignoring
 * the first character. Text that does not hold six hexadecimal digits there gives
 * nullopt (the caller keeps its default).
 */
std::optional<ColorValue> HtmlToColorChecked(const QString &text);
/// As HtmlToColorChecked, black for malformed text.
ColorValue HtmlToColor(const QString &text);

} // namespace pellux
