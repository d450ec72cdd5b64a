#pragma once

#include "core/NoteRecord.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QIODevice>
#include <QList>
#include <QLocale>
#include <QString>
#include <optional>

namespace pellux {

/// The conversions the store needs from the screen: twips per pixel on each axis.
struct PixelScale
{
    int x = 15;
    int y = 15;
};

/// What the first line of a store file says it is.
enum class StoreFormat {
    Empty,          ///< no bytes at all (a byte-order mark alone counts as none)
    RecordStore30,  ///< "NoteFile 3.0"
    RecordStore31,  ///< "NoteFile 3.1"
    NoteData4,      ///< the XML store
    Unknown
};

/**
 * Decides the format from the first line of the file (up to the first CR or LF; a
 * byte-order mark is skipped): exactly "NoteFile 3.0" or "NoteFile 3.1" (nothing
 * after it, not even a blank), or anything containing "Pellux NoteData 4".
 */
StoreFormat DetectStoreFormat(const QByteArray &head);

/// One note the reader could not take, with the reason, for the message to the user.
struct SkippedNote
{
    int position = 0;       ///< 1-based position of the element in the store
    QString title;
    QString reason;
};

struct StoreReadResult
{
    bool ok = false;            ///< false: the document is unreadable (not well formed, no root, too deep)
    QString error;              ///< why, when !ok
    QList<StoredNote> notes;    ///< in document order; skipped notes are not here
    QList<SkippedNote> skipped;
};

/**
 * Reads an XML note store. Every field falls back to \a defaults (or to an empty
 * alarm, to "visible", or to "the window keeps its default" for geometry) when
 * missing or malformed; a missing title becomes the dynamic title of the note's
 * content. A note of unknown type, or a root child that is no "note", is skipped
 * and reported; the other notes load. A document that is not well formed, has no
 * "notedata" root or is nested more than 64 levels deep gives ok = false. Never
 * throws.
 */
StoreReadResult ReadNoteStore(const QByteArray &document, const PixelScale &scale,
                              const NoteDefaults &defaults, const QLocale &locale = QLocale());

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

/**
 * Alarm, font and colour elements as text forms (also used by single-note code).
 *
 * The time is written in the locale's long time format without a time-zone part
 * (en_US "3:15:00 PM"); a null time is written as midnight. The date is written in
 * the locale's short date format with a four-digit year (en_US "M/d/yyyy"); the
 * zero date (a null QDate, or 30 December 1899 itself) is written as the midnight
 * time text.
 */
QString AlarmTimeText(const QTime &time, const QLocale &locale = QLocale());
QString AlarmDateText(const QDate &date, const QLocale &locale = QLocale());
/// The locale's long and short time formats are tried, then "H:mm:ss" and "H:mm".
std::optional<QTime> ParseAlarmTime(const QString &text, const QLocale &locale = QLocale());
/**
 * A null QDate inside the optional is the zero date. Tried in turn: the written
 * form, the locale's own short format (two-digit years 00-29 are 2000-2029, 30-99
 * are 1930-1999), ISO "yyyy-MM-dd"; a time text with no date is the zero date.
 */
std::optional<QDate> ParseAlarmDate(const QString &text, const QLocale &locale = QLocale());

/// "True"/"False"; the reader accepts any letter case and numbers (0 false).
QString BoolWord(bool value);
std::optional<bool> ParseBoolWord(const QString &text);

/// Pixels as plain decimal with a fraction only when there is one ("." always).
/// A factor below 1 (no screen information) counts as 15, the factor at 96 DPI.
QString PixelNumber(int twips, int twipsPerPixel);
/// Pixel text to twips: nearest whole pixel (ties to even) times the factor. The
/// locale's decimal sign is accepted as well as "."; a result outside int is nullopt.
std::optional<int> ParsePixelNumber(const QString &text, int twipsPerPixel);

} // namespace pellux
