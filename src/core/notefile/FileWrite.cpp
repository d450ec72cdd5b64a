#include "core/notefile/FileWrite.h"

#include <QFileInfo>
#include <cerrno>

namespace pellux {

StoreWriteResult WriteFileAtomically(const QString &path, const QByteArray &bytes, const SaveFileFactory &factory)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir()) {
        StoreWriteResult result;
        result.error = qt_error_string(folder.exists() ? ENOTDIR : ENOENT);
        return result;
    }
    return WriteStoreFile(path, bytes, QString(), false, factory);
}

} // namespace pellux
