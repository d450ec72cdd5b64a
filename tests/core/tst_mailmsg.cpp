#include "core/mail/MailMsg.h"
#include "support/SmtpTestServer.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QtTest>

using namespace pellux;

namespace {

QJsonObject parsed(MailMsg &msg)
{
    QString error;
    const QJsonObject o = test::ParseMail(msg.toBytes(), &error);
    if (o.isEmpty())
        qWarning("mail_parse.py: %s", qPrintable(error));
    return o;
}

QJsonObject part(const QJsonObject &mail, int i) { return mail.value(QStringLiteral("parts")).toArray().at(i).toObject(); }

QString header(const QJsonObject &mail, const char *name)
{
    return mail.value(QStringLiteral("headers")).toObject().value(QLatin1String(name)).toString();
}

QByteArray payload(const QJsonObject &p)
{
    return QByteArray::fromBase64(p.value(QStringLiteral("payload_b64")).toString().toLatin1());
}

void fillHeaders(MailMsg &msg)
{
    msg.clear();
    QVERIFY(msg.setFrom(QStringLiteral("me@example.org")));
    QVERIFY(msg.setTo(QStringLiteral("you@example.net")));
    msg.setSubject(QStringLiteral("Subject"));
    msg.setMailer(QStringLiteral("Pellux v3.2  (Build 155)"));
    QVERIFY(msg.setEncoding(QStringLiteral("8bit")));
}

} // namespace

class TestMailMsg : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void bodyCharset_data();
    void bodyCharset();
    void linesEndInCrLf();
    void headersNeedingEncoding();
    void dateAndMessageId();
    void longLineSurvives();
    void attachment();
    void clearStartsAfresh();
    void errors_data();
    void errors();

private:
    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestMailMsg::bodyCharset_data()
{
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mime");
    QTest::addColumn<QString>("charset");
    QTest::newRow("ASCII plain keeps us-ascii") << "text/plain; charset=us-ascii" << "Plain\r\ntext\r\n" << "text/plain" << "us-ascii";
    QTest::newRow("umlauts plain become utf-8") << "text/plain; charset=us-ascii" << "Grüße\r\n" << "text/plain" << "utf-8";
    QTest::newRow("CJK and emoji") << "text/plain; charset=us-ascii" << "日本語 \U0001F600\r\n" << "text/plain" << "utf-8";
    QTest::newRow("ASCII html") << "text/html; charset=us-ascii" << "<html>a &amp; b</html>\r\n" << "text/html" << "us-ascii";
    QTest::newRow("non-ASCII html") << "text/html; charset=us-ascii" << "<html>café</html>\r\n" << "text/html" << "utf-8";
    QTest::newRow("a declared 8-bit charset that is not what is written")
        << "text/plain; charset=iso-8859-1" << "€uro\r\n" << "text/plain" << "utf-8";
}

void TestMailMsg::bodyCharset()
{
    QFETCH(QString, contentType);
    QFETCH(QString, text);
    QFETCH(QString, mime);
    QFETCH(QString, charset);
    MailMsg msg;
    fillHeaders(msg);
    msg.newPart();
    QVERIFY(msg.setContentType(contentType));
    QVERIFY(msg.setContentEncoding(QStringLiteral("8bit")));
    QVERIFY(msg.setContent(text));

    const QJsonObject mail = parsed(msg);
    QVERIFY(!mail.isEmpty());
    QCOMPARE(mail.value(QStringLiteral("defects")).toArray().size(), 0);
    const QJsonObject p = part(mail, 0);
    QCOMPARE(p.value(QStringLiteral("content_type")).toString(), mime);
    QCOMPARE(p.value(QStringLiteral("charset")).toString(), charset);
    QCOMPARE(p.value(QStringLiteral("text")).toString(), text);
}

void TestMailMsg::linesEndInCrLf()
{
    MailMsg msg;
    fillHeaders(msg);
    msg.newPart();
    QVERIFY(msg.setContent(QStringLiteral("one\r\ntwo\r\n")));
    const QString file = m_env->tempDir() + QStringLiteral("note.bin");
    QVERIFY(test::TestEnvironment::writeFile(file, QByteArray(3000, '\n')));
    QVERIFY(msg.attachFile(file, MailMsg::AttachBase64));
    const QByteArray raw = msg.toBytes();
    QVERIFY(!raw.isEmpty());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == '\n')
            QVERIFY2(i > 0 && raw.at(i - 1) == '\r', qPrintable(QStringLiteral("bare LF at %1").arg(i)));
        if (raw.at(i) == '\r')
            QVERIFY2(i + 1 < raw.size() && raw.at(i + 1) == '\n', qPrintable(QStringLiteral("bare CR at %1").arg(i)));
    }
}

