#include "core/Colors.h"
#include "core/NoteGuid.h"
#include "core/TextRules.h"
#include "support/TestEnvironment.h"

#include <QRegularExpression>
#include <QtTest>

using namespace pellux;

class TestTextRules : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void colorToHtml_data();
    void colorToHtml();
    void htmlToColor_data();
    void htmlToColor();

    void newNoteGuid_data();
    void newNoteGuid();

    void xmlEscape_data();
    void xmlEscape();

    void dynamicTitle_data();
    void dynamicTitle();

    void hexEncode_data();
    void hexEncode();
    void hexDecodeDamaged_data();
    void hexDecodeDamaged();
    void hexEncodeHalfSurrogatePair();

    void crLf_data();
    void crLf();

    void basicNumber_data();
    void basicNumber();
    void pointSizeText_data();
    void pointSizeText();

private:
    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestTextRules::colorToHtml_data()
{
    QTest::addColumn<ColorValue>("color");
    QTest::addColumn<QString>("html");
    QTest::newRow("black") << ColorValue(0) << "#000000";
    QTest::newRow("red is the low byte") << ColorValue(0x0000FF) << "#FF0000";
    QTest::newRow("green") << ColorValue(0x00FF00) << "#00FF00";
    QTest::newRow("blue is the third byte") << ColorValue(0xFF0000) << "#0000FF";
    QTest::newRow("yellow default back") << DefaultNoteBack << "#FFFF00";
    QTest::newRow("mixed upper case") << ColorValue(0x0A0B0C) << "#0C0B0A";
    QTest::newRow("system window text") << SystemWindowText << "#000000";
    QTest::newRow("other system colour") << ColorValue(0x8000000F) << "#000000";
}

void TestTextRules::colorToHtml()
{
    QFETCH(ColorValue, color);
    QFETCH(QString, html);
    QCOMPARE(ColorToHtml(color), html);
}

void TestTextRules::htmlToColor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<ColorValue>("color");
    QTest::newRow("red") << "#FF0000" << true << ColorValue(0x0000FF);
    QTest::newRow("blue") << "#0000FF" << true << ColorValue(0xFF0000);
    QTest::newRow("lower case digits") << "#ffff00" << true << DefaultNoteBack;
    QTest::newRow("first character ignored") << "X102030" << true << ColorValue(0x302010);
    QTest::newRow("blanks around") << " #102030 " << true << ColorValue(0x302010);
    QTest::newRow("empty") << "" << false << ColorValue(0);
    QTest::newRow("too short") << "#FFF" << false << ColorValue(0);
    QTest::newRow("too long") << "#FF00001" << false << ColorValue(0);
    QTest::newRow("not hex") << "#GG0000" << false << ColorValue(0);
    QTest::newRow("sign inside") << "#-10000" << false << ColorValue(0);
}

void TestTextRules::htmlToColor()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(ColorValue, color);
    const std::optional<ColorValue> checked = HtmlToColorChecked(text);
    QCOMPARE(checked.has_value(), valid);
    if (valid)
        QCOMPARE(*checked, color);
    QCOMPARE(HtmlToColor(text), color);
}

void TestTextRules::newNoteGuid_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("guid");
    QTest::newRow("afternoon") << "DESK" << QDateTime(QDate(2026, 3, 7), QTime(15, 4, 9, 250)) << "DESK:07032026:150409:25";
    QTest::newRow("midnight") << "PC" << QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0, 0)) << "PC:31122026:000000:00";
    QTest::newRow("hundredths truncated") << "PC" << QDateTime(QDate(2026, 1, 2), QTime(23, 59, 59, 999))
                                          << "PC:02012026:235959:99";
    QTest::newRow("single hundredth") << "PC" << QDateTime(QDate(2026, 1, 2), QTime(8, 1, 2, 19)) << "PC:02012026:080102:01";
    QTest::newRow("name cut at NUL") << QStringLiteral("HOST") + QChar(0) + QStringLiteral("junk")
                                     << QDateTime(QDate(2026, 1, 2), QTime(8, 1, 2)) << "HOST:02012026:080102:00";
    QTest::newRow("name at most 255") << QString(300, QLatin1Char('n')) << QDateTime(QDate(2026, 1, 2), QTime(8, 1, 2))
                                      << QString(255, QLatin1Char('n')) + ":02012026:080102:00";
    QTest::newRow("empty name") << "" << QDateTime(QDate(2026, 1, 2), QTime(8, 1, 2)) << ":02012026:080102:00";
}

void TestTextRules::newNoteGuid()
{
    QFETCH(QString, name);
    QFETCH(QDateTime, now);
    QFETCH(QString, guid);
    QCOMPARE(NewNoteGUID(name, now), guid);
}

void TestTextRules::xmlEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "abc" << "abc";
    QTest::newRow("all three") << "a<b>&c" << "a&lt;b&gt;&amp;c";
    QTest::newRow("entity not unescaped") << "&lt;" << "&amp;lt;";
    QTest::newRow("quotes untouched") << "\"'" << "\"'";
    QTest::newRow("empty") << "" << "";
}

void TestTextRules::xmlEscape()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(XmlEscape(text), escaped);
}

