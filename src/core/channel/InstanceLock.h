#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace pellux {

/**
 * Taken by a start that found no running instance and held for the life of the
 * program, so that two starts at the same moment cannot both become the running
 * instance. A lock left by a process that no longer runs is taken over; a lock
 * whose holder still runs is never taken, however long it has been held.
 */
class InstanceLock
{
public:
    /// \a path defaults to ControlLockPath().
    explicit InstanceLock(const QString &path = QString());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    /// Tries for up to \a timeoutMs (0: once). False with errorString() when another holds it.
    bool tryLock(int timeoutMs = 0);
    void unlock();
    bool isLocked() const;
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QString m_error;
};

} // namespace pellux
