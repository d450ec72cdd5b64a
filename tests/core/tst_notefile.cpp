#include "core/notefile/BinaryFields.h"
#include "core/notefile/FileWrite.h"
#include "core/notefile/LegacyDat.h"
#include "core/notefile/NoteFile.h"
#include "core/notefile/Windows1252.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <cerrno>
#include <cmath>
#include <limits>

using namespace pellux;

Q_DECLARE_METATYPE(pellux::StoredNote)
Q_DECLARE_METATYPE(pellux::BinaryReadStatus)

namespace {

QByteArray fixture(const QString &name)
{
    QFile f(QStringLiteral(PELLUX_FIXTURES "/notefile/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

QStringList titlesOf(const BinaryReadResult &r)
{
    QStringList titles;
    for (const ImportedNote &n : r.notes)
        titles.append(n.note.title);
    return titles;
}

StoredNote sampleTextNote()
{
    StoredNote n;
    n.type = QStringLiteral("TextNote");
    n.title = QStringLiteral("Shopping & caf\u00e9");
    n.nid = QStringLiteral("DESKTOP:07032026:150409:25");
    n.width = 3600;
    n.height = 2715;
    n.visible = false;
    n.rollup = true;
    n.ontop = true;
    n.dynamicTitle = true;
    n.text = QStringLiteral("First line \u20ac\r\n\tSecond line\r\n");
    n.style.fontName = QStringLiteral("DejaVu Sans");
    n.style.fontSize = 10.5f;
    n.style.bold = true;
    n.style.italic = true;
    n.style.underline = false;
    n.style.strikethru = true;
    n.style.foreColor = SystemWindowText;   // the top bit must survive
    n.style.backColor = 0x80FFFF;
    n.alarm.Enabled = true;
    n.alarm.AlarmType = 1;
    n.alarm.AlarmTime = QTime(14, 45, 30);
    n.alarm.AlarmDate = QDate(2026, 3, 7);
    n.alarm.DaysOfWeek = {false, true, false, true, false, true, true};
    n.alarm.Sound = QStringLiteral("/home/anna/sounds/bell.wav");
    return n;
}

StoredNote sampleCheckList()
{
    StoredNote n;
    n.type = QStringLiteral("CheckList");
    n.title = QStringLiteral("Packing");
    n.nid = QStringLiteral("LAPTOP:01012026:080000:01");
    n.width = 2400;
    n.height = 1800;
    n.ontop = true;
    n.style.fontName = QStringLiteral("Liberation Serif");
    n.style.fontSize = 8.25f;
    n.style.underline = true;
    n.style.foreColor = 0x112233;
    n.style.backColor = 0x445566;
    n.rows = {{true, QStringLiteral("passport")}, {false, QString()}, {false, QStringLiteral("charger")}};
    n.alarm.AlarmTime = QTime(7, 5);
    n.alarm.AlarmDate = QDate(2026, 12, 31);
    n.alarm.Enabled = true;
    return n;
}

/// What a written note comes back as: the note-file type, no position.
StoredNote asReadBack(StoredNote n)
{
    n.type = n.isCheckList() ? QStringLiteral("CheckList30") : QStringLiteral("TextNote30");
    n.top.reset();
    n.left.reset();
    return n;
}

/// A save file whose disk fills up after a given number of bytes.
class FailingSaveFile : public QSaveFile
{
public:
    FailingSaveFile(const QString &path, qint64 bytesBeforeFailure) : QSaveFile(path), m_left(bytesBeforeFailure) {}

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        if (m_left <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = qMin(len, m_left);
        m_left -= n;
        return QSaveFile::writeData(data, n);
    }

private:
    qint64 m_left;
};

} // namespace

class TestNoteFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void fieldEncodings_data();
    void fieldEncodings();
    void readerStopsAtTheEnd_data();
    void readerStopsAtTheEnd();
    void int16IsClamped_data();
    void int16IsClamped();
    void dateValues_data();
    void dateValues();

    void windows1252RoundTrip();
    void unrepresentable_data();
    void unrepresentable();
    void decodeTextFile_data();
    void decodeTextFile();

    void noteFileRoundTrip_data();
    void noteFileRoundTrip();
    void oversizeWindowIsClamped();
    void passwordIsWrittenBlank();
    void legacyPasswordComesBackApart();
    void checkListWithoutRowsGetsOne();
    void writeRefusesWhatItCannotCarry_data();
    void writeRefusesWhatItCannotCarry();
    void unrepresentableInNote();

    void damagedNoteFiles_data();
    void damagedNoteFiles();
    void notANoteFile_data();
    void notANoteFile();
    void everyCutOfAFileIsReported();
    void mutatedFilesNeverCrash();
    void nonsenseValuesFallBack();

    void recordStore_data();
    void recordStore();

    void legacyDat();
    void legacyDatCutShort();

    void writeFile_data();
    void writeFile();
    void failedWriteKeepsOldFile();

private:
    std::unique_ptr<test::TestEnvironment> m_env;
};

// ---- primitive fields -------------------------------------------------------------

void TestNoteFile::fieldEncodings_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("int16 negative") << "int16" << QVariant(-2) << QByteArray::fromHex("feff");
    QTest::newRow("int16 little-endian") << "int16" << QVariant(0x1234) << QByteArray::fromHex("3412");
    QTest::newRow("bool16 true is all bits") << "bool16" << QVariant(true) << QByteArray::fromHex("ffff");
    QTest::newRow("bool16 false") << "bool16" << QVariant(false) << QByteArray::fromHex("0000");
    QTest::newRow("byte") << "byte" << QVariant(200) << QByteArray::fromHex("c8");
    QTest::newRow("int32 system colour") << "int32" << QVariant(qint32(0x80000008u)) << QByteArray::fromHex("08000080");
    QTest::newRow("float32") << "float32" << QVariant(8.25f) << QByteArray::fromHex("00000441");
    QTest::newRow("date day and a half") << "date" << QVariant(1.5) << QByteArray::fromHex("000000000000f83f");
    QTest::newRow("string in Windows-1252") << "string" << QVariant(QStringLiteral("\u00e9\u20ac"))
                                            << QByteArray::fromHex("0200e980");
    QTest::newRow("string empty") << "string" << QVariant(QString()) << QByteArray::fromHex("0000");
    QTest::newRow("fixed text padded") << "fixed4" << QVariant(QStringLiteral("ab")) << QByteArray("ab  ");
    QTest::newRow("fixed text cut") << "fixed4" << QVariant(QStringLiteral("abcdef")) << QByteArray("abcd");
}

void TestNoteFile::fieldEncodings()
{
    QFETCH(QString, kind);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, bytes);

