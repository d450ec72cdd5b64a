#include "core/mail/MailSend.h"
#include "core/mail/MailSender.h"
#include "core/mail/Smtp.h"
#include "support/SmtpTestServer.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QtTest>

#include <curl/curl.h>

using namespace pellux;
using test::SmtpTestServer;

namespace {

const QString Mailer = QStringLiteral("Pellux v3.2  (Build 155)");
const QString From = QStringLiteral("me@example.org");
const QString To = QStringLiteral("you@example.net");
const QString Hyphens40 = QString(40, QLatin1Char('-'));
const QString Fragment = QStringLiteral("<table border='2'><tr><td><font face='Wingdings'>&#254;</font></td></tr></table>");

QByteArray noteFileBytes()
{
    QByteArray b("PelluxNote\r\n");
    for (int i = 0; i < 256; ++i)
        b.append(char(i));
    return b + QByteArray("\r\n.\r\n", 5); // a lone dot line must survive SMTP's end-of-data rule
}

MailNote textNote()
{
    MailNote n;
    n.title = QStringLiteral("Shopping: Monday");
    n.cleanedTitle = QStringLiteral("Shopping  Monday");
    n.text = QStringLiteral("milk\r\nbread");
    n.htmlFragment = Fragment;
    n.noteFile = noteFileBytes();
    return n;
}

MailNote checkList()
{
    MailNote n;
    n.checkList = true;
    n.title = QStringLiteral("To do");
    n.cleanedTitle = QStringLiteral("To do");
    n.rows = {{true, "milk"}, {false, "bread"}};
    n.htmlFragment = Fragment;
    n.noteFile = noteFileBytes();
    return n;
}

MailNote foreignNote()
{
    MailNote n = textNote();
    n.title = QStringLiteral("Grüße aus Köln");
    n.cleanedTitle = n.title;
    n.text = QStringLiteral("Äpfel – 日本語 \U0001F600");
    return n;
}

/// The date stamp of \a d, worked out here by its own route.
QString dateStamp(const QDate &d)
{
    return QString::number(d.toString(QStringLiteral("yyyyMMdd")).toLongLong(), 16).toUpper();
}

QString header(const QJsonObject &mail, const char *name)
{
    return mail.value(QStringLiteral("headers")).toObject().value(QLatin1String(name)).toString();
}

QJsonArray parts(const QJsonObject &mail) { return mail.value(QStringLiteral("parts")).toArray(); }

} // namespace

class TestMailSend : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<test::TestEnvironment>();
        QVERIFY(QDir().mkpath(mailTemp()));
    }
    void cleanup() { m_env.reset(); }

    void delivers_data();
    void delivers();
    void serverKinds_data();
    void serverKinds();
    void failures_data();
    void failures();

    void transportConnectsBeforeSending();

    void senderKeepsTheWindowThreadFree();
    void secondSendWaitsForTheFirst();
    void destroyingTheSenderAbandonsTheSend();

