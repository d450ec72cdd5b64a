#include "core/mail/MailSender.h"

#include <QPointer>

namespace pellux {

MailSender::MailSender(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<pellux::MailResult>();
    m_thread.setObjectName(QStringLiteral("pellux-mail"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

MailSender::~MailSender()
{
    m_cancel = true;
    m_thread.quit();
    m_thread.wait();
}

int MailSender::send(const MailRequest &request)
{
    const int id = m_nextId++;
    ++m_pending;
    // Queued calls to one object run one at a time and in the order posted, so the
    // worker's queue is the mail queue; the same holds for the calls back here.
    QMetaObject::invokeMethod(m_worker, [this, id, request] {
        if (m_cancel)
            return;
        auto stage = [this, id](const QString &s) {
            QMetaObject::invokeMethod(this, [this, id, s] { emit stageReached(id, s); }, Qt::QueuedConnection);
        };
        const MailResult result = SendMail(request, stage, &m_cancel);
        QMetaObject::invokeMethod(this, [this, id, result] {
            --m_pending;
            emit finished(id, result);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
    return id;
}

} // namespace pellux