    QByteArray out;
    ByteWriter w(out);
    if (kind == "int16")
        w.int16(value.toInt());
    else if (kind == "bool16")
        w.bool16(value.toBool());
    else if (kind == "byte")
        w.byte(quint8(value.toInt()));
    else if (kind == "int32")
        w.int32(value.toInt());
    else if (kind == "float32")
        w.float32(value.toFloat());
    else if (kind == "date")
        w.date(value.toDouble());
    else if (kind == "string")
        QVERIFY(w.string(value.toString()));
    else
        w.fixedText(value.toString(), 4);
    QCOMPARE(out.toHex(), bytes.toHex());

    ByteReader r(out);
    QVariant back;
    if (kind == "int16")
        back = int(r.int16());
    else if (kind == "bool16")
        back = r.bool16();
    else if (kind == "byte")
        back = int(r.byte());
    else if (kind == "int32")
        back = r.int32();
    else if (kind == "float32")
        back = r.float32();
    else if (kind == "date")
        back = r.date();
    else if (kind == "string")
        back = r.string();
    else
        back = r.fixedText(4);
    QVERIFY(r.ok());
    QVERIFY(r.atEnd());
    if (kind == "fixed4")
        QCOMPARE(back.toString(), QString::fromLatin1(bytes));
    else
        QCOMPARE(back, value);
}

void TestNoteFile::readerStopsAtTheEnd_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("int16 of one byte") << "int16" << QByteArray("\x01", 1);
    QTest::newRow("int32 of three") << "int32" << QByteArray("\x01\x02\x03", 3);
    QTest::newRow("float32 of two") << "float32" << QByteArray("\x01\x02", 2);
    QTest::newRow("date of seven") << "date" << QByteArray(7, '\x01');
    QTest::newRow("byte of none") << "byte" << QByteArray();
    QTest::newRow("string count cut") << "string" << QByteArray("\x05", 1);
    QTest::newRow("string longer than the data") << "string" << QByteArray("\x05\x00" "abc", 5);
    QTest::newRow("string count of 65535") << "string" << QByteArray("\xff\xff" "abc", 5);
    QTest::newRow("fixed text cut") << "fixed" << QByteArray("abc");
}

void TestNoteFile::readerStopsAtTheEnd()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);

    // Two good bytes first, so the failure's position is not simply 0.
    const QByteArray data = QByteArray("\x07\x00", 2) + bytes;
    ByteReader r(data);
    QCOMPARE(r.int16(), qint16(7));
    if (kind == "int16")
        QCOMPARE(r.int16(), qint16(0));
    else if (kind == "int32")
        QCOMPARE(r.int32(), 0);
    else if (kind == "float32")
        QCOMPARE(r.float32(), 0.0f);
    else if (kind == "date")
        QCOMPARE(r.date(), 0.0);
    else if (kind == "byte")
        QCOMPARE(r.byte(), quint8(0));
    else if (kind == "string")
        QCOMPARE(r.string(), QString());
    else
        QCOMPARE(r.fixedText(4), QString());

    QVERIFY(!r.ok());
    QCOMPARE(r.failedAt(), qsizetype(2));
    QCOMPARE(r.position(), qsizetype(2));
    // Once failed, every read fails, even one that would fit.
    QCOMPARE(r.byte(), quint8(0));
    QCOMPARE(r.position(), qsizetype(2));
    QCOMPARE(r.failedAt(), qsizetype(2));
}

