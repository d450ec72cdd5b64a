#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace pellux {

/**
 * The 8-bit text of the binary note formats. Note files and old stores come from
 * and go to the Windows program, whose text is in the Western code page
 * Windows-1252; its byte-to-character mapping is taken from the system's ICU
 * converter, not from a table of our own. The five bytes the code page leaves
 * undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the
 * same value, as Windows itself maps them, so every byte reads back exactly.
 */

/// Whether the system's converter for Windows-1252 was found. Without it the text is
/// read as Latin-1, which differs in 0x80-0x9F (the euro sign, curly quotes, ...).
bool Windows1252Available();

/// One character per byte.
QString FromWindows1252(QByteArrayView bytes);

/**
 * One byte per character. A character the code page cannot carry becomes "?", as
 * it does in the Windows program; a surrogate pair (an emoji, say) is one
 * character and becomes one "?". Check Windows1252Unrepresentable first so the
 * user can be told.
 */
QByteArray ToWindows1252(QStringView text);

/**
 * The characters of \a text that ToWindows1252 would turn into "?", each once, in
 * the order of their first appearance; a surrogate pair is one entry. Empty when
 * the text can be written as it is.
 */
QStringList Windows1252Unrepresentable(QStringView text);

/**
 * A text file read into a note: UTF-8 when it starts with the UTF-8 byte-order
 * mark (which is dropped) or is valid UTF-8 throughout; otherwise Windows-1252,
 * the form files of the Windows program have. A file of plain ASCII reads the same
 * either way.
 */
QString DecodeTextFile(QByteArrayView bytes);

} // namespace pellux
