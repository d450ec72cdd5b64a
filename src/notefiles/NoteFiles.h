#pragma once

#include <QString>
#include <QStringList>

namespace pellux {

class Program;

/**
 * A note in a file of its own: the single-note file (".NoteFile") written and read
 * back, and the "&Save Note To File..." command of both kinds with its three forms
 * (text, HTML, note file). The formats themselves are core's; this is the windows'
 * side: which note, which file, what to ask and what to tell.
 */
namespace NoteFiles {

/// The save dialog's filters, in the order whose positions the command relies on.
QStringList SaveFilters();
/// Positions (1-based) of the save dialog's filters.
enum SaveFilter { TextFilter = 1, HtmlFilter = 2, NoteFileFilter = 3, AllFilesFilter = 4 };

/**
 * Writes the note in \a slot to \a path as a single-note file. Characters the file
 * cannot carry are named first, and the user may stop there. A file that cannot be
 * written is reported with the system's reason; an existing file at \a path is then
 * left whole. True when the file was written.
 */
bool SaveNoteFile(Program &program, const QString &path, int slot);

/**
 * Imports every note of the single-note file \a path: each is added as a new note,
 * centred and shown, or (asked first) replaces the open note with its identifier.
 * The password a file may carry is never applied. The notes read before a damaged
 * record stay. False when the file could not be read (the user has been told).
 */
bool LoadNoteFile(Program &program, const QString &path);

/// "&Save Note To File..." of a text note: text, HTML or note file, chosen in the save dialog.
void ExportTextNote(Program &program, int slot);
/// "&Save Note To File..." of a check list: the rows as text, HTML or a note file.
void SaveCheckListToFile(Program &program, int slot);

/// The largest file the import reads; nothing the program writes comes near it.
inline constexpr qint64 MaxNoteFileBytes = 64 * 1024 * 1024;

} // namespace NoteFiles
} // namespace pellux
