#include "core/store/StoreRecovery.h"

#include "core/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace pellux {

namespace {

const QString kPrefix = QStringLiteral("Pellux.Recovery-");
const QString kSuffix = QStringLiteral(".NoteData");

QString tempRecoveryFolder()
{
    return QDir::tempPath() + QStringLiteral("/pellux-recovery-") + QString::number(::geteuid());
}

bool writeNew(const QString &path, const QByteArray &document, QString *why)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = file.errorString();
        return false;
    }
    ::fchmod(file.handle(), 0600);
    if (file.write(document) != document.size()) {
        *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

QStringList RecoveryFolders(const QString &dataFolder)
{
    QStringList folders;
    if (!dataFolder.isEmpty())
        folders << QDir::cleanPath(dataFolder);
    folders << tempRecoveryFolder();
    return folders;
}

QString WriteRecoveryFile(const QStringList &folders, const QByteArray &document, const QString &stamp,
                          QString *error)
{
    QStringList reasons;
    for (const QString &folder : folders) {
        QString why;
        const bool ready = folder == tempRecoveryFolder() ? MakePrivateFolder(folder, &why)
                                                          : QDir().mkpath(folder);
        if (!ready) {
            reasons << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder),
                                                    why.isEmpty() ? QStringLiteral("cannot be made") : why);
            continue;
        }
        const QString base = QDir(folder).filePath(kPrefix + stamp);
        QString path = base + kSuffix;
        for (int n = 2; QFileInfo::exists(path) && n < 1000; ++n)
            path = base + QLatin1Char('-') + QString::number(n) + kSuffix;
        if (writeNew(path, document, &why))
            return path;
        reasons << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
    }
    if (error)
        *error = reasons.join(QStringLiteral("; "));
    return QString();
}

QStringList FindRecoveryFiles(const QStringList &folders)
{
    QFileInfoList found;
    for (const QString &folder : folders) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files | QDir::Hidden);
        for (const QFileInfo &file : files) {
            if (file.size() > 0)
                found << file;
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return a.lastModified() < b.lastModified();
    });
    QStringList paths;
    for (const QFileInfo &file : std::as_const(found))
        paths << file.absoluteFilePath();
    return paths;
}

} // namespace pellux
