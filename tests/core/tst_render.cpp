#include "core/render/NoteHtml.h"
#include "support/TestEnvironment.h"

#include <QtTest>

using namespace pellux;

Q_DECLARE_METATYPE(pellux::NoteStyle)
Q_DECLARE_METATYPE(QList<pellux::CheckRow>)

namespace {

NoteStyle style(const QString &font, float size, bool bold, bool underline, bool italic, ColorValue fore,
                ColorValue back)
{
    NoteStyle s;
    s.fontName = font;
    s.fontSize = size;
    s.bold = bold;
    s.underline = underline;
    s.italic = italic;
    s.foreColor = fore;
    s.backColor = back;
    return s;
}

} // namespace

class TestRender : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void cleanFileName_data();
    void cleanFileName();
    void textNoteHtml_data();
    void textNoteHtml();
    void checkListToHtml_data();
    void checkListToHtml();
    void htmlFile_data();
    void htmlFile();
    void textFiles();

private:
    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestRender::cleanFileName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");

    QTest::newRow("each character one blank, inner blanks stay") << "a/b: c?" << "a b  c";
    QTest::newRow("all the forbidden characters") << "1.2/3\\4:5*6?7\"8<9>0|" << "1 2 3 4 5 6 7 8 9 0";
    QTest::newRow("only forbidden characters") << ":?*" << "";
    QTest::newRow("blanks at both ends go") << "  .Report v1.2.  " << "Report v1 2";
    QTest::newRow("other characters stay") << "Caf\u00e9 & co - 50%" << "Caf\u00e9 & co - 50%";
}

void TestRender::cleanFileName()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(CleanFileName(title), name);
}

void TestRender::textNoteHtml_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<NoteStyle>("noteStyle");
    QTest::addColumn<QString>("html");

    QTest::newRow("bold italic, two lines")
        << "en_US" << "Plan" << "Line one\r\nLine two"
        << style("Arial", 10.0f, true, false, true, 0x000080, 0xC0FFFF)
        << "<table border='2'><tr><td><font face='Arial' style='font-size: 12pt'><B><I>Plan:</B></I></font></td></tr>\r\n"
           "<tr><td bgcolor='#FFFFC0'><font color='#800000' face='Arial' style='font-size: 10pt'>"
           "<B><I>Line one<br>\r\nLine two</B></I></font></td>\r\n</tr></table>";
    QTest::newRow("underline, a fractional size in the locale's form")
        << "de_DE" << "Liste" << "x"
        << style("DejaVu Sans", 8.25f, false, true, false, 0x00FF00, 0xFFFFFF)
        << "<table border='2'><tr><td><font face='DejaVu Sans' style='font-size: 10,25pt'><U>Liste:</U></font></td></tr>\r\n"
           "<tr><td bgcolor='#FFFFFF'><font color='#00FF00' face='DejaVu Sans' style='font-size: 8,25pt'>"
           "<U>x</U></font></td>\r\n</tr></table>";
    QTest::newRow("escaping, an entity escaped again, tabs, a system colour")
        << "en_US" << "a<b & c>" << "a &lt; b\t& <c>"
        << style("Sans", 9.0f, false, false, false, SystemWindowText, 0x0000FF)
        << "<table border='2'><tr><td><font face='Sans' style='font-size: 11pt'>a&lt;b &amp; c&gt;:</font></td></tr>\r\n"
           "<tr><td bgcolor='#FF0000'><font color='#000000' face='Sans' style='font-size: 9pt'>"
           "a &amp;lt; b&nbsp;&nbsp;&nbsp;&nbsp;&amp; &lt;c&gt;</font></td>\r\n</tr></table>";
    QTest::newRow("a font name cannot leave its attribute")
        << "en_US" << "t" << ""
        << style("Bob's <Font>", 10.0f, false, false, false, 0, 0)
        << "<table border='2'><tr><td><font face='Bob&#39;s &lt;Font&gt;' style='font-size: 12pt'>t:</font></td></tr>\r\n"
           "<tr><td bgcolor='#000000'><font color='#000000' face='Bob&#39;s &lt;Font&gt;' style='font-size: 10pt'>"
           "</font></td>\r\n</tr></table>";
}

void TestRender::textNoteHtml()
{
    QFETCH(QString, locale);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(NoteStyle, noteStyle);
    QFETCH(QString, html);

    // The sizes follow the default locale, as the program's number text does.
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(TextNoteHtml(title, text, noteStyle), html);

    StoredNote note;
    note.type = QStringLiteral("TextNote");
    note.title = title;
    note.text = text;
    note.style = noteStyle;
    QCOMPARE(NoteHtml(note), html);
}

