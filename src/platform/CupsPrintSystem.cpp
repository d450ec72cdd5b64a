#include "platform/CupsPrintSystem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFutureWatcher>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cups/cups.h>

namespace pellux {

namespace {

constexpr int JobPending = 3;
constexpr int JobHeld = 4;
constexpr int JobProcessing = 5;
constexpr int JobStopped = 6;
constexpr int JobCanceled = 7;
constexpr int JobAborted = 8;
constexpr int JobCompleted = 9;
constexpr int PrinterStopped = 5;

/// The reasons worth showing: "none" says nothing.
QStringList meaningful(const QStringList &reasons)
{
    QStringList out;
    for (const QString &r : reasons) {
        if (r != QLatin1String("none") && !r.isEmpty())
            out << r;
    }
    return out;
}

QString firstOf(std::initializer_list<QString> texts)
{
    for (const QString &t : texts) {
        if (!t.trimmed().isEmpty())
            return t.trimmed();
    }
    return QString();
}

QString withReasons(const QString &sentence, const QStringList &reasons)
{
    const QStringList r = meaningful(reasons);
    return r.isEmpty() ? sentence : sentence + QStringLiteral(" (") + r.join(QStringLiteral(", ")) + QLatin1Char(')');
}

/// Name and instance of a destination as Qt lists it ("Office/duplex").
std::pair<QByteArray, QByteArray> splitDestination(const QString &printer)
{
    const qsizetype slash = printer.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {printer.toUtf8(), QByteArray()};
    return {printer.left(slash).toUtf8(), printer.mid(slash + 1).toUtf8()};
}

QString ippText(ipp_t *response, const char *name)
{
    ipp_attribute_t *a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (!a || ippGetCount(a) < 1)
        return QString();
    const char *s = ippGetString(a, 0, nullptr);
    return s ? QString::fromUtf8(s) : QString();
}

QStringList ippTexts(ipp_t *response, const char *name)
{
    QStringList out;
    ipp_attribute_t *a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    for (int i = 0; a && i < ippGetCount(a); ++i) {
        if (const char *s = ippGetString(a, i, nullptr))
            out << QString::fromUtf8(s);
    }
    return out;
}

int ippNumber(ipp_t *response, const char *name)
{
    ipp_attribute_t *a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return a ? ippGetInteger(a, 0) : 0;
}

/// The printer's own state: its message and its reasons.
void readPrinterState(const QByteArray &destination, CupsJobStatus &status)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/printers/%s",
                     destination.constData());
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char *const wanted[] = {"printer-state", "printer-state-message", "printer-state-reasons"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (response && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        status.printerState = ippNumber(response, "printer-state");
        status.printerMessage = ippText(response, "printer-state-message");
        status.printerReasons = ippTexts(response, "printer-state-reasons");
    }
    ippDelete(response);
}

struct WatchedJob
{
    QString printer;            ///< as the user chose it
    QByteArray destination;     ///< the CUPS queue
    QString title;
    int id = 0;
    qint64 since = 0;           ///< ms on the watch clock
};

/// Runs on a pool thread: CUPS connections are per thread there.
QList<CupsJobStatus> queryJobs(const QList<WatchedJob> &jobs)
{
    QList<CupsJobStatus> out;
    for (const WatchedJob &job : jobs) {
        CupsJobStatus status;
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/jobs/%d", job.id);
        ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        static const char *const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
        ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
        const ipp_status_t answer = cupsLastError();
        if (!response) {
            // No answer at all: nothing can be said now; ask again next time.
            status.jobState = -1;
        } else if (answer == IPP_STATUS_ERROR_NOT_FOUND) {
            status.found = false;
        } else if (answer <= IPP_STATUS_OK_EVENTS_COMPLETE) {
            status.found = true;
            status.jobState = ippNumber(response, "job-state");
            status.jobReasons = ippTexts(response, "job-state-reasons");
            status.jobMessage = ippText(response, "job-printer-state-message");
        } else {
            status.jobState = -1;
        }
        ippDelete(response);
        if (status.found && status.jobState < JobStopped)
            readPrinterState(job.destination, status);
        out << status;
    }
    return out;
}

} // namespace

