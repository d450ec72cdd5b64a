#include "core/mail/MailAddress.h"
#include "core/mail/MailRules.h"
#include "core/mail/MailSend.h"
#include "core/mail/Smtp.h"

#include <QtTest>

using namespace pellux;

namespace {
const QString Hyphens40 = QString(40, QLatin1Char('-'));
}

class TestMailRules : public QObject
{
    Q_OBJECT

private slots:
    void timeStamp_data();
    void timeStamp();
    void dateStamp_data();
    void dateStamp();
    void attachmentName_data();
    void attachmentName();

    void plainBodies_data();
    void plainBodies();
    void htmlBody();
    void subjectAndMailer();
    void bodyContentType_data();
    void bodyContentType();
    void noteMailRequest();

    void serverForm_data();
    void serverForm();
    void badServerForm_data();
    void badServerForm();

    void addresses_data();
    void addresses();

    void userMessage_data();
    void userMessage();
};

void TestMailRules::timeStamp_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("midnight") << QTime(0, 0, 0) << "0";
    QTest::newRow("five seconds after midnight") << QTime(0, 0, 5) << "5";
    QTest::newRow("one second before midnight is hex 235959") << QTime(23, 59, 59) << "399B7";
    QTest::newRow("noon") << QTime(12, 0, 0) << "1D4C0";
    QTest::newRow("two-digit parts, upper case") << QTime(10, 30, 15) << "19267";
    QTest::newRow("milliseconds do not count") << QTime(0, 0, 10, 999) << "A";
}

void TestMailRules::timeStamp()
{
    QFETCH(QTime, time);
    QFETCH(QString, stamp);
    QCOMPARE(MailTimeStamp(time), stamp);
}

void TestMailRules::dateStamp_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("2026-12-10") << QDate(2026, 12, 10) << "135295A";
    QTest::newRow("month and day keep two digits") << QDate(2000, 1, 1) << "1312D65";
    QTest::newRow("last day of 1999") << QDate(1999, 12, 31) << "1310ABF";
    QTest::newRow("year 9999") << QDate(9999, 12, 31) << "5F5BEBF";
}

void TestMailRules::dateStamp()
{
    QFETCH(QDate, date);
    QFETCH(QString, stamp);
    QCOMPARE(MailDateStamp(date), stamp);
}

void TestMailRules::attachmentName_data()
{
    QTest::addColumn<bool>("checkList");
    QTest::addColumn<QString>("cleanedTitle");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("name");
    const QDateTime now(QDate(2026, 12, 10), QTime(0, 0, 5));
    QTest::newRow("text note: blanks become _") << false << "My first note" << now << "My_first_note-5-135295A.NoteFile";
    // "a: b" cleaned is "a  b": the colon became a blank, so both turn into "_".
    QTest::newRow("text note: cleaned colon and blank") << false << "a  b" << now << "a__b-5-135295A.NoteFile";
    QTest::newRow("check list keeps blanks") << true << "Shopping list" << now << "Shopping list-5-135295A.NoteFile";
    QTest::newRow("just before midnight") << true << "x" << QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59))
                                          << "x-399B7-135295A.NoteFile";
    QTest::newRow("empty title") << false << "" << now << "-5-135295A.NoteFile";
    QTest::newRow("non-ASCII title") << false << "Grüße an Zoë" << now << "Grüße_an_Zoë-5-135295A.NoteFile";
}

void TestMailRules::attachmentName()
{
    QFETCH(bool, checkList);
    QFETCH(QString, cleanedTitle);
    QFETCH(QDateTime, now);
    QFETCH(QString, name);
    QCOMPARE(checkList ? CheckListAttachmentName(cleanedTitle, now) : TextNoteAttachmentName(cleanedTitle, now), name);
}

void TestMailRules::plainBodies_data()
{
    QTest::addColumn<bool>("checkList");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<CheckRow>>("rows");
    QTest::addColumn<QString>("body");
    QTest::newRow("text note") << false << "line one\r\nline two" << QList<CheckRow>{}
                               << "Title:\r\n" + Hyphens40 + "\r\nline one\r\nline two\r\n\r\n";
    QTest::newRow("empty text note") << false << "" << QList<CheckRow>{} << "Title:\r\n" + Hyphens40 + "\r\n\r\n\r\n";
    QTest::newRow("check list: X and a tab for checked rows")
        << true << "" << QList<CheckRow>{{true, "milk"}, {false, "bread"}, {false, ""}, {true, "two\r\nlines"}}
        << "Title:\r\n" + Hyphens40 + "\r\nX\tmilk\r\n\tbread\r\n\t\r\nX\ttwo\r\nlines\r\n";
    QTest::newRow("empty check list") << true << "" << QList<CheckRow>{} << "Title:\r\n" + Hyphens40 + "\r\n";
}

