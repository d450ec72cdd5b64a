#include "printing/PrintDocuments.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QtTest>

using namespace pellux;

namespace {

const QLocale English(QLocale::English, QLocale::UnitedStates);
const QDateTime Moment(QDate(2026, 12, 10), QTime(14, 5, 9));

/// One run of text in one format, as it lies in the document.
struct Run
{
    QString text;
    QString family;
    qreal size = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool coloured = false;
};

/// The document's runs, paragraph breaks as "\n" runs of their own.
QList<Run> runsOf(const QTextDocument &doc)
{
    QList<Run> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b != doc.begin()) {
            Run lineBreak;
            lineBreak.text = QStringLiteral("\n");
            out.append(lineBreak);
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat c = f.charFormat();
            Run r;
            r.text = f.text();
            r.family = c.fontFamilies().toStringList().value(0);
            r.size = c.fontPointSize();
            r.bold = c.fontWeight() >= QFont::Bold;
            r.italic = c.fontItalic();
            r.underline = c.fontUnderline();
            r.strike = c.fontStrikeOut();
            r.coloured = c.hasProperty(QTextFormat::ForegroundBrush) || c.hasProperty(QTextFormat::BackgroundBrush);
            out.append(r);
        }
    }
    return out;
}

/// The run holding \a text (the first one), or an empty run.
Run runWith(const QTextDocument &doc, const QString &text)
{
    for (const Run &r : runsOf(doc)) {
        if (r.text.contains(text))
            return r;
    }
    return Run{};
}

NoteStyle style(bool bold = false, bool italic = false, bool underline = false)
{
    NoteStyle s;
    s.fontName = QStringLiteral("DejaVu Serif");
    s.fontSize = 10.5f;
    s.bold = bold;
    s.italic = italic;
    s.underline = underline;
    s.strikethru = true;          // never carried onto paper by itself
    s.foreColor = 0x0000FF;
    s.backColor = 0x00FFFF;
    return s;
}

} // namespace

class TestPrintDocuments : public QObject
{
    Q_OBJECT

private slots:
    void textNoteContent_data()
    {
        QTest::addColumn<bool>("dynamicTitle");
        QTest::addColumn<bool>("stamp");
        QTest::addColumn<QString>("want");
        const QString stampLine = QStringLiteral("Printed on: 12/10/26 at 2:05:09 PM.");
        QTest::newRow("heading, no stamp") << false << false << "Shopping:\n\nmilk\nbread";
        QTest::newRow("heading and stamp") << false << true << "Shopping:\n\nmilk\nbread\n\n" + stampLine;
        QTest::newRow("dynamic title: the text alone") << true << false << "milk\nbread";
        QTest::newRow("dynamic title and stamp") << true << true << "milk\nbread\n\n" + stampLine;
    }
    void textNoteContent()
    {
        QFETCH(bool, dynamicTitle);
        QFETCH(bool, stamp);
        QFETCH(QString, want);
        const auto doc = TextNotePrintDocument(QStringLiteral("Shopping"), QStringLiteral("milk\r\nbread"), style(),
                                               dynamicTitle, stamp ? std::optional(Moment) : std::nullopt, English);
        QCOMPARE(doc->toPlainText(), want);
        QCOMPARE(doc->metaInformation(QTextDocument::DocumentTitle), QStringLiteral("Shopping"));
    }

    void textNoteFonts_data()
    {
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::newRow("plain font") << false << false << false;
        QTest::newRow("bold font") << true << false << false;
        QTest::newRow("italic and underlined font") << false << true << true;
    }
    void textNoteFonts()
    {
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, underline);
        const auto doc = TextNotePrintDocument(QStringLiteral("Title"), QStringLiteral("body text"),
                                               style(bold, italic, underline), false, Moment, English);
        const Run heading = runWith(*doc, QStringLiteral("Title:"));
        QCOMPARE(heading.family, QStringLiteral("DejaVu Serif"));
        QCOMPARE(heading.size, 12.5);
        QVERIFY(heading.bold);    // the heading's emphasis, whatever the note's font
        QCOMPARE(heading.italic, italic);
        QCOMPARE(heading.underline, underline);

        const Run body = runWith(*doc, QStringLiteral("body text"));
        QCOMPARE(body.family, QStringLiteral("DejaVu Serif"));
        QCOMPARE(body.size, 10.5);
        QCOMPARE(body.bold, bold);
        QCOMPARE(body.italic, italic);
        QCOMPARE(body.underline, underline);
        QVERIFY(!body.strike);
        QVERIFY(!body.coloured);