void TestNoteFile::int16IsClamped_data()
{
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<int>("written");

    QTest::newRow("largest") << 32767LL << 32767;
    QTest::newRow("just beyond") << 32768LL << 32767;
    QTest::newRow("far beyond") << 40000LL << 32767;
    QTest::newRow("smallest") << -32768LL << -32768;
    QTest::newRow("below") << -40000LL << -32768;
}

void TestNoteFile::int16IsClamped()
{
    QFETCH(qlonglong, value);
    QFETCH(int, written);
    QByteArray out;
    ByteWriter(out).int16(value);
    ByteReader r(out);
    QCOMPARE(int(r.int16()), written);
}

void TestNoteFile::dateValues_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("dateKnown");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("timeKnown");
    QTest::addColumn<QTime>("time");

    QTest::newRow("zero date") << 0.0 << true << QDate() << true << QTime(0, 0);
    QTest::newRow("a date") << 38020.0 << true << QDate(2004, 2, 3) << true << QTime(0, 0);
    QTest::newRow("a time only") << 0.75 << true << QDate() << true << QTime(18, 0);
    QTest::newRow("date and time") << 46088.5 << true << QDate(2026, 3, 7) << true << QTime(12, 0);
    QTest::newRow("before 1899 the fraction counts forward") << -1.25 << true << QDate(1899, 12, 29) << true
                                                             << QTime(6, 0);
    QTest::newRow("a hair before midnight") << 0.9999999999 << true << QDate() << true << QTime(0, 0);
    QTest::newRow("first day") << -657434.0 << true << QDate(100, 1, 1) << true << QTime(0, 0);
    QTest::newRow("last day") << 2958465.0 << true << QDate(9999, 12, 31) << true << QTime(0, 0);
    QTest::newRow("beyond year 9999") << 2958466.0 << false << QDate() << false << QTime();
    QTest::newRow("huge") << 1e300 << false << QDate() << false << QTime();
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false << QDate() << false << QTime();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << QDate() << false << QTime();
}

void TestNoteFile::dateValues()
{
    QFETCH(double, value);
    QFETCH(bool, dateKnown);
    QFETCH(QDate, date);
    QFETCH(bool, timeKnown);
    QFETCH(QTime, time);

    const std::optional<QDate> d = DateOfOleValue(value);
    QCOMPARE(d.has_value(), dateKnown);
    if (d)
        QCOMPARE(*d, date);
    const std::optional<QTime> t = TimeOfOleValue(value);
    QCOMPARE(t.has_value(), timeKnown);
    if (t)
        QCOMPARE(*t, time);
    // Written values come back.
    if (d && t && value >= 0) {
        QCOMPARE(*DateOfOleValue(OleDateValue(*d)), *d);
        QCOMPARE(*TimeOfOleValue(OleTimeValue(*t)), *t);
    }
}

// ---- 8-bit text ---------------------------------------------------------------------

void TestNoteFile::windows1252RoundTrip()
{
    QVERIFY2(Windows1252Available(), "Qt was built without ICU: Windows-1252 text would be read as Latin-1");
    QCOMPARE(ToWindows1252(u"\u00e9\u20ac"), QByteArray("\xe9\x80"));
    QCOMPARE(FromWindows1252("\xe9\x80"), QStringLiteral("\u00e9\u20ac"));
    QCOMPARE(FromWindows1252("\x93quoted\x94 \x85"), QStringLiteral("\u201cquoted\u201d \u2026"));

    // Every byte reads as one character and writes back as itself, the bytes the code
    // page leaves undefined included.
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = FromWindows1252(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(Windows1252Unrepresentable(text).isEmpty());
    QCOMPARE(ToWindows1252(text), all);
}

void TestNoteFile::unrepresentable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("characters");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("western text") << QStringLiteral("Caf\u00e9 \u20ac5 \u201cok\u201d") << QStringList()
                                  << QByteArray("Caf\xe9 \x80" "5 \x93ok\x94");
    QTest::newRow("CJK, each once in order")
        << QStringLiteral("\u65e5\u672c a \u65e5") << QStringList{QStringLiteral("\u65e5"), QStringLiteral("\u672c")}
        << QByteArray("?? a ?");
    QTest::newRow("emoji is one character")
        << QStringLiteral("hi \U0001F600!") << QStringList{QStringLiteral("\U0001F600")} << QByteArray("hi ?!");
    QTest::newRow("a leading byte-order mark is not dropped")
        << QStringLiteral("\ufeffx") << QStringList{QStringLiteral("\ufeff")} << QByteArray("?x");
    QTest::newRow("half a surrogate pair")
        << QString(QChar(0xD83D)) + QStringLiteral("x") << QStringList{QString(QChar(0xD83D))} << QByteArray("?x");
    QTest::newRow("Latin Extended-A") << QStringLiteral("\u0141\u00f3d\u017a")
                                      << QStringList{QStringLiteral("\u0141"), QStringLiteral("\u017a")}
                                      << QByteArray("?\xf3" "d?");
}

