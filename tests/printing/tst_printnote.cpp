#include "app/FlashMsg.h"
#include "panel/PanelTestSupport.h"
#include "printing/PrintingFeature.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString PdfEntry = QStringLiteral("Print to PDF file...");

/// The text pdftotext finds in a PDF; empty with \a error set when it cannot be read.
QString pdfText(const QString &path, QString *error)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) {
        *error = QStringLiteral("pdftotext (poppler-utils) is not installed");
        return QString();
    }
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        *error = QString::fromLocal8Bit(p.readAllStandardError());
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

NoteSpec listSpec()
{
    NoteSpec n = checkList(QStringLiteral("Errands"));
    n.rows = {CheckRow{true, QStringLiteral("post box")}, CheckRow{false, QStringLiteral("bakery")}};
    return n;
}

} // namespace

class TestPrintNote : public QObject
{
    Q_OBJECT

private slots:
    void cancelPrintsNothing()
    {
        ProgramFixture f;
        f.printers.printers = {QStringLiteral("Office"), QStringLiteral("Basement")};
        f.printers.defaultPrinter = QStringLiteral("Basement");
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        bool modalDuringDialog = false;
        f.prompts.answerPrinter(PrinterChoice{-1, 1});
        connect(&f.program->modal(), &ModalState::ended, this, [&] { modalDuringDialog = true; });
        f.program->note(1)->mnuPrint->trigger();

        QCOMPARE(f.prompts.asked().size(), 1);
        const AskedPrompt &asked = f.prompts.last();
        QCOMPARE(asked.kind, AskedPrompt::Printer);
        QCOMPARE(asked.printers.printers, (QStringList{"Office", "Basement", PdfEntry}));
        QCOMPARE(asked.printers.defaultPrinter, QStringLiteral("Basement"));
        QVERIFY(modalDuringDialog);
        QVERIFY(!f.program->modal().active());
        QCOMPARE(f.printers.calls(), 0);
        QVERIFY(!f.program->flash().isShown());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void oneJobPerCopy_data()
    {
        QTest::addColumn<bool>("checkList");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("stamp");
        QTest::addColumn<QString>("want");
        const QString stamp = QStringLiteral("Printed on: 12/10/26 at 10:30:15 AM.");
        QTest::newRow("text note, one copy") << false << 1 << false << "Shopping:\n\nmilk\nbread";
        QTest::newRow("text note, three copies, stamped") << false << 3 << true
                                                          << "Shopping:\n\nmilk\nbread\n\n" + stamp;
        QTest::newRow("check list, two copies") << true << 2 << false
                                                << "Errands:\n\n\u00FE\tpost box\no\tbakery\n";
        QTest::newRow("check list, stamped") << true << 1 << true
                                             << "Errands:\n\n\u00FE\tpost box\no\tbakery\n\nPrinted on 12/10/26 at "
                                                "10:30 AM.";
    }
    void oneJobPerCopy()
    {
        QFETCH(bool, checkList);
        QFETCH(int, copies);
        QFETCH(bool, stamp);
        QFETCH(QString, want);
        ProgramFixture f;
        f.printers.printers = {QStringLiteral("Office"), QStringLiteral("Basement")};
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk\r\nbread")), listSpec()});
        f.program->settings.NoteDTPrint = stamp;
        QStringList flashDuringJobs;
        f.printers.onPrint = [&] { flashDuringJobs << f.program->flash().text(); };
        f.prompts.answerPrinter(PrinterChoice{1, copies});
        f.program->note(checkList ? 2 : 1)->mnuPrint->trigger();

        QCOMPARE(f.printers.jobs.size(), copies);
        QCOMPARE(flashDuringJobs, QStringList(copies, QStringLiteral("Printing to Basement...")));
        for (const FakePrintSystem::Job &job : std::as_const(f.printers.jobs)) {
            QCOMPARE(job.printer, QStringLiteral("Basement"));
            QCOMPARE(job.title, checkList ? QStringLiteral("Errands") : QStringLiteral("Shopping"));
            QString text = job.document->toPlainText();
            // Where Wingdings is missing the boxes are drawn with the ballot box signs.
            text.replace(QChar(0x2611), QChar(0xFE)).replace(QChar(0x2610), QLatin1Char('o'));
            QCOMPARE(text, want);
        }
        QVERIFY(!f.program->flash().isShown());
        QCOMPARE(f.prompts.asked().size(), 1);
    }

    void refusedJobIsTold_data()
    {
        QTest::addColumn<int>("refuseFrom");
        QTest::addColumn<int>("jobsTaken");
        QTest::addColumn<QString>("message");
        const QString base = QStringLiteral("Pellux could not print \"Shopping\" on Office: The printer is out of paper.");
        QTest::newRow("the first job") << 1 << 0 << base;
        QTest::newRow("the second of three")
            << 2 << 1 << base + QStringLiteral("\r\r1 of 3 copies went to the printer before this.");
    }
    void refusedJobIsTold()
    {
        QFETCH(int, refuseFrom);
        QFETCH(int, jobsTaken);
        QFETCH(QString, message);
        ProgramFixture f;
        f.printers.printers = {QStringLiteral("Office")};
        f.printers.refuseFrom = refuseFrom;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        f.prompts.answerPrinter(PrinterChoice{0, 3});
        f.program->note(1)->mnuPrint->trigger();

        QCOMPARE(f.printers.jobs.size(), jobsTaken);
        QCOMPARE(f.printers.calls(), refuseFrom); // no more tries after a refusal
        QCOMPARE(f.prompts.last().text, message);
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QVERIFY(!f.program->flash().isShown());
    }

    void laterFailureIsTold()
    {
        ProgramFixture f;
        f.start();
        f.printers.failLater(QStringLiteral("Office"), QStringLiteral("Shopping"),
                             QStringLiteral("The printer is stopped: Paper jam"));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, QStringLiteral("\"Shopping\" has not been printed on Office: The printer "
                                                       "is stopped: Paper jam"));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
    }

