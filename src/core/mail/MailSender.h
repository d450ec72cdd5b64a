#pragma once

#include "core/mail/MailSend.h"

#include <QObject>
#include <QThread>
#include <atomic>

namespace pellux {

/**
 * Sends mail off the window thread so the windows stay responsive. Mails are sent
 * one after another in the order given, never two at once; each one's stages and
 * its result arrive on the thread that owns this object, in order, by queued calls.
 *
 * Destroying the sender abandons the mail in progress (within about a second) and
 * the ones still waiting; their files are removed all the same.
 */
class MailSender : public QObject
{
    Q_OBJECT

public:
    explicit MailSender(QObject *parent = nullptr);
    ~MailSender() override;

    /// Queues \a request and returns its number, which its signals carry.
    int send(const MailRequest &request);
    /// True from send() until the last queued mail's finished() has been emitted.
    bool isBusy() const { return m_pending > 0; }

signals:
    void stageReached(int id, const QString &stage);
    void finished(int id, const pellux::MailResult &result);

private:
    QThread m_thread;
    QObject *m_worker = nullptr;   ///< lives in m_thread; runs the sends in turn
    std::atomic_bool m_cancel{false};
    int m_nextId = 1;
    int m_pending = 0;
};

} // namespace pellux