void TestNoteFile::unrepresentable()
{
    QFETCH(QString, text);
    QFETCH(QStringList, characters);
    QFETCH(QByteArray, written);
    QCOMPARE(Windows1252Unrepresentable(text), characters);
    QCOMPARE(ToWindows1252(text), written);
}

void TestNoteFile::decodeTextFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ASCII") << QByteArray("plain\r\ntext") << QStringLiteral("plain\r\ntext");
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << QStringLiteral("caf\u00e9 \u20ac");
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xef\xbb\xbfhi \xc3\xa9") << QStringLiteral("hi \u00e9");
    QTest::newRow("Windows-1252") << QByteArray("caf\xe9 \x80") << QStringLiteral("caf\u00e9 \u20ac");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestNoteFile::decodeTextFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeTextFile(bytes), text);
}

// ---- single-note files --------------------------------------------------------------

void TestNoteFile::noteFileRoundTrip_data()
{
    QTest::addColumn<StoredNote>("note");
    QTest::newRow("text note") << sampleTextNote();
    QTest::newRow("check list") << sampleCheckList();
    StoredNote old = sampleTextNote();
    old.type = QStringLiteral("TextNote30");
    old.nid.clear();
    old.visible = true;
    QTest::newRow("text note of an old store, no identifier") << old;
}

void TestNoteFile::noteFileRoundTrip()
{
    QFETCH(StoredNote, note);
    const NoteFileBytes file = WriteNoteFile(note);
    QVERIFY2(file.ok(), qPrintable(file.error));
    QVERIFY(file.bytes.startsWith("NoteFile 3.0\r\n"));

    const BinaryReadResult back = ReadNoteFile(file.bytes);
    QCOMPARE(back.status, BinaryReadStatus::Complete);
    QVERIFY(back.error.isEmpty());
    QCOMPARE(back.notes.size(), 1);
    QCOMPARE(back.notes[0].note, asReadBack(note));
    QCOMPARE(back.notes[0].password, QString());
}

void TestNoteFile::oversizeWindowIsClamped()
{
    StoredNote note = sampleTextNote();
    note.width = 40000;
    note.height = 100000;
    const BinaryReadResult back = ReadNoteFile(WriteNoteFile(note).bytes);
    QCOMPARE(back.notes.size(), 1);
    QCOMPARE(back.notes[0].note.width, std::optional<int>(32767));
    QCOMPARE(back.notes[0].note.height, std::optional<int>(32767));
}

void TestNoteFile::passwordIsWrittenBlank()
{
    const StoredNote note = sampleCheckList();
    const QByteArray bytes = WriteNoteFile(note).bytes;
    // Header, the counted title, top, left, visible, width, height, then the password.
    const qsizetype at = 14 + 2 + note.title.size() + 5 * 2;
    QCOMPARE(bytes.mid(at, 12), QByteArray(12, ' '));
    QCOMPARE(ReadNoteFile(bytes).notes.value(0).password, QString());

    // What the caller passes is what is written, cut to the field.
    const QByteArray withPassword = WriteNoteFile(note, QStringLiteral("a very long secret")).bytes;
    QCOMPARE(withPassword.mid(at, 12), QByteArray("a very long "));
}

