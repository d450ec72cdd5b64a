#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace pellux::test {

/**
 * A real print spooler for the printing tests: a private cupsd of its own (its
 * configuration, spool and socket in a temporary folder; nothing of the system's
 * CUPS is touched), with cups-pdf queues whose PDFs land in the test's folder.
 *
 * start() points this process's CUPS clients (libcups, and Qt through it) at the
 * private socket with CUPS_SERVER; libcups keeps the server it first used, so one
 * server serves a whole test run. cupsd must run as root, and cups-pdf reads a
 * queue's settings from /etc/cups/cups-pdf-<queue>.conf: the server writes one per
 * queue there and removes it when stopped.
 */
class CupsTestServer
{
public:
    CupsTestServer();
    ~CupsTestServer();
    CupsTestServer(const CupsTestServer &) = delete;
    CupsTestServer &operator=(const CupsTestServer &) = delete;

    /// Why the server cannot run on this machine (not root, a program missing); empty when it can.
    static QString unavailableReason();

    bool start();
    void stop();
    QString error() const { return m_error; }

    /// A cups-pdf queue named \a name; \a outputDir empty: a folder of its own (outputDir()).
    bool addPdfQueue(const QString &name, bool makeDefault, const QString &outputDir = QString());
    QString outputDir(const QString &queue) const;
    /// The PDFs the queue has written so far.
    QStringList outputFiles(const QString &queue) const;
    /// The queue's jobs that have ended (lpstat -W completed).
    QStringList completedJobs(const QString &queue);
    QStringList notCompletedJobs(const QString &queue);
    /// The document CUPS took for a job (a line of completedJobs()), as the spool keeps it.
    QString jobDocument(const QString &jobLine) const;

    /// Runs a CUPS command-line tool against this server; false with error() on failure.
    bool tool(const QString &program, const QStringList &arguments, QString *output = nullptr);

    QString socketPath() const;
    /// A name no other run of the tests uses at the same time ("PelluxTest_<pid>_<stem>").
    static QString uniqueQueueName(const QString &stem);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_cupsd;
    QStringList m_queueConfigs;
    QString m_error;
};

} // namespace pellux::test
