#include "core/store/StoreBackup.h"

#include "core/store/StoreStreamReader.h"

#include <QFile>
#include <QFileInfo>

namespace pellux {

std::optional<BackupSummary> SummarizeBackup(const QString &path, const PixelScale &scale,
                                             const NoteDefaults &defaults)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    file.close();
    if (DetectStoreFormat(bytes.left(4096)) != StoreFormat::NoteData4)
        return std::nullopt;
    const StoreReadResult read = ReadNoteStore(bytes, scale, defaults);
    if (!read.ok || read.notes.isEmpty())
        return std::nullopt;
    return BackupSummary{QFileInfo(path).lastModified(), int(read.notes.size())};
}

} // namespace pellux
