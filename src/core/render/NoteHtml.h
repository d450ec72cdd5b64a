#pragma once

#include "core/NoteRecord.h"

#include <QList>
#include <QLocale>
#include <QString>

namespace pellux {

/**
 * The forms a note leaves the program in besides the note file: the HTML table of
 * a text note or a check list (for the HTML file and HTML mail), and the texts of
 * the HTML and plain-text files. Sizes are point sizes in the locale's number form
 * ("8.25", "8,25"; a whole size without decimals). Texts are escaped with
 * XmlEscape; the font name, which the markup puts inside an attribute, is escaped
 * as well (real font names never change by it).
 */

/// Each of . / \ : * ? " < > | becomes a blank, then leading and trailing blanks go.
QString CleanFileName(const QString &text);

/// The HTML table of a text note: a title row and a body row in the note's style.
QString TextNoteHtml(const QString &title, const QString &text, const NoteStyle &style,
                     const QLocale &locale = QLocale());

/**
 * A whole HTML file around \a fragment: html, head with the title, body. The
 * title is written as it is (a browser shows it literally), except that a
 * "</title" inside it is escaped, so it cannot end the title early and put the
 * rest of it into the page as markup.
 */
QString HtmlFileText(const QString &title, const QString &fragment);

/// The text file of a text note: its text and CR LF.
QString TextNoteTextFile(const QString &text);

/// The HTML table of a check list: the title row, then one row per line with its box.
QString CheckListToHtml(const QString &title, const QList<CheckRow> &rows, const NoteStyle &style,
                        const QLocale &locale = QLocale());

/// The text file of a check list: each row's text and CR LF; no marks, no title.
QString CheckListTextFile(const QList<CheckRow> &rows);

/// The HTML file and the HTML table of a stored note, whichever kind it is.
QString NoteHtml(const StoredNote &note, const QLocale &locale = QLocale());
QString NoteHtmlFile(const StoredNote &note, const QLocale &locale = QLocale());
/// The plain-text file of a stored note, whichever kind it is.
QString NoteTextFile(const StoredNote &note);

} // namespace pellux