void TestMailMsg::headersNeedingEncoding()
{
    MailMsg msg;
    msg.clear();
    QVERIFY(msg.setFrom(QStringLiteral("Jürgen Groß <me@example.org>")));
    QVERIFY(msg.setTo(QStringLiteral("Zoë <you@example.net>, other@example.net")));
    msg.setSubject(QStringLiteral("Einkäufe für Montag – 日本"));
    msg.newPart();
    QVERIFY(msg.setContent(QStringLiteral("x")));

    const QByteArray raw = msg.toBytes();
    const QByteArray head = raw.left(raw.indexOf("\r\n\r\n"));
    for (const char c : head)
        QVERIFY2(uchar(c) < 0x80, "the header section carries 8-bit bytes");
    const QJsonObject mail = parsed(msg);
    QCOMPARE(header(mail, "Subject"), QStringLiteral("Einkäufe für Montag – 日本"));
    QCOMPARE(header(mail, "From"), QStringLiteral("Jürgen Groß <me@example.org>"));
    QCOMPARE(header(mail, "To"), QStringLiteral("Zoë <you@example.net>, other@example.net"));
}

void TestMailMsg::dateAndMessageId()
{
    MailMsg msg;
    fillHeaders(msg);
    msg.newPart();
    QVERIFY(msg.setContent(QStringLiteral("x")));

    QJsonObject mail = parsed(msg);
    const QDateTime date = QDateTime::fromString(header(mail, "Date"), Qt::RFC2822Date);
    QVERIFY2(date.isValid(), qPrintable(header(mail, "Date")));
    QVERIFY(qAbs(date.secsTo(QDateTime::currentDateTime())) < 600);
    const QString id = header(mail, "Message-ID");
    QVERIFY2(QRegularExpression(QStringLiteral("^<[^<>@\\s]+@example\\.org>$")).match(id).hasMatch(), qPrintable(id));
    QCOMPARE(header(parsed(msg), "Message-ID"), id); // one message, one identifier

    QVERIFY(msg.setDate(QStringLiteral("Thu, 10 Dec 2026 10:30:15 +0100")));
    mail = parsed(msg);
    QCOMPARE(QDateTime::fromString(header(mail, "Date"), Qt::RFC2822Date),
             QDateTime::fromString(QStringLiteral("Thu, 10 Dec 2026 10:30:15 +0100"), Qt::RFC2822Date));

    MailMsg other;
    fillHeaders(other);
    other.newPart();
    QVERIFY(other.setContent(QStringLiteral("x")));
    QVERIFY(header(parsed(other), "Message-ID") != id);
}

void TestMailMsg::longLineSurvives()
{
    // SMTP allows 998 octets a line; a longer paragraph under "8bit" would be cut or refused.
    const QString text = QString(2500, QLatin1Char('a')) + QStringLiteral(" ü\r\nshort\r\n");
    MailMsg msg;
    fillHeaders(msg);
    msg.newPart();
    QVERIFY(msg.setContentEncoding(QStringLiteral("8bit")));
    QVERIFY(msg.setContent(text));
    const QByteArray raw = msg.toBytes();
    for (const QByteArray &line : raw.split('\n'))
        QVERIFY(line.size() <= 1000);
    const QJsonObject p = part(parsed(msg), 0);
    QCOMPARE(p.value(QStringLiteral("cte")).toString(), QStringLiteral("quoted-printable"));
    QCOMPARE(p.value(QStringLiteral("text")).toString(), text);
}

void TestMailMsg::attachment()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    bytes += QByteArray("\r\n.\r\n\r\n.end", 11);
    const QString file = m_env->tempDir() + QStringLiteral("Grüße_an_Zoë-5-135295A.NoteFile");
    QVERIFY(test::TestEnvironment::writeFile(file, bytes));

    MailMsg msg;
    fillHeaders(msg);
    msg.newPart();
    QVERIFY(msg.setContent(QStringLiteral("body")));
    QVERIFY(msg.attachFile(file, MailMsg::AttachBase64));
    QVERIFY(msg.setContentType(QStringLiteral("application/x-pellux")));
    QVERIFY(QFile::remove(file)); // read when attached, not when saved

    const QJsonObject mail = parsed(msg);
    QCOMPARE(mail.value(QStringLiteral("content_type")).toString(), QStringLiteral("multipart/mixed"));
    const QJsonObject a = part(mail, 1);
    QCOMPARE(a.value(QStringLiteral("content_type")).toString(), QStringLiteral("application/x-pellux"));
    QCOMPARE(a.value(QStringLiteral("cte")).toString(), QStringLiteral("base64"));
    QCOMPARE(a.value(QStringLiteral("disposition")).toString(), QStringLiteral("attachment"));
    QCOMPARE(a.value(QStringLiteral("filename")).toString(), QStringLiteral("Grüße_an_Zoë-5-135295A.NoteFile"));
    QCOMPARE(payload(a), bytes);
    QCOMPARE(part(mail, 0).value(QStringLiteral("text")).toString(), QStringLiteral("body"));
}