private:
    MailRequest request(const SmtpTestServer &server, const MailNote &note, int mailType,
                        const QString &subject = QString()) const
    {
        MailRequest r = NoteMailRequest(MailAccount{server.address(), From, {}, {}}, note, mailType, To, subject,
                                        Mailer, QDateTime::currentDateTime());
        r.tempFolder = mailTemp();
        r.transport.connectTimeoutMs = 10000;
        r.transport.totalTimeoutMs = 30000;
        return r;
    }
    /// The folder sends make their private folders in (the test servers keep theirs elsewhere).
    QString mailTemp() const { return m_env->root() + QStringLiteral("/mailtmp/"); }
    QStringList tempLeftovers() const
    {
        return QDir(mailTemp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestMailSend::delivers_data()
{
    QTest::addColumn<MailNote>("note");
    QTest::addColumn<int>("mailType");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("wantSubject");
    QTest::addColumn<QString>("bodyType");       // empty: no body part
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("attachmentStem");

    QTest::newRow("text note, plain, subject left empty")
        << textNote() << 1 << "" << "Shopping: Monday" << "text/plain" << "us-ascii"
        << "Shopping: Monday:\r\n" + Hyphens40 + "\r\nmilk\r\nbread\r\n\r\n" << "Shopping__Monday";
    QTest::newRow("text note, html, subject given")
        << textNote() << 0 << "Look" << "Look" << "text/html" << "us-ascii" << "<html>" + Fragment + "</html>\r\n"
        << "Shopping__Monday";
    QTest::newRow("check list, plain") << checkList() << 1 << "" << "To do" << "text/plain" << "us-ascii"
                                       << "To do:\r\n" + Hyphens40 + "\r\nX\tmilk\r\n\tbread\r\n" << "To do";
    QTest::newRow("check list, html") << checkList() << 0 << "" << "To do" << "text/html" << "us-ascii"
                                      << "<html>" + Fragment + "</html>\r\n" << "To do";
    QTest::newRow("other mail type: attachment only") << checkList() << 2 << "" << "To do" << "" << "" << "" << "To do";
    QTest::newRow("non-ASCII text note arrives readable")
        << foreignNote() << 1 << "" << "Grüße aus Köln" << "text/plain" << "utf-8"
        << "Grüße aus Köln:\r\n" + Hyphens40 + "\r\nÄpfel – 日本語 \U0001F600\r\n\r\n" << "Grüße_aus_Köln";
}

void TestMailSend::delivers()
{
    QFETCH(MailNote, note);
    QFETCH(int, mailType);
    QFETCH(QString, subject);
    QFETCH(QString, wantSubject);
    QFETCH(QString, bodyType);
    QFETCH(QString, charset);
    QFETCH(QString, body);
    QFETCH(QString, attachmentStem);

    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    const QDate before = QDate::currentDate();
    QStringList stages;
    const MailResult result = SendMail(request(server, note, mailType, subject), [&](const QString &s) { stages << s; });
    QVERIFY2(result.sent(), qPrintable(result.userMessage()));
    QCOMPARE(result.userMessage(), QString());
    QCOMPARE(stages, (QStringList{"Connecting...", "Sending Message...", "Complete."}));
    QCOMPARE(tempLeftovers(), QStringList());

    const QList<test::ReceivedMail> got = server.received();
    QCOMPARE(got.size(), 1);
    const test::ReceivedMail &m = got.first();
    QCOMPARE(m.mailFrom, From);
    QCOMPARE(m.rcptTos, QStringList{To});
    const QJsonObject &mail = m.parsed;
    QVERIFY(!mail.isEmpty());
    QCOMPARE(mail.value(QStringLiteral("defects")).toArray(), QJsonArray());
    QCOMPARE(header(mail, "From"), From);
    QCOMPARE(header(mail, "To"), To);
    QCOMPARE(header(mail, "Subject"), wantSubject);
    QCOMPARE(header(mail, "X-Mailer"), Mailer);
    QVERIFY(QDateTime::fromString(header(mail, "Date"), Qt::RFC2822Date).isValid());
    QVERIFY(header(mail, "Message-ID").endsWith(QStringLiteral("@example.org>")));

    const QJsonArray ps = parts(mail);
    QCOMPARE(ps.size(), bodyType.isEmpty() ? 1 : 2);
    if (!bodyType.isEmpty()) {
        const QJsonObject b = ps.at(0).toObject();
        QCOMPARE(b.value(QStringLiteral("content_type")).toString(), bodyType);
        QCOMPARE(b.value(QStringLiteral("charset")).toString(), charset);
        QCOMPARE(b.value(QStringLiteral("text")).toString(), body);
    }
    const QJsonObject a = ps.last().toObject();
    QCOMPARE(a.value(QStringLiteral("content_type")).toString(), QStringLiteral("application/x-pellux"));
    QCOMPARE(QByteArray::fromBase64(a.value(QStringLiteral("payload_b64")).toString().toLatin1()), note.noteFile);
    const QString name = a.value(QStringLiteral("filename")).toString();
    const QRegularExpression form(QStringLiteral("^(.*)-([0-9A-F]+)-([0-9A-F]+)\\.NoteFile$"));
    const QRegularExpressionMatch match = form.match(name);
    QVERIFY2(match.hasMatch(), qPrintable(name));
    QCOMPARE(match.captured(1), attachmentStem);
    QVERIFY(match.captured(3) == dateStamp(before) || match.captured(3) == dateStamp(QDate::currentDate()));
}

void TestMailSend::serverKinds_data()
{
    QTest::addColumn<SmtpTestServer::Options>("options");
    QTest::addColumn<QString>("serverForm");   // %1: the test server's address
    QTest::addColumn<bool>("login");
    QTest::addColumn<bool>("allowedBySetting");
    QTest::addColumn<bool>("tls");

    QTest::newRow("plain SMTP, no login") << SmtpTestServer::Options{} << "%1" << false << false << false;
    SmtpTestServer::Options auth;
    auth.authUser = QStringLiteral("pellux");
    auth.authPassword = QStringLiteral("s3cret w0rd");
    QTest::newRow("login in clear, chosen as plain:") << auth << "plain:%1" << true << false << false;
    QTest::newRow("login in clear, chosen by setting") << auth << "%1" << true << true << false;
    SmtpTestServer::Options starttls;
    starttls.tls = true;
    QTest::newRow("STARTTLS offered: taken without a login") << starttls << "%1" << false << false << true;
    SmtpTestServer::Options secure = auth;
    secure.tls = true;
    secure.requireTls = true;
    QTest::newRow("STARTTLS, login only under TLS") << secure << "%1" << true << false << true;
    QTest::newRow("STARTTLS, plain: does not turn TLS off") << secure << "plain:%1" << true << false << true;
    SmtpTestServer::Options smtps = auth;
    smtps.tls = true;
    smtps.implicitTls = true;
    QTest::newRow("smtps: login inside TLS from the start") << smtps << "smtps://%1" << true << false << true;
}

void TestMailSend::serverKinds()
{
    QFETCH(SmtpTestServer::Options, options);
    QFETCH(QString, serverForm);
    QFETCH(bool, login);
    QFETCH(bool, allowedBySetting);
    QFETCH(bool, tls);

    SmtpTestServer server(options);
    QVERIFY2(server.start(), qPrintable(server.error()));
    MailRequest r = request(server, textNote(), 1);
    r.account.server = serverForm.arg(server.address());
    if (login) {
        r.account.userId = options.authUser;
        r.account.password = options.authPassword;
    }
    r.transport.clearTextLoginAllowed = allowedBySetting;
    if (options.tls)
        r.transport.caFile = server.certificate();

    const MailResult result = SendMail(r);
    QVERIFY2(result.sent(), qPrintable(result.userMessage()));
    const QList<test::ReceivedMail> got = server.received();
    QCOMPARE(got.size(), 1);
    QCOMPARE(got.first().tls, tls);
    QCOMPARE(got.first().authUser, login ? options.authUser : QString());
    QCOMPARE(tempLeftovers(), QStringList());
}

void TestMailSend::failures_data()
{
    QTest::addColumn<SmtpTestServer::Options>("options");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("stages");

    const QStringList connecting{"Connecting..."};
    const QStringList sending{"Connecting...", "Sending Message..."};
    const int notConnected = int(MailResult::Outcome::NotConnected);
    const int failed = int(MailResult::Outcome::Failed);

    SmtpTestServer::Options auth;
    auth.authUser = QStringLiteral("pellux");
    auth.authPassword = QStringLiteral("right");
    QTest::newRow("wrong password") << auth << "wrong-password" << notConnected << 535 << connecting;
    QTest::newRow("login in clear refused") << auth << "login-in-clear" << notConnected << int(MailErrorClearTextLogin)
                                            << connecting;
    SmtpTestServer::Options refuse;
    refuse.refuse = QStringList{QStringLiteral("nobody@example.net")};
    QTest::newRow("refused recipient") << refuse << "to-refused" << failed << 550 << sending;
    QTest::newRow("one of two recipients refused") << refuse << "to-one-refused" << failed << 550 << sending;
    QTest::newRow("empty recipient") << SmtpTestServer::Options{} << "to-empty" << failed << int(MailErrorNoRecipient)
                                     << sending;
    QTest::newRow("dead server") << SmtpTestServer::Options{} << "dead" << notConnected << int(CURLE_COULDNT_CONNECT)
                                 << connecting;
    SmtpTestServer::Options silent;
    silent.silent = true;
    QTest::newRow("server that never answers") << silent << "short-timeout" << notConnected
                                               << int(CURLE_OPERATION_TIMEDOUT) << connecting;
    SmtpTestServer::Options tls;
    tls.tls = true;
    QTest::newRow("untrusted certificate") << tls << "no-ca" << notConnected << int(CURLE_PEER_FAILED_VERIFICATION)
                                           << connecting;
    QTest::newRow("no server set") << SmtpTestServer::Options{} << "no-server" << notConnected
                                   << int(MailErrorInvalidServer) << connecting;
    QTest::newRow("attachment name with a folder") << SmtpTestServer::Options{} << "bad-name" << failed
                                                   << int(MailErrorFile) << QStringList{};
}

void TestMailSend::failures()
{
    QFETCH(SmtpTestServer::Options, options);
    QFETCH(QString, change);
    QFETCH(int, outcome);
    QFETCH(int, number);
    QFETCH(QStringList, stages);

    SmtpTestServer server(options);
    QVERIFY2(server.start(), qPrintable(server.error()));
    MailRequest r = request(server, textNote(), 1);
    if (change == QLatin1String("wrong-password")) {
        r.account.server = QStringLiteral("plain:") + server.address();
        r.account.userId = options.authUser;
        r.account.password = QStringLiteral("wrong");
    } else if (change == QLatin1String("login-in-clear")) {
        r.account.userId = options.authUser;
        r.account.password = options.authPassword;
    } else if (change == QLatin1String("to-refused")) {
        r.mailTo = QStringLiteral("nobody@example.net");
    } else if (change == QLatin1String("to-one-refused")) {
        r.mailTo = QStringLiteral("you@example.net, nobody@example.net");
    } else if (change == QLatin1String("to-empty")) {
        r.mailTo.clear();
    } else if (change == QLatin1String("dead")) {
        r.account.server = QStringLiteral("127.0.0.1:%1").arg(SmtpTestServer::closedPort());
    } else if (change == QLatin1String("short-timeout")) {
        r.transport.connectTimeoutMs = 1000;
        r.transport.totalTimeoutMs = 1500;
    } else if (change == QLatin1String("no-server")) {
        r.account.server.clear();
    } else if (change == QLatin1String("bad-name")) {
        r.attachmentName = QStringLiteral("../escape.NoteFile");
    }

    QStringList seen;
    const MailResult result = SendMail(r, [&](const QString &s) { seen << s; });
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(result.error.number, number);
    QVERIFY(!result.error.description.isEmpty());
    QCOMPARE(seen, stages);
    const QString message = result.userMessage();
    if (outcome == int(MailResult::Outcome::NotConnected))
        QVERIFY2(message.startsWith(QStringLiteral("E-Mail Transmission Error: ")), qPrintable(message));
    else
        QVERIFY2(message.startsWith(QStringLiteral("Error in sending e-mail: "))
                     && message.endsWith(QStringLiteral(" (%1)").arg(number)), qPrintable(message));
    QCOMPARE(server.received().size(), 0);
    QCOMPARE(tempLeftovers(), QStringList());
    QVERIFY(!QFile::exists(mailTemp() + QStringLiteral("../escape.NoteFile")));
    if (change == QLatin1String("login-in-clear"))
        QCOMPARE(server.authAttempts(), QStringList()); // the password never went out
    // The server's own words reach the user; the advice names the server as written.
    if (change == QLatin1String("wrong-password"))
        QVERIFY2(result.error.description.contains(QStringLiteral("535 5.7.8")), qPrintable(result.error.description));
    if (change.startsWith(QLatin1String("to-")) && number == 550)
        QVERIFY2(result.error.description.contains(QStringLiteral("Recipient address rejected")), qPrintable(result.error.description));
    if (change == QLatin1String("login-in-clear"))
        QVERIFY2(result.error.description.contains(QStringLiteral("\"plain:") + server.address() + QLatin1Char('"')),
                 qPrintable(result.error.description));
}

void TestMailSend::transportConnectsBeforeSending()
{
    SmtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    const QString file = mailTemp() + QStringLiteral("PelluxEMail.mim");
    QVERIFY(test::TestEnvironment::writeFile(file, "Subject: x\r\n\r\nbody\r\n"));

    Smtp smtp;
    QVERIFY(smtp.setServer(server.address()));
    QVERIFY(!smtp.isConnected());
    QVERIFY(smtp.dateText().isEmpty());
    QVERIFY(!smtp.sendFile(From, To, file));
    QCOMPARE(smtp.lastError().number, int(MailErrorNotConnected));

    QVERIFY2(smtp.connect(), qPrintable(smtp.lastError().description));
    QVERIFY(smtp.isConnected());
    const QDateTime date = QDateTime::fromString(smtp.dateText(), Qt::RFC2822Date);
    QVERIFY(date.isValid() && qAbs(date.secsTo(QDateTime::currentDateTime())) < 60);
    QVERIFY2(smtp.sendFile(From, To, file), qPrintable(smtp.lastError().description));
    QCOMPARE(server.received().size(), 1);
    QCOMPARE(server.received().first().raw, QByteArray("Subject: x\r\n\r\nbody\r\n"));

    smtp.disconnect();
    QVERIFY(!smtp.isConnected());
    QVERIFY(!smtp.sendFile(From, To, file));
    QCOMPARE(server.received().size(), 1);
}

void TestMailSend::senderKeepsTheWindowThreadFree()
{
    SmtpTestServer::Options slow;
    slow.dataDelay = 1.5;
    SmtpTestServer server(slow);
    QVERIFY2(server.start(), qPrintable(server.error()));

    MailSender sender;
    QStringList log;
    bool onWindowThread = true;
    connect(&sender, &MailSender::stageReached, this, [&](int, const QString &s) {
        log << s;
        onWindowThread &= QThread::currentThread() == thread();
    });
    connect(&sender, &MailSender::finished, this, [&](int, const MailResult &r) {
        log << (r.sent() ? QStringLiteral("sent") : r.userMessage());
        onWindowThread &= QThread::currentThread() == thread();
    });
    QTimer::singleShot(100, this, [&] { log << QStringLiteral("tick"); });

    sender.send(request(server, textNote(), 1));
    QVERIFY(sender.isBusy());

    // While the server sits on the message: one private folder, owner-only, holding
    // only the saved message (the note file is gone once attached).
    QStringList folders;
    QTRY_VERIFY_WITH_TIMEOUT(!(folders = QDir(mailTemp()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)).isEmpty()
                                 && QFile::exists(mailTemp() + folders.first() + QStringLiteral("/PelluxEMail.mim")),
                             20000);
    QCOMPARE(folders.size(), 1);
    const QString folder = mailTemp() + folders.first();
    QCOMPARE(QFileInfo(folder).permissions() & 0x7777,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
                 | QFileDevice::WriteUser | QFileDevice::ExeUser);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"PelluxEMail.mim"});

    QTRY_VERIFY_WITH_TIMEOUT(!sender.isBusy(), 30000);
    QVERIFY(onWindowThread);
    QVERIFY2(log.indexOf(QStringLiteral("tick")) >= 0 && log.indexOf(QStringLiteral("tick")) < log.indexOf(QStringLiteral("sent")),
             qPrintable(log.join(QLatin1Char('|'))));
    log.removeAll(QStringLiteral("tick"));
    QCOMPARE(log, (QStringList{"Connecting...", "Sending Message...", "Complete.", "sent"}));
    QCOMPARE(server.received().size(), 1);
    QCOMPARE(tempLeftovers(), QStringList());
}

