#pragma once

#include "core/NoteRecord.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <memory>
#include <optional>

class QTextDocument;

namespace pellux {

/// How a check list's boxes are drawn on paper.
enum class CheckMarks {
    /// Wingdings: character 254 (a ticked box) and "o" (an empty box).
    Wingdings,
    /// Where Wingdings is not installed those would print as "þ" and "o": the ballot
    /// boxes U+2611 and U+2610 of the note's font say the same.
    BallotBoxes,
};

/// Wingdings when the system has the font, the ballot boxes otherwise.
CheckMarks CheckMarksOfThisSystem();

/**
 * The page of a text note: unless \a dynamicTitle, a heading of the title and ":" in
 * the note's font two points larger and bold, then an empty line; the text in the
 * note's font (name, size, bold, italic, underline; neither strike-through nor
 * colours); with \a printedOn an empty line and "Printed on: " + the date (short
 * form) + " at " + the time (long form) + ".".
 */
std::unique_ptr<QTextDocument> TextNotePrintDocument(const QString &title, const QString &text,
                                                     const NoteStyle &style, bool dynamicTitle,
                                                     const std::optional<QDateTime> &printedOn,
                                                     const QLocale &locale = QLocale());

/**
 * The page of a check list: the heading as for text notes, then per row its mark
 * (never struck through), a tab and the row text in the note's font, struck through
 * when the row is checked; with \a printedOn an empty line and "Printed on " + the
 * date + " at " + the time + "." (both short forms), not struck through.
 */
std::unique_ptr<QTextDocument> CheckListPrintDocument(const QString &title, const QList<CheckRow> &rows,
                                                      const NoteStyle &style,
                                                      const std::optional<QDateTime> &printedOn,
                                                      CheckMarks marks = CheckMarks::Wingdings,
                                                      const QLocale &locale = QLocale());

} // namespace pellux
