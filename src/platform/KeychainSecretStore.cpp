#include "platform/KeychainSecretStore.h"

#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace pellux {

namespace {

/// Runs \a job to its end or the time-out; \a onDone reads its result while it still lives.
template<typename J, typename Done>
SecretResult runJob(J *job, int timeoutMs, Done onDone)
{
    job->setAutoDelete(false);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    job->start();
    timer.start(timeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!finished) {
        // Left to finish by itself; it deletes itself then.
        QObject::disconnect(job, nullptr, &loop, nullptr);
        job->setAutoDelete(true);
        SecretResult r;
        r.error = QStringLiteral("The secret store did not answer within %1 seconds.").arg(timeoutMs / 1000.0);
        return r;
    }

    SecretResult r;
    switch (job->error()) {
    case QKeychain::NoError:
        r.status = SecretResult::Status::Ok;
        onDone(job, r);
        break;
    case QKeychain::EntryNotFound:
        r.status = SecretResult::Status::NotFound;
        break;
    default:
        r.status = SecretResult::Status::Unavailable;
        r.error = job->errorString();
        if (r.error.isEmpty())
            r.error = QStringLiteral("The secret store refused the request.");
        break;
    }
    // The backend may still be unwinding from the signal: free it from the event loop.
    job->deleteLater();
    return r;
}

} // namespace

KeychainSecretStore::KeychainSecretStore(const QString &service, int timeoutMs)
    : m_service(service), m_timeoutMs(timeoutMs)
{
}

SecretResult KeychainSecretStore::readSecret(const QString &key)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(key);
    return runJob(job, m_timeoutMs, [](QKeychain::ReadPasswordJob *j, SecretResult &r) { r.secret = j->textData(); });
}

SecretResult KeychainSecretStore::writeSecret(const QString &key, const QString &secret)
{
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(key);
    job->setTextData(secret);
    return runJob(job, m_timeoutMs, [](QKeychain::WritePasswordJob *, SecretResult &) {});
}

SecretResult KeychainSecretStore::deleteSecret(const QString &key)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(key);
    return runJob(job, m_timeoutMs, [](QKeychain::DeletePasswordJob *, SecretResult &) {});
}

} // namespace pellux