void TestRender::checkListToHtml_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QList<CheckRow>>("rows");
    QTest::addColumn<NoteStyle>("noteStyle");
    QTest::addColumn<QString>("html");

    const QString rowHead = QStringLiteral("<tr>\r\n<td><font face='Wingdings' color='#FF0000' style='font-size: 8.25pt'>");
    const QString textHead = QStringLiteral(
        "</font></td>\r\n<td style='border-bottom-style: dashed; border-bottom-width: 2'>"
        "<font face='Tahoma' color='#FF0000' style='font-size: 8.25pt'>");
    const QString rowTail = QStringLiteral("</font></td>\r\n</tr>\r\n");

    QTest::newRow("checked and unchecked rows, bold")
        << "Trip & <more>" << QList<CheckRow>{{true, "Tickets"}, {false, "Bags & <box>"}}
        << style("Tahoma", 8.25f, true, false, false, 0x0000FF, 0xFFFFFF)
        << "<table border='2'><tr><td><font face='Tahoma' style='font-size: 8.25pt'><B>Trip &amp; &lt;more&gt;:</B>"
           "</font></td></tr><tr><td bgcolor='#FFFFFF'><table border='0'>\r\n"
               + rowHead + "&#254;" + textHead + "<B>Tickets</B>" + rowTail
               + rowHead + "o" + textHead + "<B>Bags &amp; &lt;box&gt;</B>" + rowTail
               + "</table></td></tr></table>";
    QTest::newRow("a line break inside a row, all three emphases")
        << "L" << QList<CheckRow>{{false, "one\r\ntwo"}}
        << style("Tahoma", 8.25f, true, true, true, 0x0000FF, 0x000000)
        << "<table border='2'><tr><td><font face='Tahoma' style='font-size: 8.25pt'><B><U><I>L:</B></U></I>"
           "</font></td></tr><tr><td bgcolor='#000000'><table border='0'>\r\n"
               + rowHead + "o" + textHead + "<B><U><I>one\r\n<br>two</B></U></I>" + rowTail
               + "</table></td></tr></table>";
}

void TestRender::checkListToHtml()
{
    QFETCH(QString, title);
    QFETCH(QList<CheckRow>, rows);
    QFETCH(NoteStyle, noteStyle);
    QFETCH(QString, html);
    QCOMPARE(CheckListToHtml(title, rows, noteStyle), html);

    StoredNote note;
    note.type = QStringLiteral("CheckList30");
    note.title = title;
    note.rows = rows;
    note.style = noteStyle;
    QCOMPARE(NoteHtml(note), html);
}

void TestRender::htmlFile_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownTitle");

    QTest::newRow("title as it is") << "A & B <x>" << "A & B <x>";
    QTest::newRow("a title cannot end the title element")
        << "x</TITLE><script>alert(1)</script></title>" << "x&lt;/TITLE><script>alert(1)</script>&lt;/title>";
}

void TestRender::htmlFile()
{
    QFETCH(QString, title);
    QFETCH(QString, shownTitle);
    QCOMPARE(HtmlFileText(title, QStringLiteral("<table/>")),
             QStringLiteral("<html>\r\n<head>\r\n<title>") + shownTitle
                 + QStringLiteral("</title>\r\n</head>\r\n<body>\r\n<table/>\r\n</body>\r\n</html>\r\n\r\n"));
}

void TestRender::textFiles()
{
    QCOMPARE(TextNoteTextFile(QStringLiteral("a\r\nb")), QStringLiteral("a\r\nb\r\n"));
    QCOMPARE(TextNoteTextFile(QString()), QStringLiteral("\r\n"));
    const QList<CheckRow> rows{{true, QStringLiteral("x")}, {false, QString()}, {false, QStringLiteral("y")}};
    QCOMPARE(CheckListTextFile(rows), QStringLiteral("x\r\n\r\ny\r\n"));

    StoredNote list;
    list.type = QStringLiteral("CheckList");
    list.title = QStringLiteral("T");
    list.rows = rows;
    list.text = QStringLiteral("not a list's");
    QCOMPARE(NoteTextFile(list), QStringLiteral("x\r\n\r\ny\r\n"));
    QCOMPARE(NoteHtmlFile(list), HtmlFileText(list.title, CheckListToHtml(list.title, rows, list.style)));
}

QTEST_GUILESS_MAIN(TestRender)
#include "tst_render.moc"