void TestNoteFile::legacyPasswordComesBackApart()
{
    // Written by the Windows program's layout (see the fixture script).
    const BinaryReadResult r = ReadNoteFile(fixture(QStringLiteral("legacy_password.NoteFile")));
    QCOMPARE(r.status, BinaryReadStatus::Complete);
    QCOMPARE(r.notes.size(), 1);
    QCOMPARE(r.notes[0].password, QStringLiteral("secret"));

    const StoredNote &n = r.notes[0].note;
    QCOMPARE(n.title, QStringLiteral("Bank caf\u00e9 \u20ac"));
    QCOMPARE(n.type, QStringLiteral("TextNote30"));
    QCOMPARE(n.nid, QStringLiteral("OFFICE:01022004:093000:12"));
    QCOMPARE(n.text, QStringLiteral("PIN is not here\r\nLine 2"));
    QCOMPARE(n.visible, false);
    QCOMPARE(n.width, std::optional<int>(3600));
    QCOMPARE(n.height, std::optional<int>(2700));
    QCOMPARE(n.style.fontName, QStringLiteral("Arial"));
    QCOMPARE(n.style.fontSize, 10.0f);
    QVERIFY(n.style.bold);
    QCOMPARE(n.style.foreColor, 0x000080);
    QCOMPARE(n.style.backColor, 0xC0FFFF);
    QVERIFY(n.alarm.Enabled);
    QCOMPARE(n.alarm.AlarmTime, QTime(9, 30));
    QCOMPARE(n.alarm.AlarmDate, QDate(2004, 2, 3));
    QCOMPARE(n.alarm.Sound, QStringLiteral("C:\\Sounds\\ding.wav"));
}

void TestNoteFile::checkListWithoutRowsGetsOne()
{
    StoredNote note = sampleCheckList();
    note.rows.clear();
    const BinaryReadResult r = ReadNoteFile(WriteNoteFile(note).bytes);
    QCOMPARE(r.status, BinaryReadStatus::Complete);
    QCOMPARE(r.notes.value(0).note.rows, QList<CheckRow>{CheckRow{}});
}

void TestNoteFile::writeRefusesWhatItCannotCarry_data()
{
    QTest::addColumn<StoredNote>("note");
    QTest::addColumn<QString>("errorPart");

    StoredNote longText = sampleTextNote();
    longText.text = QString(65536, QLatin1Char('a'));
    QTest::newRow("text of 65,536 bytes") << longText << "note's text is too long";
    StoredNote longRow = sampleCheckList();
    longRow.rows[2].text = QString(70000, QLatin1Char('b'));
    QTest::newRow("a row too long") << longRow << "text of row 3 is too long";
    StoredNote longTitle = sampleTextNote();
    longTitle.title = QString(65536, QLatin1Char('t'));
    QTest::newRow("title too long") << longTitle << "title is too long";
    StoredNote unknown = sampleTextNote();
    unknown.type = QStringLiteral("Sketch");
    QTest::newRow("unknown type") << unknown << "\"Sketch\" cannot be written";
}

void TestNoteFile::writeRefusesWhatItCannotCarry()
{
    QFETCH(StoredNote, note);
    QFETCH(QString, errorPart);
    const NoteFileBytes file = WriteNoteFile(note);
    QVERIFY(!file.ok());
    QVERIFY(file.bytes.isEmpty());
    QVERIFY2(file.error.contains(errorPart), qPrintable(file.error));

    // The largest text that fits is written whole.
    if (note.text.size() == 65536) {
        note.text.chop(1);
        const NoteFileBytes fits = WriteNoteFile(note);
        QVERIFY(fits.ok());
        QCOMPARE(ReadNoteFile(fits.bytes).notes.value(0).note.text, note.text);
    }
}

void TestNoteFile::unrepresentableInNote()
{
    StoredNote note = sampleCheckList();
    note.title = QStringLiteral("\u65c5\u884c");
    note.rows.append({false, QStringLiteral("camera \U0001F4F7")});
    note.text = QStringLiteral("\u03a9");   // a check list has no text: not written, not listed
    QCOMPARE(UnrepresentableInNoteFile(note),
             (QStringList{QStringLiteral("\u65c5"), QStringLiteral("\u884c"), QStringLiteral("\U0001F4F7")}));
    QVERIFY(UnrepresentableInNoteFile(sampleTextNote()).isEmpty());
}

void TestNoteFile::damagedNoteFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<BinaryReadStatus>("status");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("failedRecord");
    QTest::addColumn<QString>("error");

    QTest::newRow("cut short in the second note's text")
        << "truncated.NoteFile" << BinaryReadStatus::Damaged << QStringList{"First"} << 2
        << "Record 2 is cut short: the file ends inside its text note.";
    QTest::newRow("an unknown note type")
        << "unknown_type.NoteFile" << BinaryReadStatus::Damaged << QStringList{"First"} << 2
        << "Record 2 has the unknown note type \"Sketch30\".";
    QTest::newRow("blank titles skip their bodies")
        << "blank_title.NoteFile" << BinaryReadStatus::Complete << QStringList{"Kept", "Also kept"} << 0
        << QString();
}

