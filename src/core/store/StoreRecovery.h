#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pellux {

/**
 * Where the notes go when the program must end and its store cannot be written: a
 * recovery file, "Pellux.Recovery-<stamp>.NoteData", a store like any other, offered
 * at the next start.
 */

/// The folders a recovery file may go to, best first: the data folder itself (a
/// failure may concern only the store's own file), then the private folder
/// "pellux-recovery-<uid>" in the system's temporary folder (another file system,
/// usually).
QStringList RecoveryFolders(const QString &dataFolder);

/**
 * Writes \a document as a new recovery file in the first of \a folders that takes it
 * whole (through a temporary file, mode 0600; an earlier recovery file is never
 * replaced). Returns its path, or empty with every folder's reason in \a error.
 */
QString WriteRecoveryFile(const QStringList &folders, const QByteArray &document, const QString &stamp,
                          QString *error);

/// The recovery files waiting in \a folders, newest last.
QStringList FindRecoveryFiles(const QStringList &folders);

} // namespace pellux
