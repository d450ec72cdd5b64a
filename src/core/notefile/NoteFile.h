#pragma once

#include "core/NoteRecord.h"
#include "core/store/StoreTextForms.h"
#include "core/notefile/BinaryFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace pellux {

/**
 * The binary note formats: the single-note file (".NoteFile") and the record store
 * it shares its layout with ("NoteFile 3.0" in twips, "NoteFile 3.1" in pixels).
 * A file is a first line, CR LF, then for each note a note record and its body.
 * Everything here works on bytes and plain records; opening, asking and placing
 * windows is the callers' business.
 */

inline constexpr char NoteFileHeader[] = "NoteFile 3.0\r\n";

/// Whether \a path names a single-note file: it ends in ".NoteFile", in any letter case.
bool IsNoteFileName(const QString &path);
inline constexpr char RecordStorePixelsHeader[] = "NoteFile 3.1\r\n";

/// The note record, the fields every note carries ahead of its body.
struct NoteFileRecord
{
    QString title;
    qint16 top = 0;             ///< twips ("3.1": pixels); a single-note file's reader ignores it
    qint16 left = 0;
    bool visible = true;
    qint16 width = 0;           ///< twips ("3.1": pixels)
    qint16 height = 0;          ///< the unrolled height when roll-up is on
    QString password;           ///< the 12-character field as read, padding included
    AlarmRecord alarm;
    QString reserved;
    QString nid;
    QString type;               ///< "TextNote30" or "CheckList30"

    bool operator==(const NoteFileRecord &) const = default;
};

/// A check list as the binary body carries it: the style of its first row, two ticks, the rows.
struct CheckListRecord
{
    NoteStyle style;
    bool onTop = false;
    bool rollUp = false;
    QList<CheckRow> rows;       ///< never empty once read

    bool operator==(const CheckListRecord &) const = default;
};

/**
 * Readers of one part each. They read the fields in order and leave the reader
 * failed (see ByteReader) when the data ends inside them; what they return then is
 * incomplete and must not be used. An alarm whose time, or whose date for a
 * once-alarm, is no date value at all comes back disabled rather than firing at a
 * guessed moment. A font size that is no real size (NaN, not above 0, above 1638)
 * takes \a defaults' size.
 */
NoteFileRecord ReadNoteRecord(ByteReader &in);
TextNoteRecord ReadTextNoteBody(ByteReader &in, const NoteStyle &defaults = {});
/// Reads row records up to the one marked last; \a failedRow gets the 1-based row
/// whose record the data ended in.
CheckListRecord ReadCheckListBody(ByteReader &in, const NoteStyle &defaults = {}, int *failedRow = nullptr);

/**
 * Writers of one part each. A text longer than a counted string can hold
 * (ByteWriter::MaxStringBytes) makes them return false and set \a error to a
 * sentence naming the field; the caller must then drop what was written. A check
 * list without rows is written with one empty row, as a check list always has one.
 */
bool WriteNoteRecord(ByteWriter &out, const NoteFileRecord &record, QString *error = nullptr);
bool WriteTextNoteBody(ByteWriter &out, const TextNoteRecord &body, QString *error = nullptr);
bool WriteCheckListBody(ByteWriter &out, const CheckListRecord &body, QString *error = nullptr);

/// The binary forms of a stored note, and back.
TextNoteRecord TextNoteRecordOf(const StoredNote &note);
CheckListRecord CheckListRecordOf(const StoredNote &note);
/**
 * The note record of \a note for a single-note file: the type as "TextNote30" or
 * "CheckList30", width and height in twips clamped to the int16 range (a missing
 * one is 0), top and left 0 (the reader does not use them), the first 12
 * characters of \a password blank-padded.
 */
NoteFileRecord NoteFileRecordOf(const StoredNote &note, const QString &password);

/// A note read from a binary file, with the password the file carried (never stored).
struct ImportedNote
{
    StoredNote note;
    /// Trailing blanks removed; twelve NUL bytes (a file without one) read as empty.
    QString password;

    bool operator==(const ImportedNote &) const = default;
};

enum class BinaryReadStatus {
    Complete,       ///< every record read
    Empty,          ///< no bytes at all: nothing to read, nothing wrong
    WrongHeader,    ///< the first line is not this format's; nothing read
    Damaged         ///< the notes before the failing record are in \c notes
};

struct BinaryReadResult
{
    BinaryReadStatus status = BinaryReadStatus::Complete;
    /// In file order. A record with a blank title is left out (its body is skipped with
    /// it), so entry i is the i-th note a loader puts in a slot.
    QList<ImportedNote> notes;
    int failedRecord = 0;       ///< Damaged: 1-based position of the failing record in the file
    qsizetype failedAt = -1;    ///< Damaged: the byte offset where reading stopped
    QString error;              ///< Damaged: what was wrong, a sentence naming the record

    bool complete() const { return status == BinaryReadStatus::Complete || status == BinaryReadStatus::Empty; }
};

/**
 * Reads a whole single-note file: "NoteFile 3.0" CR LF, then notes to the end.
 * The notes' width and height are taken from the file (a value not above 0 is left
 * empty), top and left are left empty, visibility and identifier are as read (an
 * empty identifier stays empty for the caller to fill). A record of an unknown
 * note type, or one the file ends inside, ends the read as Damaged.
 */
BinaryReadResult ReadNoteFile(QByteArrayView bytes, const NoteDefaults &defaults = {});

/**
 * Reads an old record store: "NoteFile 3.0" (twips) or "NoteFile 3.1" (pixels,
 * converted with \a scale; a factor below 1 counts as 15) CR LF, then notes to the
 * end. Top and left are real positions here. A width or height not above 0 is left
 * empty, so the window keeps its default size (a check list stored with height 0
 * gets its default size that way). The first line must be followed by CR LF, as the
 * Windows program always wrote it: a file whose line break was rewritten has had
 * its binary records damaged the same way, so it is WrongHeader, not read.
 */
BinaryReadResult ReadRecordStore(QByteArrayView bytes, const PixelScale &scale,
                                 const NoteDefaults &defaults = {});

/// The whole single-note file of one note, or why it cannot be written.
struct NoteFileBytes
{
    QByteArray bytes;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

/**
 * A single-note file holding \a note. The program always passes a blank
 * \a password: passwords are never written in clear. Fails (no bytes) for a note
 * of unknown type or a text too long for the format. Characters Windows-1252 cannot
 * carry are written as "?": ask UnrepresentableInNoteFile first.
 */
NoteFileBytes WriteNoteFile(const StoredNote &note, const QString &password = QString());

/// Every character of the note's texts (title, text or rows, font name, sound,
/// identifier) that a single-note file would turn into "?", each once.
QStringList UnrepresentableInNoteFile(const StoredNote &note);

} // namespace pellux