void TestTextRules::dynamicTitle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString sixtyFour(64, QLatin1Char('x'));
    QTest::newRow("short") << "Shopping" << "Shopping";
    QTest::newRow("empty") << "" << "(Blank)";
    QTest::newRow("cut at first line break") << "First\r\nSecond" << "First...";
    QTest::newRow("starts with a line break") << "\r\nSecond" << "...";
    QTest::newRow("only a line break") << "\r\n" << "...";
    QTest::newRow("exactly 64") << sixtyFour << sixtyFour;
    QTest::newRow("65 characters") << sixtyFour + "y" << sixtyFour + "...";
    QTest::newRow("break after 64") << sixtyFour + "\r\nmore" << sixtyFour + "...";
    QTest::newRow("tab becomes blank") << "a\tb" << "a b";
    QTest::newRow("lone LF becomes blank") << "a\nb" << "a b";
    QTest::newRow("only blanks stay") << "   " << "   ";
    QTest::newRow("pair at the cut is not split")
        << QString(63, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80") << QString(63, QLatin1Char('x')) + "...";
}

void TestTextRules::dynamicTitle()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QCOMPARE(DynamicTitle(text), title);
}

void TestTextRules::hexEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");
    QTest::newRow("abc") << "abc" << "616263";
    QTest::newRow("empty password is empty text") << "" << "";
    QTest::newRow("upper-case digits") << QStringLiteral("\u00FF\u00AB") << "FFAB";
    QTest::newRow("control characters") << QString(QChar(0)) + QChar(1) << "0001";
    QTest::newRow("Latin-1 stays one byte each") << QStringLiteral("p\u00E9") << "70E9";
    QTest::newRow("above 255 as marked UTF-8") << QStringLiteral("\u20AC") << "EFBBBFE282AC";
    QTest::newRow("mixed") << QStringLiteral("a\u0100") << "EFBBBF61C480";
    QTest::newRow("Latin-1 text that looks like the marker")
        << QStringLiteral("\u00EF\u00BB\u00BFx") << "EFBBBFC3AFC2BBC2BF78";
}

void TestTextRules::hexEncode()
{
    QFETCH(QString, text);
    QFETCH(QString, hex);
    QCOMPARE(HexEncode(text), hex);
    QCOMPARE(HexDecode(hex), text);
    QCOMPARE(HexDecode(hex.toLower()), text);
}

void TestTextRules::hexDecodeDamaged_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("text");
    QTest::newRow("trailing odd digit dropped") << "6162F" << "ab";
    QTest::newRow("non-hex pair dropped") << "61ZZ62" << "ab";
    QTest::newRow("only junk") << "xyz" << "";
    QTest::newRow("stored Latin-1 value read as before") << "C3A9" << QStringLiteral("\u00C3\u00A9");
    QTest::newRow("marker with bad UTF-8 read as bytes")
        << "EFBBBFFF" << QStringLiteral("\u00EF\u00BB\u00BF\u00FF");
}

void TestTextRules::hexDecodeDamaged()
{
    QFETCH(QString, hex);
    QFETCH(QString, text);
    QCOMPARE(HexDecode(hex), text);
}

void TestTextRules::hexEncodeHalfSurrogatePair()
{
    const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    QCOMPARE(HexEncode(text), QStringLiteral("EFBBBF613F62"));
    QCOMPARE(HexDecode(HexEncode(text)), QStringLiteral("a?b"));
}

void TestTextRules::crLf_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("crlf");
    QTest::addColumn<QString>("back");
    QTest::newRow("two lines") << "a\nb" << "a\r\nb" << "a\nb";
    QTest::newRow("already CR LF") << "a\r\nb" << "a\r\nb" << "a\nb";
    QTest::newRow("mixed") << "a\r\nb\nc" << "a\r\nb\r\nc" << "a\nb\nc";
    QTest::newRow("blank lines") << "\n\n" << "\r\n\r\n" << "\n\n";
    QTest::newRow("lone CR kept") << "a\rb" << "a\rb" << "a\rb";
}

void TestTextRules::crLf()
{
    QFETCH(QString, plain);
    QFETCH(QString, crlf);
    QFETCH(QString, back);
    QCOMPARE(toCrLf(plain), crlf);
    QCOMPARE(fromCrLf(crlf), back);
}

void TestTextRules::basicNumber_data()
{
    QTest::addColumn<qlonglong>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("one") << 1LL << " 1";
    QTest::newRow("zero") << 0LL << " 0";
    QTest::newRow("negative") << -3LL << "-3";
    QTest::newRow("large") << 1234567LL << " 1234567";
}

void TestTextRules::basicNumber()
{
    QFETCH(qlonglong, n);
    QFETCH(QString, text);
    QCOMPARE(BasicNumber(n), text);
}

void TestTextRules::pointSizeText_data()
{
    QTest::addColumn<float>("size");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    QTest::newRow("whole") << 12.0f << us << "12";
    QTest::newRow("fraction") << 8.25f << us << "8.25";
    QTest::newRow("float noise hidden") << 10.1f << us << "10.1";
    QTest::newRow("German decimal comma") << 8.25f << de << "8,25";
    QTest::newRow("no group separator") << 1234.5f << us << "1234.5";
    QTest::newRow("no group separator German") << 1234.5f << de << "1234,5";
    QTest::newRow("no exponent") << 12345678.0f << us << "12345678";
}

void TestTextRules::pointSizeText()
{
    QFETCH(float, size);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(PointSizeText(size, locale), text);
}

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