CupsJobVerdict JudgeCupsJob(const CupsJobStatus &s)
{
    if (s.jobState < 0)
        return {CupsJobVerdict::Waiting, {}};
    if (!s.found || s.jobState == JobCompleted)
        return {CupsJobVerdict::Ended, {}};
    switch (s.jobState) {
    case JobCanceled:
        if (s.jobReasons.contains(QLatin1String("job-canceled-by-user"))
            || s.jobReasons.contains(QLatin1String("job-canceled-by-operator")))
            return {CupsJobVerdict::Ended, {}};
        return {CupsJobVerdict::Failed, firstOf({s.jobMessage, QStringLiteral("The printer cancelled the job.")})};
    case JobAborted:
        return {CupsJobVerdict::Failed,
                firstOf({s.jobMessage, s.printerMessage, QStringLiteral("The printer gave up on the job.")})};
    case JobStopped:
        return {CupsJobVerdict::Failed,
                withReasons(firstOf({s.jobMessage, s.printerMessage, QStringLiteral("The job was stopped.")}),
                            s.jobReasons)};
    case JobPending:
    case JobHeld:
    case JobProcessing:
        if (s.printerState == PrinterStopped) {
            const QString why = firstOf({s.printerMessage, s.jobMessage});
            return {CupsJobVerdict::Failed,
                    withReasons(why.isEmpty() ? QStringLiteral("The printer is stopped")
                                              : QStringLiteral("The printer is stopped: ") + why,
                                s.printerReasons)
                        + QStringLiteral(". The job waits in its queue until the printer goes on.")};
        }
        return {CupsJobVerdict::Waiting, {}};
    default:
        return {CupsJobVerdict::Waiting, {}};
    }
}

struct CupsPrintSystem::Private
{
    QList<WatchedJob> jobs;
    QTimer timer;
    QElapsedTimer clock;
    QFutureWatcher<QList<CupsJobStatus>> query;
    QList<WatchedJob> asked;    ///< the jobs of the query in flight, in its order
};

CupsPrintSystem::CupsPrintSystem(QObject *parent) : PrintSystem(parent), d(std::make_unique<Private>())
{
    d->clock.start();
    d->timer.setSingleShot(true);
    connect(&d->timer, &QTimer::timeout, this, [this] {
        if (d->jobs.isEmpty() || d->query.isRunning())
            return;
        d->asked = d->jobs;
        d->query.setFuture(QtConcurrent::run(queryJobs, d->asked));
    });
    connect(&d->query, &QFutureWatcher<QList<CupsJobStatus>>::finished, this, [this] {
        const QList<CupsJobStatus> answers = d->query.result();
        const qint64 now = d->clock.elapsed();
        for (int i = 0; i < answers.size() && i < d->asked.size(); ++i) {
            const WatchedJob job = d->asked.at(i);
            const CupsJobVerdict verdict = JudgeCupsJob(answers.at(i));
            const bool expired = now - job.since > watchLimitMs;
            if (verdict.kind == CupsJobVerdict::Waiting && !expired)
                continue;
            d->jobs.removeIf([&](const WatchedJob &j) { return j.id == job.id && j.destination == job.destination; });
            if (verdict.kind == CupsJobVerdict::Failed)
                emit jobFailed(job.printer, job.title, verdict.reason);
        }
        d->asked.clear();
        if (!d->jobs.isEmpty())
            d->timer.start(pollIntervalMs);
    });
}

// A query in flight works on copies only, so it may finish after we are gone.
CupsPrintSystem::~CupsPrintSystem() = default;

QStringList CupsPrintSystem::printerNames()
{
    return QPrinterInfo::availablePrinterNames();
}

QString CupsPrintSystem::defaultPrinterName()
{
    return QPrinterInfo::defaultPrinterName();
}

int CupsPrintSystem::watchedJobs() const
{
    return int(d->jobs.size());
}

PrintJobResult CupsPrintSystem::print(const QTextDocument &document, const QString &printer, const QString &jobTitle)
{
    PrintJobResult result;
    const auto [name, instance] = splitDestination(printer);
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    if (!dest) {
        result.error = QStringLiteral("The printer %1 is not there (%2).")
                           .arg(printer, QString::fromUtf8(cupsLastErrorString()));
        return result;
    }

    // The page goes to CUPS as a PDF made in a folder only this user can enter.
    QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("pellux-print-XXXXXX")));
    QString why;
    const QString pdf = folder.isValid() ? folder.filePath(QStringLiteral("note.pdf")) : QString();
    if (!folder.isValid()) {
        result.error = QStringLiteral("No private folder can be made for the print job: %1").arg(folder.errorString());
    } else if (WriteDocumentPdf(document, pdf, printer, &why)) {
        const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, QFile::encodeName(pdf).constData(),
                                      jobTitle.toUtf8().constData(), dest->num_options, dest->options);
        if (id > 0) {
            result.ok = true;
            result.jobId = id;
        } else {
            result.error = QString::fromUtf8(cupsLastErrorString());
            // A refusal names the state; the printer's message says why it is in it.
            CupsJobStatus state;
            readPrinterState(QByteArray(dest->name), state);
            if (!state.printerMessage.isEmpty() && !result.error.contains(state.printerMessage))
                result.error += QStringLiteral(" (") + state.printerMessage + QLatin1Char(')');
        }
    } else {
        result.error = why;
    }
    const QByteArray destination(dest->name);
    cupsFreeDests(1, dest);

    if (result.ok) {
        d->jobs.append(WatchedJob{printer, destination, jobTitle, result.jobId, d->clock.elapsed()});
        if (!d->timer.isActive() && !d->query.isRunning())
            d->timer.start(pollIntervalMs);
    }
    return result;
}

} // namespace pellux