void TestMailSend::secondSendWaitsForTheFirst()
{
    SmtpTestServer::Options slow;
    slow.dataDelay = 0.5;
    SmtpTestServer server(slow);
    QVERIFY2(server.start(), qPrintable(server.error()));

    MailSender sender;
    QStringList log;
    connect(&sender, &MailSender::stageReached, this, [&](int id, const QString &s) { log << QStringLiteral("%1 %2").arg(id).arg(s); });
    connect(&sender, &MailSender::finished, this, [&](int id, const MailResult &r) {
        log << QStringLiteral("%1 %2").arg(id).arg(r.sent() ? QStringLiteral("sent") : r.userMessage());
    });
    const int first = sender.send(request(server, textNote(), 1, QStringLiteral("first")));
    const int second = sender.send(request(server, checkList(), 1, QStringLiteral("second")));
    QVERIFY(first != second);
    QTRY_VERIFY_WITH_TIMEOUT(!sender.isBusy(), 60000);

    QStringList want;
    for (int id : {first, second}) {
        for (const char *s : {"Connecting...", "Sending Message...", "Complete.", "sent"})
            want << QStringLiteral("%1 %2").arg(id).arg(QLatin1String(s));
    }
    QCOMPARE(log, want);
    const QList<test::ReceivedMail> got = server.received();
    QCOMPARE(got.size(), 2);
    QCOMPARE(header(got.at(0).parsed, "Subject"), QStringLiteral("first"));
    QCOMPARE(header(got.at(1).parsed, "Subject"), QStringLiteral("second"));
}

void TestMailSend::destroyingTheSenderAbandonsTheSend()
{
    SmtpTestServer::Options silent;
    silent.silent = true;
    SmtpTestServer server(silent);
    QVERIFY2(server.start(), qPrintable(server.error()));

    auto sender = std::make_unique<MailSender>();
    QSignalSpy stages(sender.get(), &MailSender::stageReached);
    MailRequest r = request(server, textNote(), 1);
    r.transport.totalTimeoutMs = 120000;
    sender->send(r);
    sender->send(r); // waiting behind it, dropped with it
    QVERIFY(stages.wait(20000));
    QElapsedTimer t;
    t.start();
    sender.reset();
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(tempLeftovers(), QStringList());
}

QTEST_GUILESS_MAIN(TestMailSend)
#include "tst_mailsend.moc"