void TestNoteFile::damagedNoteFiles()
{
    QFETCH(QString, file);
    QFETCH(BinaryReadStatus, status);
    QFETCH(QStringList, titles);
    QFETCH(int, failedRecord);
    QFETCH(QString, error);

    const QByteArray bytes = fixture(file);
    const BinaryReadResult r = ReadNoteFile(bytes);
    QCOMPARE(r.status, status);
    QCOMPARE(titlesOf(r), titles);
    QCOMPARE(r.failedRecord, failedRecord);
    QCOMPARE(r.error, error);
    if (status == BinaryReadStatus::Damaged)
        QVERIFY(r.failedAt > 14 && r.failedAt <= bytes.size());

    if (file == "blank_title.NoteFile") {
        QCOMPARE(r.notes[0].note.text, QStringLiteral("kept text"));
        QCOMPARE(r.notes[1].note.rows,
                 (QList<CheckRow>{{true, QStringLiteral("milk")}, {false, QStringLiteral("eggs")}}));
    }
}

void TestNoteFile::notANoteFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<BinaryReadStatus>("status");

    QTest::newRow("empty") << QByteArray() << BinaryReadStatus::Empty;
    QTest::newRow("header alone") << QByteArray("NoteFile 3.0\r\n") << BinaryReadStatus::Complete;
    QTest::newRow("a blank after the version") << QByteArray("NoteFile 3.0 \r\n") << BinaryReadStatus::WrongHeader;
    QTest::newRow("line feed alone") << QByteArray("NoteFile 3.0\n") << BinaryReadStatus::WrongHeader;
    QTest::newRow("the pixel store is no note file") << QByteArray("NoteFile 3.1\r\n") << BinaryReadStatus::WrongHeader;
    QTest::newRow("the XML store") << QByteArray("<!--Pellux NoteData 4-->\r\n<notedata/>")
                                   << BinaryReadStatus::WrongHeader;
    QTest::newRow("half a header") << QByteArray("NoteFi") << BinaryReadStatus::WrongHeader;
}

void TestNoteFile::notANoteFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(BinaryReadStatus, status);
    const BinaryReadResult r = ReadNoteFile(bytes);
    QCOMPARE(r.status, status);
    QVERIFY(r.notes.isEmpty());
    QVERIFY(r.complete() == (status != BinaryReadStatus::WrongHeader));
}

void TestNoteFile::everyCutOfAFileIsReported()
{
    const QByteArray first = WriteNoteFile(sampleTextNote()).bytes;
    const QByteArray second = WriteNoteFile(sampleCheckList()).bytes.mid(14);
    const QByteArray whole = first + second;

    for (qsizetype cut = 15; cut < whole.size(); ++cut) {
        const BinaryReadResult r = ReadNoteFile(whole.left(cut));
        if (cut == first.size()) {
            QCOMPARE(r.status, BinaryReadStatus::Complete);
            QCOMPARE(r.notes.size(), 1);
            continue;
        }
        const int whole1 = cut > first.size() ? 1 : 0;
        QVERIFY2(r.status == BinaryReadStatus::Damaged, qPrintable(QString::number(cut)));
        QCOMPARE(r.notes.size(), whole1);
        QCOMPARE(r.failedRecord, whole1 + 1);
        QVERIFY(r.failedAt >= (whole1 ? first.size() : 14) && r.failedAt <= cut);
        QVERIFY(r.error.startsWith(QStringLiteral("Record %1 is cut short").arg(whole1 + 1)));
    }
}

void TestNoteFile::mutatedFilesNeverCrash()
{
    const QByteArray first = WriteNoteFile(sampleTextNote()).bytes;
    const QByteArray good = first + WriteNoteFile(sampleCheckList()).bytes.mid(14);
    QRandomGenerator random(20260307);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = good;
        for (int flips = 1 + random.bounded(4); flips > 0; --flips)
            bytes[14 + random.bounded(int(bytes.size() - 14))] = char(random.bounded(256));
        if (random.bounded(3) == 0)
            bytes.truncate(14 + random.bounded(int(bytes.size() - 14)));
        const BinaryReadResult r = ReadNoteFile(bytes);
        QVERIFY(r.status == BinaryReadStatus::Complete || r.status == BinaryReadStatus::Damaged);
        if (r.status == BinaryReadStatus::Damaged) {
            QVERIFY(r.failedRecord > r.notes.size());
            QVERIFY(r.failedAt >= 14 && r.failedAt <= bytes.size());
            QVERIFY(!r.error.isEmpty());
        }
        const BinaryReadResult store = ReadRecordStore(bytes, PixelScale());
        QCOMPARE(store.status, r.status);
    }
}

