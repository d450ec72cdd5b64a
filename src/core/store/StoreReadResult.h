#pragma once

#include "core/NoteRecord.h"

#include <QList>
#include <QString>

namespace pellux {

/// One note the reader could not take, with the reason, for the message to the user.
struct SkippedNote
{
    int position = 0;       ///< 1-based position of the element in the store
    QString title;
    QString reason;
};

/// What reading a whole store gives, whichever reader read it.
struct StoreReadResult
{
    bool ok = false;            ///< false: the document is unreadable (not well formed, no root, too deep)
    QString error;              ///< why, when !ok
    QList<StoredNote> notes;    ///< in document order; skipped notes are not here
    QList<SkippedNote> skipped;
};

} // namespace pellux
