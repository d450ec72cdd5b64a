#include "checklists/CheckListProc.h"

#include "checklists/CheckListProt.h"
#include "core/app/Program.h"
#include "panel/frmPelluxMenu.h"

namespace pellux::CheckListProc {

CheckListProt *CheckListFromStored(Program &program, const StoredNote &note, int slot)
{
    auto *w = new CheckListProt(program);
    program.placeNote(slot, w);
    w->NoteNum = qint16(slot);
    w->setCaption(note.title);
    program.trayMenu().CreateNoteList(slot);
    w->setNoteStyle(note.style);
    if (note.ontop) {
        w->mnuOnTop->setChecked(true);
        w->setTopmost(true);
    }
    w->mnuRollUp->setChecked(note.rollup);
    for (const CheckRow &row : note.rows)
        w->AddLine(row.text, row.checked ? 1 : 0);
    return w;
}

} // namespace pellux::CheckListProc