void TestMailMsg::clearStartsAfresh()
{
    MailMsg msg;
    fillHeaders(msg);
    msg.newPart();
    QVERIFY(msg.setContent(QStringLiteral("first")));
    msg.clear();
    QVERIFY(msg.setFrom(QStringLiteral("b@example.org")));
    msg.newPart();
    QVERIFY(msg.setContent(QStringLiteral("second")));
    const QJsonObject mail = parsed(msg);
    QCOMPARE(mail.value(QStringLiteral("parts")).toArray().size(), 1);
    QCOMPARE(part(mail, 0).value(QStringLiteral("text")).toString(), QStringLiteral("second"));
    QCOMPARE(header(mail, "Subject"), QString());
    QVERIFY(header(mail, "Message-ID").endsWith(QStringLiteral("@example.org>")));
}

void TestMailMsg::errors_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("number");
    QTest::newRow("nothing to send") << "save-empty" << int(MailErrorCompose);
    QTest::newRow("content type with no part") << "type-no-part" << int(MailErrorCompose);
    QTest::newRow("content type that is none") << "type-bad" << int(MailErrorCompose);
    QTest::newRow("content type with a header smuggled in") << "type-crlf" << int(MailErrorCompose);
    QTest::newRow("unknown encoding") << "encoding-bad" << int(MailErrorCompose);
    QTest::newRow("attachment encoding 0") << "attach-0" << int(MailErrorCompose);
    QTest::newRow("missing attachment") << "attach-missing" << int(MailErrorFile);
    QTest::newRow("not a date") << "date-bad" << int(MailErrorCompose);
    QTest::newRow("sender that is no address") << "from-bad" << int(MailErrorInvalidAddress);
    QTest::newRow("save into a missing folder") << "save-nowhere" << int(MailErrorFile);
}

void TestMailMsg::errors()
{
    QFETCH(QString, step);
    QFETCH(int, number);
    MailMsg msg;
    msg.clear();
    bool ok = true;
    if (step == QLatin1String("save-empty")) {
        ok = msg.saveToFile(m_env->tempDir() + QStringLiteral("PelluxEMail.mim"));
        QVERIFY(!QFile::exists(m_env->tempDir() + QStringLiteral("PelluxEMail.mim")));
    } else if (step == QLatin1String("type-no-part")) {
        ok = msg.setContentType(QStringLiteral("text/plain"));
    } else if (step == QLatin1String("type-bad")) {
        msg.newPart();
        ok = msg.setContentType(QStringLiteral("plain text"));
    } else if (step == QLatin1String("type-crlf")) {
        msg.newPart();
        ok = msg.setContentType(QStringLiteral("text/plain\r\nBcc: x@y.org"));
    } else if (step == QLatin1String("encoding-bad")) {
        msg.newPart();
        ok = msg.setContentEncoding(QStringLiteral("9bit"));
    } else if (step == QLatin1String("attach-0")) {
        QVERIFY(test::TestEnvironment::writeFile(m_env->tempDir() + QStringLiteral("a"), "x"));
        ok = msg.attachFile(m_env->tempDir() + QStringLiteral("a"), 0);
    } else if (step == QLatin1String("attach-missing")) {
        ok = msg.attachFile(m_env->tempDir() + QStringLiteral("nothing-here"), MailMsg::AttachBase64);
    } else if (step == QLatin1String("date-bad")) {
        ok = msg.setDate(QStringLiteral("yesterday"));
    } else if (step == QLatin1String("from-bad")) {
        ok = msg.setFrom(QStringLiteral("nobody"));
    } else if (step == QLatin1String("save-nowhere")) {
        msg.newPart();
        QVERIFY(msg.setContent(QStringLiteral("x")));
        ok = msg.saveToFile(m_env->tempDir() + QStringLiteral("no/such/folder/PelluxEMail.mim"));
    }
    QVERIFY(!ok);
    QCOMPARE(msg.lastError().number, number);
    QVERIFY(!msg.lastError().description.isEmpty());
}

QTEST_GUILESS_MAIN(TestMailMsg)
#include "tst_mailmsg.moc"
