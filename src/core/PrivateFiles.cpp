#include "core/PrivateFiles.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace pellux {

namespace {

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

bool MakePrivateFolder(const QString &folder, QString *why)
{
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *why = systemError(errno);
        return false;
    }
    // Whether just made or found, check what is really there (lstat: a link planted
    // in a shared folder must not lead us elsewhere).
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        *why = systemError(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = S_ISLNK(st.st_mode) ? QStringLiteral("it is a link") : QStringLiteral("not a folder");
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *why = QStringLiteral("belongs to another user");
        return false;
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        *why = QStringLiteral("others may write into it");
        return false;
    }
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0) {
        *why = systemError(errno);
        return false;
    }
    return true;
}

bool RestrictToOwner(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    // A link is left alone: what it points to need not be ours.
    if (::lstat(native.constData(), &st) != 0 || S_ISLNK(st.st_mode))
        return false;
    const mode_t wanted = S_ISDIR(st.st_mode) ? (st.st_mode & 0700) | 0700 : (st.st_mode & 0600);
    if ((st.st_mode & 07777) == wanted)
        return true;
    return ::chmod(native.constData(), wanted) == 0;
}

} // namespace pellux
