#include "core/channel/InstanceLock.h"

#include "core/channel/ControlEndpoint.h"
#include "core/PrivateFiles.h"

#include <QLockFile>

namespace pellux {

InstanceLock::InstanceLock(const QString &path)
    : m_path(path)
{
    // In the body: the lookup reports into m_error, which must exist by then.
    if (m_path.isEmpty())
        m_path = ControlLockPath(&m_error);
    if (m_path.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(m_path);
    // The running instance holds it for its whole life: age says nothing. A lock is
    // stale only when the process that wrote it is gone.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock(int timeoutMs)
{
    if (!m_lock)
        return false;
    if (m_lock->isLocked())
        return true;
    if (m_lock->tryLock(timeoutMs)) {
        m_error.clear();
        RestrictToOwner(m_path);
        return true;
    }
    switch (m_lock->error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString app;
        if (m_lock->getLockInfo(&pid, &host, &app))
            m_error = QStringLiteral("Another instance (process %1) holds %2").arg(pid).arg(m_path);
        else
            m_error = QStringLiteral("Another instance holds %1").arg(m_path);
        break;
    }
    case QLockFile::PermissionError:
        m_error = QStringLiteral("No permission to create %1").arg(m_path);
        break;
    default:
        m_error = QStringLiteral("Cannot lock %1").arg(m_path);
        break;
    }
    return false;
}

void InstanceLock::unlock()
{
    if (m_lock)
        m_lock->unlock();
}

bool InstanceLock::isLocked() const
{
    return m_lock && m_lock->isLocked();
}

} // namespace pellux
