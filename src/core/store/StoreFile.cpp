#include "core/store/StoreFile.h"

#include "core/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace pellux {

namespace {

std::unique_ptr<QSaveFile> makeSaveFile(const SaveFileFactory &factory, const QString &path)
{
    std::unique_ptr<QSaveFile> file = factory ? factory(path) : std::make_unique<QSaveFile>(path);
    if (file)
        file->setDirectWriteFallback(false);
    return file;
}

/// Writes \a data to \a path through a temporary file renamed into place on success.
StoreWriteResult writeWhole(const SaveFileFactory &factory, const QString &path, const QByteArray &data)
{
    StoreWriteResult result;
    std::unique_ptr<QSaveFile> file = makeSaveFile(factory, path);
    if (!file) {
        result.error = QStringLiteral("Could not prepare %1 for writing.").arg(QDir::toNativeSeparators(path));
        return result;
    }
    if (!file->open(QIODevice::WriteOnly)) {
        result.error = file->errorString();
        return result;
    }
    // Notes are private, whatever the umask or the mode of the file this replaces.
    if (file->handle() >= 0)
        ::fchmod(file->handle(), 0600);
    const qint64 written = file->write(data);
    if (written != data.size()) {
        result.error = file->errorString();
        if (result.error.isEmpty() || result.error == QLatin1String("Unknown error"))
            result.error = QStringLiteral("Only %1 of %2 bytes could be written to %3.")
                               .arg(qMax<qint64>(written, 0))
                               .arg(data.size())
                               .arg(QDir::toNativeSeparators(path));
        file->cancelWriting();
        return result;
    }
    if (!file->commit()) {
        result.error = file->errorString();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace

StoreWriteResult WriteStoreFile(const QString &path, const QByteArray &document, const QString &backupPath,
                                bool makeBackup, const SaveFileFactory &factory)
{
    QDir().mkpath(QFileInfo(path).absolutePath());

    if (makeBackup && !backupPath.isEmpty()) {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly)) {
            const QByteArray previous = old.readAll();
            old.close();
            // An empty store holds nothing worth keeping, and copying it would wipe the
            // last useful backup. The copy goes through a temporary file as well, so an
            // interrupted copy never leaves half a backup behind. Its failure is ignored:
            // the save itself matters more.
            if (!previous.isEmpty())
                writeWhole(factory, backupPath, previous);
        }
    }

    return writeWhole(factory, path, document);
}

void CloseStoreFolder(const QString &folder)
{
    RestrictToOwner(QDir::cleanPath(folder));
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        if (!entry.isSymLink())
            RestrictToOwner(entry.absoluteFilePath());
    }
}

QString SetAsideUnreadableStore(const QString &path, const QString &stamp)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    // The stamp becomes part of a file name: nothing in it may name another folder.
    QString safeStamp = stamp;
    for (QChar &c : safeStamp) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 32)
            c = QLatin1Char('-');
    }
    QString base = info.absoluteDir().filePath(info.fileName() + QStringLiteral(".unreadable"));
    if (!safeStamp.isEmpty())
        base += QLatin1Char('-') + safeStamp;

    for (int counter = 1; counter <= 1000; ++counter) {
        const QString candidate = counter == 1 ? base : base + QLatin1Char('-') + QString::number(counter);
        if (QFileInfo::exists(candidate))
            continue;
        // QFile::rename never replaces an existing file.
        if (QFile::rename(path, candidate))
            return candidate;
        if (!QFileInfo::exists(candidate))
            return {};
    }
    return {};
}

} // namespace pellux
