#pragma once

#include "platform/PrintSystem.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <memory>

namespace pellux {

/// What CUPS says of one job and of its printer at one moment.
struct CupsJobStatus
{
    bool found = false;         ///< CUPS still knows the job
    int jobState = 0;           ///< IPP job-state: 3 pending, 4 held, 5 processing, 6 stopped, 7 canceled, 8 aborted, 9 completed
    QStringList jobReasons;     ///< job-state-reasons
    QString jobMessage;         ///< job-printer-state-message
    int printerState = 0;       ///< IPP printer-state: 3 idle, 4 processing, 5 stopped
    QStringList printerReasons; ///< printer-state-reasons
    QString printerMessage;     ///< printer-state-message
};

/// Whether a job is still on its way, has ended, or failed (with the printer's reason).
struct CupsJobVerdict
{
    enum Kind { Waiting, Ended, Failed };
    Kind kind = Waiting;
    QString reason;
};

/**
 * What a job's status means for the user. A job that printed, or that the user or
 * an operator cancelled, has ended with nothing to tell; one the printer cancelled
 * or aborted, a stopped job, or a job waiting on a stopped printer has failed.
 */
CupsJobVerdict JudgeCupsJob(const CupsJobStatus &status);

/**
 * The desktop's printers through CUPS: Qt lists them (QPrinterInfo), each job is
 * rendered to a PDF in a private folder and handed to CUPS, whose answer says
 * whether it was taken. Taken jobs are watched until they end, for at most
 * watchLimitMs; a failure then comes as jobFailed(). The watching asks CUPS off
 * the window thread, so a slow or remote spooler never holds up the windows.
 */
class CupsPrintSystem : public PrintSystem
{
    Q_OBJECT

public:
    explicit CupsPrintSystem(QObject *parent = nullptr);
    ~CupsPrintSystem() override;

    QStringList printerNames() override;
    QString defaultPrinterName() override;
    PrintJobResult print(const QTextDocument &document, const QString &printer, const QString &jobTitle) override;

    /// How often taken jobs are looked at, and for how long at most.
    int pollIntervalMs = 1000;
    int watchLimitMs = 10 * 60 * 1000;

    /// The jobs still watched.
    int watchedJobs() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace pellux
