#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <functional>
#include <memory>

namespace pellux {

inline const QString StoreFileName = QStringLiteral("Pellux.NoteData");
inline const QString BackupFileName = QStringLiteral("Pellux.Backup.NoteData");

/// Makes the file a store is written through; tests hand in one that fails part-way.
using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString &path)>;

struct StoreWriteResult
{
    bool ok = false;
    QString error;      ///< the system's reason when !ok
};

/**
 * Replaces the store at \a path with \a document without ever leaving a half
 * written store: the old store is first copied onto \a backupPath (when
 * \a makeBackup; a failed copy is ignored), then the new one is written beside it
 * and renamed over it. On failure the old store is left as it was.
 */
StoreWriteResult WriteStoreFile(const QString &path, const QByteArray &document,
                                const QString &backupPath, bool makeBackup,
                                const SaveFileFactory &factory = {});

/**
 * Moves an unreadable store out of the way so that the next save cannot
 * overwrite it: "Pellux.NoteData" becomes "Pellux.NoteData.unreadable-<stamp>"
 * in the same folder. Returns the new path, or empty when it could not be moved.
 */
QString SetAsideUnreadableStore(const QString &path, const QString &stamp);

} // namespace pellux
