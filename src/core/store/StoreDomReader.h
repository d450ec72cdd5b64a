#pragma once

#include "core/NoteRecord.h"
#include "core/store/StoreReadResult.h"
#include "core/store/StoreTextForms.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QLocale>
#include <QString>
#include <optional>

namespace pellux {

/**
 * The store parsed into a DOM, for a loader that walks it note by note: the
 * document and its "notedata" root, or why it is unreadable (not well formed, no
 * root, or nested far deeper than any store: the DOM parser's time grows with the
 * square of the depth, so such a document is refused before parsing).
 */
struct StoreDocument
{
    QDomDocument document;
    QDomElement root;       ///< null when unreadable
    QString error;
    bool ok() const { return !root.isNull(); }
};
StoreDocument ParseStoreDocument(const QByteArray &bytes);

/**
 * The same reader over the DOM parser (ParseStoreDocument). ReadNoteStore streams
 * through the document with expat instead, about six times faster, and leaves to
 * this reader every document it does not take whole; the two give the same result
 * for every document (the tests hold them to it).
 */
StoreReadResult ReadNoteStoreThroughDom(const QByteArray &document, const PixelScale &scale,
                                        const NoteDefaults &defaults, const QLocale &locale = QLocale());

/**
 * Reads one "note" element as the loader walks the store note by note. Fields fall
 * back as in ReadNoteStore. An element that is not a "note", or whose "type" is
 * none of "TextNote", "TextNote30", "CheckList", "CheckList30", gives nullopt and,
 * when \a skipReason is given, a sentence naming what was wrong.
 */
std::optional<StoredNote> ReadNoteElement(const QDomElement &note, const PixelScale &scale,
                                          const NoteDefaults &defaults,
                                          const QLocale &locale = QLocale(),
                                          QString *skipReason = nullptr);

/**
 * The alarm of a "note" element (its "pelluxalarm" child); the empty alarm when
 * there is none. A field that is missing or malformed takes the empty alarm's
 * value, and an alarm that can no longer say when it fires (its time, or the date
 * of a once-alarm, or the weekdays of a repeating one, unreadable) is disabled
 * rather than left to fire at a guessed moment.
 */
AlarmRecord ReadAlarmElement(const QDomElement &note, const QLocale &locale = QLocale());

} // namespace pellux
