#include "notes/TextNotesFeature.h"

#include "app/Program.h"
#include "notes/NoteProc.h"
#include "notes/TextNoteProt.h"

namespace pellux {

void InstallTextNotes(Program &program)
{
    NoteKindProcs procs;
    procs.fromStored = [](Program &p, const StoredNote &note, int slot) -> NoteWindow * {
        return NoteProc::TextNoteFromStored(p, note, slot);
    };
    procs.create = [](Program &p, QString &title) { return NoteProc::NewTextNote(p, title); };
    program.registerNoteKind(NoteKind::TextNote, std::move(procs));
}

} // namespace pellux
