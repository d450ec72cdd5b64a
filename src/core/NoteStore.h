#pragma once

#include "core/NoteRecord.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QLocale>
#include <QString>

namespace pellux {

/// The conversions the store needs from the screen: twips per pixel on each axis.
struct PixelScale
{
    int x = 15;
    int y = 15;
};

/// What the first line of a store file says it is.
enum class StoreFormat {
    Empty,          ///< no bytes at all
    RecordStore30,  ///< "NoteFile 3.0"
    RecordStore31,  ///< "NoteFile 3.1"
    NoteData4,      ///< the XML store
    Unknown
};

/// Decides the format from the start of the file (a byte-order mark is skipped).
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
    bool ok = false;            ///< false: the document is unreadable (not well formed, no root)
    QString error;              ///< why, when !ok
    QList<StoredNote> notes;    ///< in document order; skipped notes are not here
    QList<SkippedNote> skipped;
};

/**
 * Reads an XML note store. Every field falls back to \a defaults (or to an empty
 * alarm, or to "the window keeps its default" for geometry) when missing or
 * malformed; a note of unknown type is skipped and reported. Never throws.
 */
StoreReadResult ReadNoteStore(const QByteArray &document, const PixelScale &scale,
                              const NoteDefaults &defaults, const QLocale &locale = QLocale());

/**
 * Writes the whole store: the comment "Pellux NoteData 4", CR LF, the root
 * "notedata" version "4" with one "note" per entry, CR LF. UTF-8, no declaration.
 */
QByteArray WriteNoteStore(const QList<StoredNote> &notes, const PixelScale &scale,
                          const QLocale &locale = QLocale());

/// Alarm, font and colour elements as text forms (also used by single-note code).
QString AlarmTimeText(const QTime &time, const QLocale &locale = QLocale());
QString AlarmDateText(const QDate &date, const QLocale &locale = QLocale());
std::optional<QTime> ParseAlarmTime(const QString &text, const QLocale &locale = QLocale());
/// A null QDate inside the optional is the zero date.
std::optional<QDate> ParseAlarmDate(const QString &text, const QLocale &locale = QLocale());

/// "True"/"False"; the reader accepts any letter case and numbers (0 false).
QString BoolWord(bool value);
std::optional<bool> ParseBoolWord(const QString &text);

/// Pixels as plain decimal with a fraction only when there is one.
QString PixelNumber(int twips, int twipsPerPixel);
/// Pixel text to twips: nearest whole pixel (ties to even) times the factor.
std::optional<int> ParsePixelNumber(const QString &text, int twipsPerPixel);

} // namespace pellux
