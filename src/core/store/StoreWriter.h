#pragma once

#include "core/NoteRecord.h"
#include "core/store/StoreTextForms.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QLocale>
#include <QString>

namespace pellux {

/**
 * Writes the whole store: the comment "Pellux NoteData 4", CR LF, the root
 * "notedata" version "4" with one "note" per entry, CR LF. UTF-8, no declaration.
 * The text of a note keeps raw CR LF line breaks. Characters that XML 1.0 cannot
 * hold are written as blanks (see XmlSafeText).
 */
QByteArray WriteNoteStore(const QList<StoredNote> &notes, const PixelScale &scale,
                          const QLocale &locale = QLocale());

/**
 * The elements of a note as the store writer produces them, for the note windows
 * (GenFontXML, GenColorXML, the alarm and check-list item writers) and the
 * single-note files. Built by the same code as the store's own output.
 */
QDomElement FontElement(QDomDocument &doc, const NoteStyle &style, const QLocale &locale = QLocale());
QDomElement ColorElement(QDomDocument &doc, const NoteStyle &style);
QDomElement AlarmElement(QDomDocument &doc, const AlarmRecord &alarm, const QLocale &locale = QLocale());
QDomElement CheckListDataElement(QDomDocument &doc, const QList<CheckRow> &rows);
/// A whole "note" element, as one entry of the store.
QDomElement NoteElement(QDomDocument &doc, const StoredNote &note, const PixelScale &scale,
                        const QLocale &locale = QLocale());

/**
 * \a text with every character XML 1.0 cannot hold (control characters other than
 * tab, LF and CR; U+FFFE and U+FFFF; surrogates that are not part of a pair)
 * replaced by a blank. A note holding such a character (pasted from elsewhere,
 * say) must never make its store unreadable or its save fail; a blank keeps the
 * text's layout and length. Returns \a text itself when nothing needs replacing.
 */
QString XmlSafeText(const QString &text);

} // namespace pellux
