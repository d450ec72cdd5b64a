#include "platform/CupsPrintSystem.h"

#include <QtTest>

using namespace pellux;

Q_DECLARE_METATYPE(pellux::CupsJobStatus)

namespace {

CupsJobStatus job(int state, const QStringList &reasons = {}, const QString &message = {}, int printerState = 3,
                  const QString &printerMessage = {}, const QStringList &printerReasons = {"none"})
{
    CupsJobStatus s;
    s.found = true;
    s.jobState = state;
    s.jobReasons = reasons;
    s.jobMessage = message;
    s.printerState = printerState;
    s.printerMessage = printerMessage;
    s.printerReasons = printerReasons;
    return s;
}

} // namespace

/// What a job's state in CUPS means for the user (the real spooler is in tests/printing).
class TestCupsJobs : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data()
    {
        QTest::addColumn<CupsJobStatus>("status");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        const int waiting = CupsJobVerdict::Waiting;
        const int ended = CupsJobVerdict::Ended;
        const int failed = CupsJobVerdict::Failed;
        const QString waits = QStringLiteral(". The job waits in its queue until the printer goes on.");

        QTest::newRow("printed") << job(9) << ended << "";
        CupsJobStatus gone;
        QTest::newRow("no longer known") << gone << ended << "";
        CupsJobStatus silent = job(5);
        silent.jobState = -1;
        QTest::newRow("no answer: ask again") << silent << waiting << "";
        QTest::newRow("pending") << job(3) << waiting << "";
        QTest::newRow("held by the user") << job(4, {"job-hold-until-specified"}) << waiting << "";
        QTest::newRow("printing") << job(5, {"job-printing"}, "Printing page 1") << waiting << "";
        QTest::newRow("cancelled by the user") << job(7, {"job-canceled-by-user"}) << ended << "";
        QTest::newRow("cancelled by an operator") << job(7, {"job-canceled-by-operator"}) << ended << "";
        QTest::newRow("cancelled by the printer, its words")
            << job(7, {"job-canceled-at-device"}, "Disk full") << failed << "Disk full";
        QTest::newRow("cancelled by the printer, no words")
            << job(7, {"processing-to-stop-point"}, " ") << failed << "The printer cancelled the job.";
        QTest::newRow("aborted, the job's words") << job(8, {"aborted-by-system"}, "Filter failed", 3, "Ready")
                                                  << failed << "Filter failed";
        QTest::newRow("aborted, the printer's words") << job(8, {}, "", 3, "Backend failed") << failed << "Backend failed";
        QTest::newRow("aborted, no words") << job(8) << failed << "The printer gave up on the job.";
        QTest::newRow("job stopped") << job(6, {"job-stopped"}, "", 5, "Paper jam") << failed
                                     << "Paper jam (job-stopped)";
        QTest::newRow("waiting on a stopped printer")
            << job(3, {"none"}, "", 5, "Paper jam", {"paused", "media-jam-error"}) << failed
            << "The printer is stopped: Paper jam (paused, media-jam-error)" + waits;
        QTest::newRow("printing on a printer that stopped, no words")
            << job(5, {}, "", 5, "", {"none"}) << failed << "The printer is stopped" + waits;
    }
    void verdict()
    {
        QFETCH(CupsJobStatus, status);
        QFETCH(int, kind);
        QFETCH(QString, reason);
        const CupsJobVerdict v = JudgeCupsJob(status);
        QCOMPARE(int(v.kind), kind);
        QCOMPARE(v.reason, reason);
    }
};

QTEST_GUILESS_MAIN(TestCupsJobs)
#include "tst_cupsjobs.moc"
