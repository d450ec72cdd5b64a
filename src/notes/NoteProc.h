#pragma once

#include "core/NoteRecord.h"

#include <QDomElement>
#include <QString>

namespace pellux {

class Program;
class TextNoteProt;

/// The text-note procedures: they act on a note through its slot; slot 0 is the panel's sample.
namespace NoteProc {

/// Asks for a title (unless dynamic titles are the default) and creates a text note.
/// \a title holds the final title on return; false when nothing was created.
bool NewTextNote(Program &program, QString &title);
TextNoteProt *TextNoteFromRecord(Program &program, const TextNoteRecord &record, int slot, const QString &title);
TextNoteRecord TextNoteToRecord(Program &program, int slot);
/// Rebuilds a text note from a store "note" element (the caller sets geometry, identifier, alarm).
TextNoteProt *TextNoteFromXml(Program &program, const QDomElement &note, int slot);
/// The same from a note the store reader has already read.
TextNoteProt *TextNoteFromStored(Program &program, const StoredNote &note, int slot);
void RetitleTextNote(Program &program, int slot);
void PickTextColor(Program &program, int slot);
void PickBackColor(Program &program, int slot);
void PickNoteFont(Program &program, int slot);
/// Reads a text file into the note (asks first when the note has text); an empty name asks for one.
void ReadIntoTextNote(Program &program, int slot, const QString &fileName);

} // namespace NoteProc
} // namespace pellux