void TestMailRules::plainBodies()
{
    QFETCH(bool, checkList);
    QFETCH(QString, text);
    QFETCH(QList<CheckRow>, rows);
    QFETCH(QString, body);
    QCOMPARE(checkList ? CheckListPlainBody(QStringLiteral("Title"), rows) : TextNotePlainBody(QStringLiteral("Title"), text),
             body);
}

void TestMailRules::htmlBody()
{
    QCOMPARE(NoteHtmlBody(QStringLiteral("<table border='2'><tr></tr></table>")),
             QStringLiteral("<html><table border='2'><tr></tr></table></html>\r\n"));
}

void TestMailRules::subjectAndMailer()
{
    QCOMPARE(MailSubjectFor(QString(), QStringLiteral("Note title")), QStringLiteral("Note title"));
    QCOMPARE(MailSubjectFor(QStringLiteral("Given"), QStringLiteral("Note title")), QStringLiteral("Given"));
    QCOMPARE(MailSubjectFor(QStringLiteral(" "), QStringLiteral("Note title")), QStringLiteral(" "));
    QCOMPARE(MailerText(QStringLiteral("Pellux"), QStringLiteral("3.2  (Build 155)")), QStringLiteral("Pellux v3.2  (Build 155)"));
}

void TestMailRules::bodyContentType_data()
{
    QTest::addColumn<int>("mailType");
    QTest::addColumn<QString>("contentType");
    QTest::newRow("0 html") << 0 << "text/html; charset=us-ascii";
    QTest::newRow("1 plain") << 1 << "text/plain; charset=us-ascii";
    QTest::newRow("2 attachment only") << 2 << "";
    QTest::newRow("-1 attachment only") << -1 << "";
}

void TestMailRules::bodyContentType()
{
    QFETCH(int, mailType);
    QFETCH(QString, contentType);
    QCOMPARE(MailBodyContentType(mailType), contentType);
}

void TestMailRules::noteMailRequest()
{
    const QDateTime now(QDate(2026, 12, 10), QTime(23, 59, 59));
    MailNote list;
    list.checkList = true;
    list.title = QStringLiteral("To do: today");
    list.cleanedTitle = QStringLiteral("To do  today");
    list.rows = {{true, "a"}};
    list.htmlFragment = QStringLiteral("<table></table>");
    list.noteFile = QByteArray("\x01\x02", 2);
    const MailAccount account{QStringLiteral("mail.example.org"), QStringLiteral("me@example.org"), {}, {}};

    const MailRequest plain = NoteMailRequest(account, list, 1, QStringLiteral("you@example.org"), QString(),
                                              QStringLiteral("Pellux v3.2  (Build 155)"), now);
    QCOMPARE(plain.subject, list.title);
    QCOMPARE(plain.body, CheckListPlainBody(list.title, list.rows));
    QCOMPARE(plain.attachmentName, QStringLiteral("To do  today-399B7-135295A.NoteFile"));
    QCOMPARE(plain.attachment, list.noteFile);
    QCOMPARE(plain.mailTo, QStringLiteral("you@example.org"));

    MailNote text = list;
    text.checkList = false;
    text.text = QStringLiteral("body");
    const MailRequest html = NoteMailRequest(account, text, 0, QString(), QStringLiteral("Subj"), QString(), now);
    QCOMPARE(html.subject, QStringLiteral("Subj"));
    QCOMPARE(html.body, QStringLiteral("<html><table></table></html>\r\n"));
    QCOMPARE(html.attachmentName, QStringLiteral("To_do__today-399B7-135295A.NoteFile"));
    QVERIFY(NoteMailRequest(account, text, 7, QString(), QString(), QString(), now).body.isEmpty());
}