void TestNoteFile::nonsenseValuesFallBack()
{
    // A size and alarm no one could have set, as a damaged file may carry them.
    StoredNote note = sampleTextNote();
    note.alarm.AlarmType = 0;
    QByteArray bytes = WriteNoteFile(note).bytes;
    const qsizetype record = 14 + 2 + ToWindows1252(note.title).size();
    const qsizetype alarmDate = record + 5 * 2 + 12 + 2 + 1 + 8;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    bytes.replace(alarmDate, 8, QByteArray(reinterpret_cast<const char *>(&nan), 8));
    const qsizetype sizeAt = bytes.indexOf("DejaVu Sans") + note.style.fontName.size();
    const float negative = -3.0f;
    bytes.replace(sizeAt, 4, QByteArray(reinterpret_cast<const char *>(&negative), 4));

    NoteDefaults defaults;
    defaults.style.fontSize = 11.0f;
    const BinaryReadResult r = ReadNoteFile(bytes, defaults);
    QCOMPARE(r.status, BinaryReadStatus::Complete);
    const StoredNote &n = r.notes.value(0).note;
    QCOMPARE(n.style.fontSize, 11.0f);
    // A once-alarm that cannot say on which day it fires is off, not firing at a guess.
    QVERIFY(!n.alarm.Enabled);
    QCOMPARE(n.alarm.AlarmDate, QDate());
    QCOMPARE(n.alarm.AlarmTime, note.alarm.AlarmTime);
}

// ---- old stores ---------------------------------------------------------------------

void TestNoteFile::recordStore_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<int>("scaleY");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("3.1 pixels, unequal factors") << QByteArray("NoteFile 3.1\r\n") << 12 << 20 << 100 * 20 << 50 * 12
                                                 << 200 * 12 << 150 * 20;
    QTest::newRow("3.1 pixels, no screen factor") << QByteArray("NoteFile 3.1\r\n") << 0 << 0 << 1500 << 750
                                                  << 3000 << 2250;
    QTest::newRow("3.0 twips as they are") << QByteArray("NoteFile 3.0\r\n") << 12 << 20 << 100 << 50 << 200 << 150;
}

void TestNoteFile::recordStore()
{
    QFETCH(QByteArray, header);
    QFETCH(int, scaleX);
    QFETCH(int, scaleY);
    QFETCH(int, top);
    QFETCH(int, left);
    QFETCH(int, width);
    QFETCH(int, height);

    QByteArray bytes = fixture(QStringLiteral("pixels.NoteData"));
    bytes.replace(0, 14, header);
    const BinaryReadResult r = ReadRecordStore(bytes, PixelScale{scaleX, scaleY});
    QCOMPARE(r.status, BinaryReadStatus::Complete);
    QCOMPARE(titlesOf(r), (QStringList{"Placed", "List"}));

    const StoredNote &placed = r.notes[0].note;
    QCOMPARE(placed.top, std::optional<int>(top));
    QCOMPARE(placed.left, std::optional<int>(left));
    QCOMPARE(placed.width, std::optional<int>(width));
    QCOMPARE(placed.height, std::optional<int>(height));
    QCOMPARE(placed.text, QStringLiteral("in pixels"));
    QCOMPARE(r.notes[0].password, QString());

    // A check list stored with height 0 keeps its default size; its password comes apart.
    const StoredNote &list = r.notes[1].note;
    QCOMPARE(list.type, QStringLiteral("CheckList30"));
    QVERIFY(!list.height.has_value());
    QVERIFY(list.width.has_value());
    QVERIFY(list.ontop);
    QCOMPARE(list.nid, QString());
    QCOMPARE(list.rows, (QList<CheckRow>{{false, QStringLiteral("one")}, {true, QStringLiteral("two")}}));
    QCOMPARE(r.notes[1].password, QStringLiteral("pw"));

    // A note file is no store of either kind, and the reverse.
    QCOMPARE(ReadNoteFile(bytes).status,
             header.startsWith("NoteFile 3.0") ? BinaryReadStatus::Complete : BinaryReadStatus::WrongHeader);
    QCOMPARE(ReadRecordStore(QByteArray("Pellux"), PixelScale()).status, BinaryReadStatus::WrongHeader);
}

