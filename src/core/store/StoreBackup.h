#pragma once

#include "core/NoteRecord.h"
#include "core/store/StoreTextForms.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace pellux {

/// What a backup of the store holds, for the offer to load it instead of a damaged store.
struct BackupSummary
{
    QDateTime written;      ///< when the backup file was last written
    int notes = 0;          ///< the notes it holds (those its reader takes)
};

/**
 * Reads the store backup at \a path to see whether it could stand in for an unreadable
 * store: nullopt when it is missing, cannot be read as a note store, or holds no note.
 */
std::optional<BackupSummary> SummarizeBackup(const QString &path, const PixelScale &scale,
                                             const NoteDefaults &defaults);

} // namespace pellux
