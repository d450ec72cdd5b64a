#include "notefiles/NoteFilesFeature.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "notefiles/NoteFiles.h"

namespace pellux {

void InstallNoteFiles(Program &program)
{
    Commands &hub = program.hub();
    hub.provide(Feature::SaveNoteToFile, [&program](int slot) {
        const NoteEntry *entry = program.notes().entry(slot);
        if (!entry || !entry->window)
            return;
        if (entry->kind == NoteKind::CheckList)
            NoteFiles::SaveCheckListToFile(program, slot);
        else
            NoteFiles::ExportTextNote(program, slot);
    });
    hub.provideNoteFileImport([&program](const QString &path) { return NoteFiles::LoadNoteFile(program, path); });
}

} // namespace pellux
