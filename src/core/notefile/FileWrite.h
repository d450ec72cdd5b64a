#pragma once

#include "core/store/StoreFile.h"

#include <QByteArray>
#include <QString>

namespace pellux {

/**
 * Writes \a bytes to \a path as a whole: into a temporary file beside it, renamed
 * over it only once everything is written (the store's own mechanism). On failure
 * an existing file at \a path is left as it was and the result carries the
 * system's reason. Unlike the store, a missing folder is not created: the user
 * chose where the file goes, and a folder that has gone is an error to report.
 */
StoreWriteResult WriteFileAtomically(const QString &path, const QByteArray &bytes,
                                     const SaveFileFactory &factory = {});

} // namespace pellux
