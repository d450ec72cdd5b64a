#pragma once

#include "core/NoteRecord.h"

#include <QDomElement>
#include <QString>

namespace pellux {

class Program;
class NoteWindow;

/// The check-list procedures: they act on one check list through its slot.
namespace CheckListProc {

/// Rebuilds a check list from a note the store reader has read (the caller sets geometry, identifier, alarm).
NoteWindow *CheckListFromStored(Program &program, const StoredNote &note, int slot);

} // namespace CheckListProc
} // namespace pellux
