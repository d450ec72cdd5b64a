#include "core/channel/ControlEndpoint.h"

#include "core/channel/ChannelErrors.h"
#include "core/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pellux {

using channeldetail::setError;

namespace {

#ifdef Q_OS_UNIX
QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

/// A folder fit to hold the socket as it stands: ours, a real folder, closed to others.
bool isPrivateFolder(const QString &folder, QString *why)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        *why = systemError(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = QStringLiteral("not a folder");
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *why = QStringLiteral("belongs to another user");
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        *why = QStringLiteral("open to other users");
        return false;
    }
    if (::access(native.constData(), W_OK | X_OK) != 0) {
        *why = systemError(errno);
        return false;
    }
    return true;
}

/// The folder in the user's own home that stands in when the shared temp folder's one
/// cannot be used; one per computer, since a home folder may be shared between several.
QString homeFallbackFolder()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    QString host = QSysInfo::machineHostName();
    for (QChar &c : host) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    return QDir::cleanPath(cache) + QStringLiteral("/pellux-") + (host.isEmpty() ? QStringLiteral("local") : host);
}

/// A socket path must fit the system's address buffer.
bool socketPathFits(const QString &folder)
{
    return QFile::encodeName(folder).size() + 1 + qsizetype(sizeof(kControlEndpointName)) < 100;
}

/// "<temp>/pellux-<uid>", made or repaired to mode 0700. Anybody may create that name
/// first; when what is there is not ours, a private folder in the user's own home is
/// used instead (the next start finds it the same way) and one line on standard error
/// says so.
QString fallbackFolder(QString *errorString)
{
    const QString folder = QDir::tempPath() + QStringLiteral("/pellux-") + QString::number(::geteuid());
    QString why;
    if (MakePrivateFolder(folder, &why))
        return folder;

    const QString home = homeFallbackFolder();
    QString homeWhy;
    const bool homeOk = socketPathFits(home) && QDir().mkpath(QFileInfo(home).absolutePath())
                        && MakePrivateFolder(home, &homeWhy);
    static bool told = false;
    if (homeOk) {
        if (!told) {
            told = true;
            qWarning("Pellux: %s cannot hold the control channel (%s); using %s instead.",
                     qPrintable(folder), qPrintable(why), qPrintable(home));
        }
        return home;
    }
    setError(errorString, QStringLiteral("Cannot use the folder %1 for the control channel: %2; nor %3%4")
                              .arg(folder, why, home, homeWhy.isEmpty() ? QString() : QStringLiteral(": ") + homeWhy));
    return QString();
}
#endif

} // namespace

QString ControlEndpointFolder(QString *errorString)
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        QString why;
        if (isPrivateFolder(runtime, &why))
            return QDir::cleanPath(runtime);
    }
    return fallbackFolder(errorString);
#else
    const QString folder = QDir::tempPath() + QStringLiteral("/pellux");
    if (!QDir().mkpath(folder)) {
        setError(errorString, QStringLiteral("Cannot create the folder %1 for the control channel").arg(folder));
        return QString();
    }
    return folder;
#endif
}

QString ControlEndpointPath(QString *errorString)
{
    const QString folder = ControlEndpointFolder(errorString);
    if (folder.isEmpty())
        return QString();
    return folder + QLatin1Char('/') + QLatin1String(kControlEndpointName);
}

QString ControlLockPath(QString *errorString)
{
    const QString endpoint = ControlEndpointPath(errorString);
    if (endpoint.isEmpty())
        return QString();
    return endpoint + QStringLiteral(".lock");
}

} // namespace pellux
