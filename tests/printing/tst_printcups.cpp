#include "app/FlashMsg.h"
#include "panel/PanelTestSupport.h"
#include "platform/CupsPrintSystem.h"
#include "platform/frmSelectPrinter.h"
#include "printing/PrintingFeature.h"
#include "support/CupsTestServer.h"

#include <QComboBox>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString &path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

int pdfPages(const QString &path)
{
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

/**
 * Printing on a real spooler: a private cupsd whose only printers are cups-pdf
 * queues, so every page printed becomes a PDF the test can read back.
 */
class TestPrintCups : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString reason = CupsTestServer::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is missing");
        m_cups = std::make_unique<CupsTestServer>();
        QVERIFY2(m_cups->start(), qPrintable(m_cups->error()));
        m_queue = CupsTestServer::uniqueQueueName(QStringLiteral("PDF"));
        QVERIFY2(m_cups->addPdfQueue(m_queue, true), qPrintable(m_cups->error()));
    }
    void cleanupTestCase() { m_cups.reset(); }

    void dialogListsTheQueuePreselected()
    {
        CupsPrintSystem cups;
        ProgramFixture f(true, &cups);
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        f.prompts.answerPrinter(PrinterChoice{-1, 1});
        f.program->note(1)->mnuPrint->trigger();
        const PrinterRequest asked = f.prompts.last().printers;
        QCOMPARE(asked.printers, (QStringList{m_queue, PrintToPdfEntry}));
        QCOMPARE(asked.defaultPrinter, m_queue);

        frmSelectPrinter dlg(asked.printers, asked.defaultPrinter);
        QCOMPARE(dlg.cmbPrinters->currentText(), m_queue);
        QCOMPARE(dlg.cmbPrinters->currentIndex(), 0);
        QVERIFY(m_cups->completedJobs(m_queue).isEmpty());
    }

    // cups-pdf prints by way of PostScript (pdftops, then Ghostscript), which keeps the
    // glyphs of the fonts a Qt PDF embeds but not their characters: pdftotext reads
    // symbols from its output. So the words are read from the document each job gave
    // the spooler, and the printer's output is checked for being one page per job.
    void threeCopiesAreThreeJobs()
    {
        CupsPrintSystem cups;
        ProgramFixture f(true, &cups);
        startWith(f, {textNote(QStringLiteral("Shopping list"), QStringLiteral("milk\r\nbread and butter"))});
        f.program->settings.NoteDTPrint = true;
        const QStringList before = m_cups->completedJobs(m_queue);
        const int outputsBefore = int(m_cups->outputFiles(m_queue).size());
        f.prompts.answerPrinter(PrinterChoice{0, 3});
        f.program->note(1)->mnuPrint->trigger();
        QCOMPARE(f.prompts.asked().size(), 1); // no failure to tell

        QTRY_COMPARE_WITH_TIMEOUT(int(m_cups->completedJobs(m_queue).size()), int(before.size()) + 3, 90000);
        QVERIFY(m_cups->notCompletedJobs(m_queue).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(int(m_cups->outputFiles(m_queue).size()), outputsBefore + 3, 30000);
        for (const QString &output : m_cups->outputFiles(m_queue).mid(outputsBefore))
            QCOMPARE(pdfPages(output), 1);
        QStringList jobs = m_cups->completedJobs(m_queue);
        for (const QString &old : before)
            jobs.removeAll(old);
        QCOMPARE(jobs.size(), 3);
        for (const QString &job : std::as_const(jobs)) {
            const QString text = pdfText(m_cups->jobDocument(job));
            QVERIFY2(text.contains(QLatin1String("Shopping list:")), qPrintable(job + QLatin1Char(' ') + text));
            QVERIFY2(text.contains(QLatin1String("milk")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("bread and butter")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("Printed on: 12/10/26 at 10:30:15 AM.")), qPrintable(text));
        }
        QTRY_COMPARE_WITH_TIMEOUT(cups.watchedJobs(), 0, 10000);
        QCOMPARE(f.prompts.asked().size(), 1);
    }

    void checkListOnPaper()
    {
        CupsPrintSystem cups;
        ProgramFixture f(true, &cups);
        NoteSpec list = checkList(QStringLiteral("Errands"));
        list.rows = {CheckRow{true, QStringLiteral("post box")}, CheckRow{false, QStringLiteral("bakery")}};
        startWith(f, {list});
        f.program->settings.NoteDTPrint = false;
        const QStringList before = m_cups->completedJobs(m_queue);
        f.prompts.answerPrinter(PrinterChoice{0, 1});
        f.program->note(1)->mnuPrint->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(int(m_cups->completedJobs(m_queue).size()), int(before.size()) + 1, 60000);
        QStringList jobs = m_cups->completedJobs(m_queue);
        for (const QString &old : before)
            jobs.removeAll(old);
        QCOMPARE(jobs.size(), 1);
        const QString text = pdfText(m_cups->jobDocument(jobs.first()));
        QVERIFY2(text.contains(QLatin1String("Errands:")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("post box")) && text.contains(QLatin1String("bakery")), qPrintable(text));
        QVERIFY2(!text.contains(QLatin1String("Printed on")), qPrintable(text));
    }

    void printerTroubleIsTold_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QStringList>("told");     // parts of the message
        QTest::newRow("queue refusing jobs")
            << "reject" << QStringList{"Pellux could not print \"Shopping\" on ", "not accepting jobs", "Out of paper"};
        QTest::newRow("printer stopped")
            << "disable" << QStringList{"\"Shopping\" has not been printed on ", "The printer is stopped: Paper jam",
                                        "The job waits in its queue"};
        QTest::newRow("backend cannot write")
            << "broken" << QStringList{"\"Shopping\" has not been printed on ", "The printer cancelled the job."};
    }
    void printerTroubleIsTold()
    {
        QFETCH(QString, trouble);
        QFETCH(QStringList, told);
        const QString queue = CupsTestServer::uniqueQueueName(trouble);
        if (trouble == QLatin1String("broken")) {
            // cups-pdf cannot make its output folder below a plain file and gives the job up.
            const QString blocker = m_cups->outputDir(queue) + QStringLiteral("-file");
            QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
            QVERIFY2(m_cups->addPdfQueue(queue, false, blocker + QStringLiteral("/out")), qPrintable(m_cups->error()));
        } else {
            QVERIFY2(m_cups->addPdfQueue(queue, false), qPrintable(m_cups->error()));
        }
        if (trouble == QLatin1String("reject"))
            QVERIFY(m_cups->tool(QStringLiteral("cupsreject"), {QStringLiteral("-r"), QStringLiteral("Out of paper"), queue}));
        if (trouble == QLatin1String("disable"))
            QVERIFY(m_cups->tool(QStringLiteral("cupsdisable"), {QStringLiteral("-r"), QStringLiteral("Paper jam"), queue}));

        CupsPrintSystem cups;
        cups.pollIntervalMs = 200;
        ProgramFixture f(true, &cups);
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        f.prompts.answerPrinter(PrinterChoice{int(cups.printerNames().indexOf(queue)), 1});
        QVERIFY(cups.printerNames().contains(queue));
        f.program->note(1)->mnuPrint->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(int(f.prompts.asked().size()), 2, 60000);
        const QString message = f.prompts.last().text;
        for (const QString &part : told)
            QVERIFY2(message.contains(part), qPrintable(message));
        QVERIFY2(message.contains(queue), qPrintable(message));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QVERIFY(!f.program->flash().isShown());
        QTRY_COMPARE_WITH_TIMEOUT(cups.watchedJobs(), 0, 10000);
        QVERIFY(m_cups->outputFiles(queue).isEmpty());
        m_cups->tool(QStringLiteral("cancel"), {QStringLiteral("-a"), queue});
    }

private:
    std::unique_ptr<CupsTestServer> m_cups;
    QString m_queue;
};

QTEST_MAIN(TestPrintCups)
#include "tst_printcups.moc"