    void printToPdfFile_data()
    {
        QTest::addColumn<QStringList>("printers");
        QTest::addColumn<bool>("checkList");
        QTest::newRow("no printer installed: the only entry") << QStringList{} << false;
        QTest::newRow("after the printers") << QStringList{"Office"} << false;
        QTest::newRow("a check list") << QStringList{"Office"} << true;
    }
    void printToPdfFile()
    {
        QFETCH(QStringList, printers);
        QFETCH(bool, checkList);
        ProgramFixture f;
        f.printers.printers = printers;
        startWith(f, {textNote(QStringLiteral("Shopping: Monday"), QStringLiteral("milk\r\nbread")), listSpec()});
        f.program->settings.NoteDTPrint = true;
        const QString path = f.env.root() + QStringLiteral("/out/note.pdf");
        QVERIFY(QDir().mkpath(f.env.root() + QStringLiteral("/out")));
        f.prompts.answerPrinter(PrinterChoice{int(printers.size()), 4});
        f.prompts.answerFile(FileAnswer{path, 1});
        f.program->note(checkList ? 2 : 1)->mnuPrint->trigger();

        QCOMPARE(f.prompts.asked().first().printers.printers, printers + QStringList{PdfEntry});
        QCOMPARE(f.prompts.asked().first().printers.printers.last(), PdfEntry);
        const AskedPrompt &file = f.prompts.last();
        QCOMPARE(file.kind, AskedPrompt::SaveFile);
        QCOMPARE(file.title, PdfEntry);
        QCOMPARE(file.file.fileName, checkList ? QStringLiteral("Errands.pdf") : QStringLiteral("Shopping  Monday.pdf"));
        QVERIFY(file.file.overwritePrompt);
        QCOMPARE(f.printers.calls(), 0);
        QVERIFY(f.prompts.unexpected().isEmpty());
        // One file, whatever the copies; the temporary file beside it is gone.
        QCOMPARE(QDir(f.env.root() + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"note.pdf"});

        QString error;
        const QString text = pdfText(path, &error);
        if (text.isEmpty() && error.contains(QLatin1String("not installed")))
            QSKIP(qPrintable(error));
        QVERIFY2(!text.isEmpty(), qPrintable(error));
        if (checkList) {
            QVERIFY2(text.contains(QLatin1String("Errands:")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("post box")) && text.contains(QLatin1String("bakery")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("Printed on 12/10/26 at 10:30 AM.")), qPrintable(text));
        } else {
            QVERIFY2(text.contains(QLatin1String("Shopping: Monday:")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("milk")) && text.contains(QLatin1String("bread")), qPrintable(text));
            QVERIFY2(text.contains(QLatin1String("Printed on: 12/10/26 at 10:30:15 AM.")), qPrintable(text));
        }
    }

    void pdfFileDialogCancelled()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        f.prompts.answerPrinter(PrinterChoice{0, 1});
        f.prompts.answerFile(FileAnswer{});
        f.program->note(1)->mnuPrint->trigger();
        QCOMPARE(f.prompts.asked().size(), 2);
        QVERIFY(f.prompts.unexpected().isEmpty());
        QVERIFY(!f.program->flash().isShown());
    }

    void pdfFileNotWritable()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        const QString path = f.env.root() + QStringLiteral("/no such folder/note.pdf");
        f.prompts.answerPrinter(PrinterChoice{0, 1});
        f.prompts.answerFile(FileAnswer{path, 1});
        f.program->note(1)->mnuPrint->trigger();
        QCOMPARE(f.prompts.asked().size(), 3);
        QVERIFY2(f.prompts.last().text.startsWith(QStringLiteral("Pellux could not print \"Shopping\": ")),
                 qPrintable(f.prompts.last().text));
        QVERIFY(f.prompts.last().text.contains(QStringLiteral("no such folder")));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!f.program->flash().isShown());
    }

    void panelPrintsTheSelectedNote()
    {
        ProgramFixture f;
        f.printers.printers = {QStringLiteral("Office")};
        startWith(f, {textNote(QStringLiteral("One")), listSpec()});
        NCP &p = ncp(*f.program);
        QVERIFY(p.cmdPrint->isEnabled() == false); // nothing selected yet
        p.NoteList->setCurrentRow(1);
        QVERIFY(p.cmdPrint->isEnabled());
        f.prompts.answerPrinter(PrinterChoice{0, 1});
        p.cmdPrint->click();
        QCOMPARE(f.printers.jobs.size(), 1);
        QCOMPARE(f.printers.jobs.first().title, QStringLiteral("Errands"));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }
};

QTEST_MAIN(TestPrintNote)
#include "tst_printnote.moc"
