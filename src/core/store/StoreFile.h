#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <functional>
#include <memory>

namespace pellux {

inline const QString StoreFileName = QStringLiteral("Pellux.NoteData");
inline const QString BackupFileName = QStringLiteral("Pellux.Backup.NoteData");

/// Makes the file a store (or its backup) is written through; tests hand in one that
/// fails part-way. Returning null counts as a failure to open.
using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString &path)>;

struct StoreWriteResult
{
    bool ok = false;
    QString error;      ///< the system's reason when !ok
};

/**
 * Replaces the store at \a path with \a document without ever leaving a half
 * written store: the old store is first copied onto \a backupPath (when
 * \a makeBackup; a failed copy is ignored; an empty old store is not copied, so it
 * cannot wipe the last useful backup), then the new one is written beside it and
 * renamed over it. On failure the old store is left as it was. The backup is
 * written the same way, through \a factory as well, so it is never half written.
 * The store's folder is created when missing.
 */
StoreWriteResult WriteStoreFile(const QString &path, const QByteArray &document,
                                const QString &backupPath, bool makeBackup,
                                const SaveFileFactory &factory = {});

/**
 * Closes the store's folder and everything in it to other users (folder 0700, files
 * 0600), whatever the umask made them: notes are private.
 */
void CloseStoreFolder(const QString &folder);

/**
 * Moves an unreadable store out of the way so that the next save cannot
 * overwrite it: "Pellux.NoteData" becomes "Pellux.NoteData.unreadable-<stamp>"
 * in the same folder ("-2", "-3", ... is added when that name is taken: nothing is
 * ever overwritten). Characters of \a stamp that would name a folder become "-".
 * Returns the new path, or empty when it could not be moved.
 */
QString SetAsideUnreadableStore(const QString &path, const QString &stamp);

} // namespace pellux