        // The stamp takes the font the text ends in.
        const Run stamp = runWith(*doc, QStringLiteral("Printed on: "));
        QCOMPARE(stamp.family, QStringLiteral("DejaVu Serif"));
        QCOMPARE(stamp.size, 10.5);
        QCOMPARE(stamp.bold, bold);
        QVERIFY(!stamp.strike);
    }

    void emptyTextNote()
    {
        const auto doc = TextNotePrintDocument(QStringLiteral("Empty"), QString(), style(), false, std::nullopt, English);
        QCOMPARE(doc->toPlainText(), QStringLiteral("Empty:\n\n"));
        QCOMPARE(runWith(*doc, QStringLiteral("Empty:")).size, 12.5);
    }

    void checkListContent_data()
    {
        QTest::addColumn<int>("marks");
        QTest::addColumn<bool>("stamp");
        QTest::addColumn<QString>("want");
        const QString wingdings = QStringLiteral("To do:\n\n\u00FE\tmilk\no\tbread\nsecond line\n");
        const QString ballot = QStringLiteral("To do:\n\n\u2611\tmilk\n\u2610\tbread\nsecond line\n");
        const QString stampLine = QStringLiteral("\nPrinted on 12/10/26 at 2:05 PM.");
        QTest::newRow("Wingdings, no stamp") << int(CheckMarks::Wingdings) << false << wingdings;
        QTest::newRow("Wingdings and stamp") << int(CheckMarks::Wingdings) << true << wingdings + stampLine;
        QTest::newRow("ballot boxes") << int(CheckMarks::BallotBoxes) << false << ballot;
        QTest::newRow("ballot boxes and stamp") << int(CheckMarks::BallotBoxes) << true << ballot + stampLine;
    }
    void checkListContent()
    {
        QFETCH(int, marks);
        QFETCH(bool, stamp);
        QFETCH(QString, want);
        const QList<CheckRow> rows{{true, QStringLiteral("milk")}, {false, QStringLiteral("bread\r\nsecond line")}};
        const auto doc = CheckListPrintDocument(QStringLiteral("To do"), rows, style(),
                                                stamp ? std::optional(Moment) : std::nullopt, CheckMarks(marks), English);
        QCOMPARE(doc->toPlainText(), want);
    }

    void checkListFonts_data()
    {
        QTest::addColumn<int>("marks");
        QTest::addColumn<QString>("markFamily");
        QTest::newRow("Wingdings") << int(CheckMarks::Wingdings) << "Wingdings";
        QTest::newRow("ballot boxes in the note's font") << int(CheckMarks::BallotBoxes) << "DejaVu Serif";
    }
    void checkListFonts()
    {
        QFETCH(int, marks);
        QFETCH(QString, markFamily);
        const QList<CheckRow> rows{{true, QStringLiteral("done row")}, {false, QStringLiteral("open row")}};
        const auto doc = CheckListPrintDocument(QStringLiteral("List"), rows, style(false, true, false), Moment,
                                                CheckMarks(marks), English);
        const QList<Run> runs = runsOf(*doc);

        const Run heading = runWith(*doc, QStringLiteral("List:"));
        QCOMPARE(heading.size, 12.5);
        QVERIFY(heading.bold);
        QVERIFY(heading.italic);

        // Marks: never struck through, in their own font (a mark in the note's font may share
        // its run with an open row's text).
        const QString checkedMark = marks == int(CheckMarks::Wingdings) ? QStringLiteral("\u00FE") : QStringLiteral("\u2611");
        const QString openMark = marks == int(CheckMarks::Wingdings) ? QStringLiteral("o") : QStringLiteral("\u2610");
        int marksSeen = 0;
        for (const Run &r : runs) {
            if (r.text.startsWith(checkedMark) || r.text.startsWith(openMark)) {
                ++marksSeen;
                QCOMPARE(r.family, markFamily);
                QVERIFY(!r.strike);
                QCOMPARE(r.size, 10.5);
            }
        }
        QCOMPARE(marksSeen, 2);

        const Run done = runWith(*doc, QStringLiteral("done row"));
        QCOMPARE(done.text, QStringLiteral("\tdone row"));
        QVERIFY(done.strike);
        QCOMPARE(done.family, QStringLiteral("DejaVu Serif"));
        QVERIFY(done.italic);
        QVERIFY(!done.bold);
        const Run open = runWith(*doc, QStringLiteral("open row"));
        QVERIFY(!open.strike);
        QVERIFY(!open.coloured);
        const Run stamp = runWith(*doc, QStringLiteral("Printed on "));
        QVERIFY(!stamp.strike);
        QCOMPARE(stamp.family, QStringLiteral("DejaVu Serif"));
    }

    void emptyCheckList()
    {
        const auto doc = CheckListPrintDocument(QStringLiteral("Nothing"), {}, style(), std::nullopt,
                                                CheckMarks::Wingdings, English);
        QCOMPARE(doc->toPlainText(), QStringLiteral("Nothing:\n\n"));
    }
};

QTEST_MAIN(TestPrintDocuments)
#include "tst_printdocuments.moc"