void TestMailRules::serverForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("implicitTls");
    QTest::addColumn<bool>("plainLogin");
    QTest::newRow("host") << "mail.example.org" << "smtp://mail.example.org:25" << false << false;
    QTest::newRow("host and port, blanks around") << "  mail.example.org:587 " << "smtp://mail.example.org:587" << false << false;
    QTest::newRow("smtp scheme") << "smtp://mail.example.org" << "smtp://mail.example.org:25" << false << false;
    QTest::newRow("smtps scheme") << "SMTPS://mail.example.org" << "smtps://mail.example.org:465" << true << false;
    QTest::newRow("smtps with port") << "smtps://mail.example.org:2465/" << "smtps://mail.example.org:2465" << true << false;
    QTest::newRow("plain: knowing choice") << "plain:mail.example.org:2525" << "smtp://mail.example.org:2525" << false << true;
    QTest::newRow("Plain: any case") << "Plain:smtp://10.0.0.1" << "smtp://10.0.0.1:25" << false << true;
    QTest::newRow("a host named plain") << "plain:25" << "smtp://plain:25" << false << false;
    QTest::newRow("IPv6 literal") << "[::1]:2525" << "smtp://[::1]:2525" << false << false;
}

void TestMailRules::serverForm()
{
    QFETCH(QString, text);
    QFETCH(QString, url);
    QFETCH(bool, implicitTls);
    QFETCH(bool, plainLogin);
    QString error;
    const auto a = ParseSmtpServer(text, &error);
    QVERIFY2(a, qPrintable(error));
    QCOMPARE(a->url, url);
    QCOMPARE(a->implicitTls, implicitTls);
    QCOMPARE(a->clearTextLoginAllowed, plainLogin);
}

void TestMailRules::badServerForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("other scheme") << "http://mail.example.org";
    QTest::newRow("user info smuggled in") << "evil@mail.example.org";
    QTest::newRow("a path") << "mail.example.org/x";
    QTest::newRow("a query") << "mail.example.org?x=1";
    QTest::newRow("port out of range") << "mail.example.org:70000";
    QTest::newRow("port not a number") << "mail.example.org:smtp";
    QTest::newRow("blank inside") << "mail example.org";
    QTest::newRow("line break inside") << "mail.example.org\r\nRCPT";
    QTest::newRow("plain: and nothing") << "plain:";
}

void TestMailRules::badServerForm()
{
    QFETCH(QString, text);
    QString error;
    QVERIFY(!ParseSmtpServer(text, &error));
    QVERIFY(!error.isEmpty());
}

void TestMailRules::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("addresses");
    QTest::newRow("one") << "you@example.org" << QStringList{"you@example.org"};
    QTest::newRow("with a name") << "Bea Smith <bea@example.org>" << QStringList{"bea@example.org"};
    QTest::newRow("several") << "a@x.org, \"Doe, John\" <j@y.org>;b@z.org" << QStringList{"a@x.org", "j@y.org", "b@z.org"};
    QTest::newRow("a group is opened") << "Team: a@x.org, b@x.org;" << QStringList{"a@x.org", "b@x.org"};
    QTest::newRow("semicolon inside quotes stays") << "\"a;b\" <ab@x.org>" << QStringList{"ab@x.org"};
    QTest::newRow("an address as display name") << "a@x.org <b@y.org>" << QStringList{"b@y.org"};
    // GMime would read only the first of these; a recipient must never drop out quietly.
    QTest::newRow("a name without angle brackets is not dropped") << "a@x.org, Bea b@y.org" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("no @") << "nobody" << QStringList{};
    QTest::newRow("CR LF smuggling a command") << "a@x.org\r\nRCPT TO:<b@y.org>" << QStringList{};
    QTest::newRow("NUL") << QString::fromUtf8("a@x.org\0b", 9) << QStringList{};
}

void TestMailRules::addresses()
{
    QFETCH(QString, text);
    QFETCH(QStringList, addresses);
    QString error;
    QCOMPARE(MailboxAddresses(text, &error), addresses);
    QCOMPARE(error.isEmpty(), !addresses.isEmpty());
}

void TestMailRules::userMessage_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("sent") << int(MailResult::Outcome::Sent) << 0 << "";
    QTest::newRow("not connected") << int(MailResult::Outcome::NotConnected) << 7
                                   << "E-Mail Transmission Error: what went wrong";
    QTest::newRow("failed") << int(MailResult::Outcome::Failed) << 550 << "Error in sending e-mail: what went wrong (550)";
}

void TestMailRules::userMessage()
{
    QFETCH(int, outcome);
    QFETCH(int, number);
    QFETCH(QString, message);
    const MailResult r{MailResult::Outcome(outcome), MailError{number, QStringLiteral("what went wrong")}};
    QCOMPARE(r.userMessage(), message);
}

QTEST_GUILESS_MAIN(TestMailRules)
#include "tst_mailrules.moc"
