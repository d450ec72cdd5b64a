#include "core/channel/ControlEndpoint.h"

#include "core/channel/ChannelErrors.h"

#include <QDir>
#include <QFile>

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

/// "<temp>/pellux-<uid>", made or repaired to mode 0700.
QString fallbackFolder(QString *errorString)
{
    const QString folder = QDir::tempPath() + QStringLiteral("/pellux-") + QString::number(::geteuid());
    const QByteArray native = QFile::encodeName(folder);
    const auto fail = [&](const QString &why) {
        setError(errorString, QStringLiteral("Cannot use the folder %1 for the control channel: %2").arg(folder, why));
        return QString();
    };

    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return fail(systemError(errno));

    // Whether just made or found, check what is really there (lstat: a link planted
    // in the shared temp folder must not lead us elsewhere).
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return fail(systemError(errno));
    if (!S_ISDIR(st.st_mode))
        return fail(QStringLiteral("not a folder"));
    if (st.st_uid != ::geteuid())
        return fail(QStringLiteral("belongs to another user"));
    // Others could have left a socket of their own in a folder they could write to.
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return fail(QStringLiteral("others may write into it"));
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return fail(systemError(errno));
    return folder;
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
