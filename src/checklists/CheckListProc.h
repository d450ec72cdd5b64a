#pragma once

#include "core/NoteRecord.h"

#include <QDomElement>
#include <QString>

namespace pellux {

class Program;
class NoteWindow;
class CheckListProt;

/// The check-list procedures: they act on one check list through its slot.
namespace CheckListProc {

/// Asks for a title and creates a check list; \a title holds the final title. False when nothing was created.
bool NewCheckList(Program &program, QString &title);
void RetitleCheckList(Program &program, int NoteNum);
void SetCheckListFont(Program &program, int NoteNum);
void SetCheckListForeColor(Program &program, int NoteNum);
void SetCheckListBackColor(Program &program, int NoteNum);
/// Reads the lines of a text file in as unchecked rows (the open dialog asks for the file).
void ReadCheckListIn(Program &program, int NoteNum);
/// Reading in more lines than this asks first.
inline constexpr int LargeReadInLines = 10000;
/// Leaves the "data" element of the rows in the program's XmlFragment.
void CheckListDataToXml(Program &program, int NoteNum);
/// Rebuilds a check list from a store "note" element (the caller sets geometry, identifier, alarm).
CheckListProt *LoadCheckListXml(Program &program, const QDomElement &note, int NoteNum);
/// The same from a note the store reader has read.
CheckListProt *CheckListFromStored(Program &program, const StoredNote &note, int NoteNum);

} // namespace CheckListProc
} // namespace pellux
