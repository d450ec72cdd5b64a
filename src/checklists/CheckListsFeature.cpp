#include "checklists/CheckListsFeature.h"

#include "app/Program.h"
#include "checklists/CheckListProc.h"
#include "checklists/CheckListProt.h"

namespace pellux {

void InstallCheckLists(Program &program)
{
    NoteKindProcs procs;
    procs.fromStored = [](Program &p, const StoredNote &note, int slot) -> NoteWindow * {
        return CheckListProc::CheckListFromStored(p, note, slot);
    };
    procs.create = [](Program &p, QString &title) { return CheckListProc::NewCheckList(p, title); };
    program.registerNoteKind(NoteKind::CheckList, std::move(procs));
}

} // namespace pellux