void TestNoteFile::legacyDat()
{
    NoteDefaults defaults;
    defaults.style.fontName = QStringLiteral("Noto Sans");
    defaults.style.fontSize = 11.0f;
    defaults.style.foreColor = 0x010203;
    defaults.style.backColor = 0x040506;
    defaults.style.italic = true;

    const BinaryReadResult r = ReadLegacyDat(fixture(QStringLiteral("legacy.DAT")), defaults);
    QCOMPARE(r.status, BinaryReadStatus::Complete);
    // A never-written record and a blank-titled one are left out.
    QCOMPARE(titlesOf(r), (QStringList{"Styled", "Defaults", "Protected"}));

    const StoredNote &styled = r.notes[0].note;
    QCOMPARE(styled.type, QStringLiteral("TextNote30"));
    QCOMPARE(styled.text, QStringLiteral("Styled text\r\nsecond line"));
    QCOMPARE(styled.top, std::optional<int>(1440));
    QCOMPARE(styled.left, std::optional<int>(2880));
    QCOMPARE(styled.width, std::optional<int>(3600));
    QCOMPARE(styled.height, std::optional<int>(2400));
    QCOMPARE(styled.style.fontName, QStringLiteral("Courier New"));
    QCOMPARE(styled.style.fontSize, 9.75f);
    QVERIFY(styled.style.bold && styled.style.underline);
    QVERIFY(!styled.style.italic && !styled.style.strikethru);
    QCOMPARE(styled.style.foreColor, 0x00FF00);
    QCOMPARE(styled.style.backColor, 0x00FFFF);
    QVERIFY(styled.ontop && !styled.rollup && styled.dynamicTitle);
    QCOMPARE(styled.nid, QString());
    QCOMPARE(styled.alarm, AlarmRecord());
    QCOMPARE(r.notes[0].password, QString());

    // All-NUL font name: the new-note defaults, font and colours alike.
    const StoredNote &plain = r.notes[1].note;
    QCOMPARE(plain.style, defaults.style);
    QVERIFY(plain.rollup);
    QCOMPARE(plain.text, QStringLiteral("Plain text"));

    QCOMPARE(r.notes[2].password, QStringLiteral("hush"));
    QVERIFY(!r.notes[2].note.visible);
}

void TestNoteFile::legacyDatCutShort()
{
    const QByteArray bytes = fixture(QStringLiteral("legacy.DAT"));
    const BinaryReadResult r = ReadLegacyDat(bytes.left(bytes.size() - 100), NoteDefaults());
    QCOMPARE(r.status, BinaryReadStatus::Damaged);
    QCOMPARE(titlesOf(r), (QStringList{"Styled", "Defaults"}));
    QCOMPARE(r.failedRecord, 5);
    QCOMPARE(r.failedAt, qsizetype(4 * LegacyDatRecordSize));
    QCOMPARE(r.error, QStringLiteral("Record 5 is cut short: the file ends 4,508 bytes into it, and a record has 4,608."));

    QCOMPARE(ReadLegacyDat(QByteArray(), NoteDefaults()).status, BinaryReadStatus::Empty);
    const BinaryReadResult tiny = ReadLegacyDat(QByteArray(10, 'x'), NoteDefaults());
    QCOMPARE(tiny.status, BinaryReadStatus::Damaged);
    QCOMPARE(tiny.failedRecord, 1);
}

// ---- writing a file -----------------------------------------------------------------

void TestNoteFile::writeFile_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("error");

    QTest::newRow("new file") << "out/note.NoteFile" << false << QString();
    QTest::newRow("replaces a file") << "out/note.NoteFile" << true << QString();
    QTest::newRow("folder gone") << "gone/note.NoteFile" << false << qt_error_string(ENOENT);
    QTest::newRow("folder is a file") << "out/plain.txt/note.NoteFile" << false << qt_error_string(ENOTDIR);
}

void TestNoteFile::writeFile()
{
    QFETCH(QString, relativePath);
    QFETCH(bool, existing);
    QFETCH(QString, error);

    const QString out = m_env->root() + QStringLiteral("/out");
    QVERIFY(QDir().mkpath(out));
    QVERIFY(test::TestEnvironment::writeFile(out + QStringLiteral("/plain.txt"), "text"));
    const QString path = m_env->root() + QLatin1Char('/') + relativePath;
    if (existing)
        QVERIFY(test::TestEnvironment::writeFile(path, QByteArray(5000, 'o')));

    const StoreWriteResult result = WriteFileAtomically(path, "new bytes");
    QCOMPARE(result.ok, error.isEmpty());
    QCOMPARE(result.error, error);
    if (result.ok)
        QCOMPARE(test::TestEnvironment::readFile(path), QByteArray("new bytes"));
    else
        QVERIFY(!QFileInfo::exists(path));
    // Nothing is left beside it.
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), result.ok ? 2 : 1);
}

void TestNoteFile::failedWriteKeepsOldFile()
{
    const QString path = m_env->root() + QStringLiteral("/note.NoteFile");
    const QByteArray old = WriteNoteFile(sampleTextNote()).bytes;
    QVERIFY(test::TestEnvironment::writeFile(path, old));

    const StoreWriteResult result = WriteFileAtomically(path, WriteNoteFile(sampleCheckList()).bytes,
                                                        [](const QString &p) -> std::unique_ptr<QSaveFile> {
                                                            return std::make_unique<FailingSaveFile>(p, 0);
                                                        });
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("No space left on device"));
    QCOMPARE(test::TestEnvironment::readFile(path), old);
    QCOMPARE(QDir(m_env->root()).entryList({QStringLiteral("note.NoteFile*")}, QDir::Files | QDir::Hidden).size(), 1);
}

QTEST_GUILESS_MAIN(TestNoteFile)
#include "tst_notefile.moc"
