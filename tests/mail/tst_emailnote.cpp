#include "app/FlashMsg.h"
#include "core/mail/MailRules.h"
#include "core/notefile/NoteFile.h"
#include "core/render/NoteHtml.h"
#include "mail/MailFeature.h"
#include "mail/NoteMail.h"
#include "mail/frmEMailNote.h"
#include "panel/PanelTestSupport.h"
#include "platform/SmtpPasswordStore.h"
#include "support/SmtpTestServer.h"

#include <QDirIterator>
#include <QGroupBox>
#include <QJsonArray>
#include <QRadioButton>
#include <QtTest>

#include <curl/curl.h>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString From = QStringLiteral("me@example.org");
const QString To = QStringLiteral("you@example.net");
const QString Hyphens40 = QString(40, QLatin1Char('-'));
// The fixture's clock: 10 December 2026, 10:30:15.
const QString Stamps = QStringLiteral("-19267-135295A.NoteFile");

const QString MissingServer = QStringLiteral(
    "ERROR:  Missing SMTP Server.  You must specify a SMTP server in the Program Options dialog before sending "
    "E-Mail\r\rFix This Now?");
const QString MissingReturn = QStringLiteral(
    "ERROR:  Missing Retrun E-Mail Address.  You must specify a Retrun E-Mail Address in the Program Options "
    "dialog before sending E-Mail\r\rFix This Now?");

/// The e-mail dialogs open now.
QList<frmEMailNote *> openDialogs()
{
    QList<frmEMailNote *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *d = qobject_cast<frmEMailNote *>(w); d && d->isVisible())
            out << d;
    }
    return out;
}

QString header(const QJsonObject &mail, const char *name)
{
    return mail.value(QStringLiteral("headers")).toObject().value(QLatin1String(name)).toString();
}

NoteSpec errands()
{
    NoteSpec n = checkList(QStringLiteral("To do"));
    n.rows = {CheckRow{true, QStringLiteral("milk")}, CheckRow{false, QStringLiteral("bread & jam")}};
    return n;
}

/// The words of every prompt so far, for failure messages.
QString askedTexts(const ProgramFixture &f)
{
    QStringList texts;
    for (const AskedPrompt &a : f.prompts.asked())
        texts << a.text;
    return texts.join(QStringLiteral(" | "));
}

/// Everything a send left behind in the program's temporary folder.
QStringList mailLeftovers(const QString &tempFolder)
{
    QStringList out;
    QDirIterator it(tempFolder, {QStringLiteral("pellux-mail-*"), QStringLiteral("*.NoteFile"),
                                 QStringLiteral("PelluxEMail.mim")},
                    QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

} // namespace

class TestEMailNote : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (frmEMailNote *d : openDialogs())
            delete d;
    }

    void dialogLooks_data()
    {
        QTest::addColumn<int>("emailType");
        QTest::addColumn<bool>("plainText");
        QTest::newRow("EMailType 0: HTML") << 0 << false;
        QTest::newRow("EMailType 1: plain text") << 1 << true;
        QTest::newRow("any other EMailType: plain text") << 7 << true;
    }
    void dialogLooks()
    {
        QFETCH(int, emailType);
        QFETCH(bool, plainText);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"))});
        f.program->settings.SMTPServer = QStringLiteral("mail.example.org");
        f.program->settings.ReturnEMail = From;
        f.program->settings.EMailType = emailType;
        QVERIFY(f.program->note(1)->mnuEMail->isEnabled());
        f.program->note(1)->mnuEMail->trigger();

        const QList<frmEMailNote *> dialogs = openDialogs();
        QCOMPARE(dialogs.size(), 1);
        frmEMailNote *d = dialogs.first();
        QCOMPARE(d->windowTitle(), QStringLiteral("E-Mail a Note (Shopping)"));
        QVERIFY(!d->isModal());
        QCOMPARE(d->Label1->text(), QStringLiteral("&To:"));
        QCOMPARE(d->txtEMailAddr->text(), QString());
        QCOMPARE(d->Label2->text(), QStringLiteral("&Subject:"));
        QCOMPARE(d->txtSubject->text(), QStringLiteral("Shopping"));
        QCOMPARE(d->fraDefEmail->title(), QStringLiteral("E-Mail Type"));
        QCOMPARE(d->optEMailFormat1->text(), QStringLiteral("Plain &Text"));
        QCOMPARE(d->optEMailFormat0->text(), QStringLiteral("&HTML Enahanced"));
        QCOMPARE(d->optEMailFormat1->isChecked(), plainText);
        QCOMPARE(d->optEMailFormat0->isChecked(), !plainText);
        QCOMPARE(d->cmdOK->text(), QStringLiteral("Ok"));
        QVERIFY(d->cmdOK->isDefault());
        QCOMPARE(d->cmdCancel->text(), QStringLiteral("Cancel"));
        QVERIFY(f.prompts.asked().isEmpty());

        // Each command opens a dialog of its own.
        f.program->note(1)->mnuEMail->trigger();
        QCOMPARE(openDialogs().size(), 2);
        QTest::keyClick(d, Qt::Key_Escape);
        QCOMPARE(openDialogs().size(), 1);
        openDialogs().first()->cmdCancel->click();
        QVERIFY(openDialogs().isEmpty());
        QVERIFY(!NoteMailOf(*f.program)->isSending());
    }

    void missingSettings_data()
    {
        QTest::addColumn<bool>("serverSet");
        QTest::addColumn<bool>("returnSet");
        QTest::addColumn<QList<MsgResult>>("answers");
        QTest::addColumn<QStringList>("fixes");       // what each run of the options fills in
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<bool>("dialogShown");
        using R = MsgResult;
        QTest::newRow("no server: No ends it") << false << true << QList<R>{R::No} << QStringList{}
                                               << QStringList{MissingServer} << false;
        QTest::newRow("no return address: No ends it") << true << false << QList<R>{R::No} << QStringList{}
                                                       << QStringList{MissingReturn} << false;
        QTest::newRow("both fixed one after the other")
            << false << false << QList<R>{R::Yes, R::Yes} << QStringList{"server", "return"}
            << QStringList{MissingServer, MissingReturn} << true;
        QTest::newRow("options closed unchanged: asked again")
            << false << true << QList<R>{R::Yes, R::Yes, R::No} << QStringList{"nothing", "nothing"}
            << QStringList{MissingServer, MissingServer, MissingServer} << false;
        QTest::newRow("both present: no question") << true << true << QList<R>{} << QStringList{} << QStringList{}
                                                   << true;
    }
    void missingSettings()
    {
        QFETCH(bool, serverSet);
        QFETCH(bool, returnSet);
        QFETCH(QList<MsgResult>, answers);
        QFETCH(QStringList, fixes);
        QFETCH(QStringList, asked);
        QFETCH(bool, dialogShown);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"))});
        f.program->settings.SMTPServer = serverSet ? QStringLiteral("mail.example.org") : QString();
        f.program->settings.ReturnEMail = returnSet ? From : QString();
        QStringList pendingFixes = fixes;
        int optionsRuns = 0;
        f.program->hub().provide(Feature::ProgramOptions, [&](int) {
            ++optionsRuns;
            const QString fix = pendingFixes.isEmpty() ? QString() : pendingFixes.takeFirst();
            if (fix == QLatin1String("server"))
                f.program->settings.SMTPServer = QStringLiteral("mail.example.org");
            if (fix == QLatin1String("return"))
                f.program->settings.ReturnEMail = From;
        });
        for (MsgResult r : answers)
            f.prompts.answerMessage(r);
        f.program->note(1)->mnuEMail->trigger();

        QStringList texts;
        for (const AskedPrompt &a : f.prompts.asked()) {
            texts << a.text;
            QCOMPARE(a.title, QStringLiteral("Pellux ERROR"));
            QCOMPARE(a.icon, MsgIcon::Exclamation);
            QCOMPARE(a.buttons, MsgButtons::YesNo);
        }
        QCOMPARE(texts, asked);
        QCOMPARE(optionsRuns, int(fixes.size()));
        QCOMPARE(openDialogs().size(), dialogShown ? 1 : 0);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void sendsFromTheWindows_data()
    {
        QTest::addColumn<bool>("checkList");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("wantSubject");
        QTest::addColumn<QString>("wantCharset");
        QTest::addColumn<QString>("wantBody");        // empty: the HTML of the note's record
        QTest::addColumn<QString>("attachment");
        QTest::newRow("text note, plain, subject left as the title")
            << false << false << "=" << "Shopping: Monday" << "us-ascii"
            << "Shopping: Monday:\r\n" + Hyphens40 + "\r\nmilk\r\nbread\r\n\r\n" << "Shopping__Monday" + Stamps;
        QTest::newRow("text note, HTML, subject emptied") << false << true << "" << "Shopping: Monday" << "us-ascii"
                                                          << "" << "Shopping__Monday" + Stamps;
        QTest::newRow("check list, plain, own subject")
            << true << false << "Errands today" << "Errands today" << "us-ascii"
            << "To do:\r\n" + Hyphens40 + "\r\nX\tmilk\r\n\tbread & jam\r\n" << "To do" + Stamps;
        QTest::newRow("check list, HTML") << true << true << "=" << "To do" << "us-ascii" << "" << "To do" + Stamps;
        QTest::newRow("non-ASCII text note arrives readable")
            << false << false << "Grüße" << "Grüße" << "utf-8"
            << "Shopping: Monday:\r\n" + Hyphens40 + "\r\nÄpfel – 2 €\r\nbread\r\n\r\n" << "Shopping__Monday" + Stamps;
    }
    void sendsFromTheWindows()
    {
        QFETCH(bool, checkList);
        QFETCH(bool, html);
        QFETCH(QString, subject);
        QFETCH(QString, wantSubject);
        QFETCH(QString, wantCharset);
        QFETCH(QString, wantBody);
        QFETCH(QString, attachment);
        ProgramFixture f;
        const QString text = wantCharset == QLatin1String("utf-8") ? QStringLiteral("Äpfel – 2 €\r\nbread")
                                                                  : QStringLiteral("milk\r\nbread");
        startWith(f, {textNote(QStringLiteral("Shopping: Monday"), text), errands()});
        SmtpTestServer::Options slow;
        slow.dataDelay = 0.5;
        SmtpTestServer server(slow);
        QVERIFY2(server.start(), qPrintable(server.error()));
        f.program->settings.SMTPServer = server.address();
        f.program->settings.ReturnEMail = From;
        f.program->settings.EMailType = html ? 0 : 1;
        const int slot = checkList ? 2 : 1;
        NoteMail *mail = NoteMailOf(*f.program);
        mail->completeShownMs = 50;

        // The flash as it changes, and whether the windows kept running meanwhile.
        QStringList flashes;
        bool flashAsSaid = true;
        connect(mail, &NoteMail::flashChanged, this, [&](const QString &text) {
            flashes << text;
            flashAsSaid &= f.program->flash().isShown() != text.isEmpty() && f.program->flash().text() == text;
        });
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(50);

        f.program->note(slot)->mnuEMail->trigger();
        QCOMPARE(openDialogs().size(), 1);
        frmEMailNote *d = openDialogs().first();
        QTest::keyClicks(d->txtEMailAddr, To);
        if (subject != QLatin1String("="))
            d->txtSubject->setText(subject);
        d->cmdOK->click();
        QVERIFY(openDialogs().isEmpty());
        QVERIFY(mail->isSending());
        const int ticksAtStart = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(!mail->isSending(), 30000);
        QVERIFY2(ticks > ticksAtStart + 3, "the windows stood still while the mail went out");
        QTRY_VERIFY(!f.program->flash().isShown()); // "Complete." stays a moment
        QCOMPARE(flashes, (QStringList{"Connecting...", "Sending Message...", "Complete.", ""}));
        QVERIFY(flashAsSaid);
        QVERIFY2(f.prompts.asked().isEmpty(), qPrintable(askedTexts(f)));
        QCOMPARE(mailLeftovers(f.program->TempFolder), QStringList());

        const QList<ReceivedMail> got = server.received();
        QCOMPARE(got.size(), 1);
        const QJsonObject &m = got.first().parsed;
        QCOMPARE(got.first().mailFrom, From);
        QCOMPARE(got.first().rcptTos, QStringList{To});
        QCOMPARE(m.value(QStringLiteral("defects")).toArray(), QJsonArray());
        QCOMPARE(header(m, "From"), From);
        QCOMPARE(header(m, "To"), To);
        QCOMPARE(header(m, "Subject"), wantSubject);
        QCOMPARE(header(m, "X-Mailer"), QStringLiteral("Pellux v3.2  (Build 155)"));
        QVERIFY(!header(m, "Date").isEmpty());
        QVERIFY(!header(m, "Message-ID").isEmpty());

        const StoredNote record = f.program->storedNoteFromWindow(slot);
        const QJsonArray parts = m.value(QStringLiteral("parts")).toArray();
        QCOMPARE(parts.size(), 2);
        const QJsonObject body = parts.at(0).toObject();
        QCOMPARE(body.value(QStringLiteral("content_type")).toString(), html ? QStringLiteral("text/html") : QStringLiteral("text/plain"));
        QCOMPARE(body.value(QStringLiteral("charset")).toString(), wantCharset);
        if (html) {
            const QString bodyText = body.value(QStringLiteral("text")).toString();
            QCOMPARE(bodyText, NoteHtmlBody(NoteHtml(record)));
            if (checkList)
                QVERIFY(bodyText.contains(QLatin1String("<font face='Wingdings'")) && bodyText.contains(QLatin1String("&#254;")));
        } else {
            QCOMPARE(body.value(QStringLiteral("text")).toString(), wantBody);
        }
        const QJsonObject file = parts.at(1).toObject();
        QCOMPARE(file.value(QStringLiteral("content_type")).toString(), QStringLiteral("application/x-pellux"));
        QCOMPARE(file.value(QStringLiteral("filename")).toString(), attachment);
        QCOMPARE(QByteArray::fromBase64(file.value(QStringLiteral("payload_b64")).toString().toLatin1()),
                 WriteNoteFile(record).bytes);
    }

    void passwordAskedOnEverySend()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        const QString password = QStringLiteral("a password longer than twelve");
        SmtpTestServer::Options auth;
        auth.authUser = QStringLiteral("pellux");
        auth.authPassword = password;
        SmtpTestServer server(auth);
        QVERIFY2(server.start(), qPrintable(server.error()));
        // Chosen knowingly: this server has no TLS, so the login goes in clear.
        f.program->settings.SMTPServer = QStringLiteral("plain:") + server.address();
        f.program->settings.ReturnEMail = From;
        f.program->settings.SMTPUserID = QStringLiteral("pellux");
        NoteMail *mail = NoteMailOf(*f.program);
        for (int send = 1; send <= 2; ++send) {
            f.prompts.answerPassword(password);
            f.program->note(1)->EMailNote(1, To, QStringLiteral("send %1").arg(send));
            QTRY_VERIFY_WITH_TIMEOUT(!mail->isSending(), 30000);
        }
        QCOMPARE(f.prompts.asked().size(), 2);
        for (const AskedPrompt &a : f.prompts.asked()) {
            QCOMPARE(a.kind, AskedPrompt::Password);
            QCOMPARE(a.title, QStringLiteral("SMTP Password"));
            QCOMPARE(a.text, QStringLiteral("Input Password:"));
            QCOMPARE(a.confirm, false);
            QCOMPARE(a.maxLength, 0);
        }
        const QList<ReceivedMail> got = server.received();
        QCOMPARE(got.size(), 2);
        QCOMPARE(got.at(1).authUser, QStringLiteral("pellux"));
        QCOMPARE(header(got.at(1).parsed, "Subject"), QStringLiteral("send 2"));
    }

    void storedPasswordIsNotAsked()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        SmtpTestServer::Options auth;
        auth.authUser = QStringLiteral("pellux");
        auth.authPassword = QStringLiteral("kept");
        SmtpTestServer server(auth);
        QVERIFY2(server.start(), qPrintable(server.error()));
        f.program->settings.SMTPServer = QStringLiteral("plain:") + server.address();
        f.program->settings.ReturnEMail = From;
        f.program->settings.SMTPUserID = QStringLiteral("pellux");
        f.program->smtpPassword().setPassword(QStringLiteral("kept"));
        f.program->note(1)->EMailNote(0, To, QString());
        QTRY_VERIFY_WITH_TIMEOUT(!NoteMailOf(*f.program)->isSending(), 30000);
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(server.received().size(), 1);
        QCOMPARE(server.received().first().authUser, QStringLiteral("pellux"));
    }

    void passwordPromptCancelled()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        SmtpTestServer::Options auth;
        auth.authUser = QStringLiteral("pellux");
        auth.authPassword = QStringLiteral("right");
        SmtpTestServer server(auth);
        QVERIFY2(server.start(), qPrintable(server.error()));
        f.program->settings.SMTPServer = QStringLiteral("plain:") + server.address();
        f.program->settings.ReturnEMail = From;
        f.program->settings.SMTPUserID = QStringLiteral("pellux");
        bool flashed = false;
        connect(NoteMailOf(*f.program), &NoteMail::flashChanged, this, [&] { flashed = true; });
        f.prompts.answerPassword(QString());
        f.program->note(1)->EMailNote(1, To, QString());

        QCOMPARE(f.prompts.asked().size(), 2);
        QCOMPARE(f.prompts.last().text, QStringLiteral("Message Aborted"));
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QVERIFY(!NoteMailOf(*f.program)->isSending());
        QTest::qWait(200);
        QVERIFY(!flashed);
        QVERIFY(server.authAttempts().isEmpty()); // no connection was made
        QCOMPARE(server.received().size(), 0);
    }

    void failuresAreTold_data()
    {
        QTest::addColumn<SmtpTestServer::Options>("options");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("part");        // the server's or the transport's words
        QTest::addColumn<QString>("number");      // " (N)" at the end, empty for the transport's error event

        const QString transmission = QStringLiteral("E-Mail Transmission Error: ");
        const QString sending = QStringLiteral("Error in sending e-mail: ");
        SmtpTestServer::Options auth;
        auth.authUser = QStringLiteral("pellux");
        auth.authPassword = QStringLiteral("right");
        QTest::newRow("wrong password") << auth << "wrong-password" << transmission << "535" << "";
        QTest::newRow("login in clear not chosen")
            << auth << "login-in-clear" << transmission << "so the password was not sent. To log in without "
                                                           "encryption anyway, write the server as \"plain:" << "";
        SmtpTestServer::Options refuse;
        refuse.refuse = QStringList{QStringLiteral("nobody@example.net")};
        QTest::newRow("refused recipient") << refuse << "to-refused" << sending << "Recipient address rejected" << " (550)";
        QTest::newRow("empty recipient") << SmtpTestServer::Options{} << "to-empty" << sending << ""
                                         << QStringLiteral(" (%1)").arg(int(MailErrorNoRecipient));
        QTest::newRow("dead server") << SmtpTestServer::Options{} << "dead" << transmission << "" << "";
        SmtpTestServer::Options silent;
        silent.silent = true;
        QTest::newRow("time-out") << silent << "short-timeout" << transmission << "" << "";
    }
    void failuresAreTold()
    {
        QFETCH(SmtpTestServer::Options, options);
        QFETCH(QString, setup);
        QFETCH(QString, prefix);
        QFETCH(QString, part);
        QFETCH(QString, number);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        SmtpTestServer server(options);
        QVERIFY2(server.start(), qPrintable(server.error()));
        ProgramSettings &s = f.program->settings;
        s.SMTPServer = server.address();
        s.ReturnEMail = From;
        QString to = To;
        NoteMail *mail = NoteMailOf(*f.program);
        if (setup == QLatin1String("wrong-password")) {
            s.SMTPServer = QStringLiteral("plain:") + server.address();
            s.SMTPUserID = QStringLiteral("pellux");
            f.prompts.answerPassword(QStringLiteral("wrong"));
        } else if (setup == QLatin1String("login-in-clear")) {
            s.SMTPUserID = QStringLiteral("pellux");
            f.prompts.answerPassword(QStringLiteral("right"));
        } else if (setup == QLatin1String("to-refused")) {
            to = QStringLiteral("nobody@example.net");
        } else if (setup == QLatin1String("to-empty")) {
            to.clear();
        } else if (setup == QLatin1String("dead")) {
            s.SMTPServer = QStringLiteral("127.0.0.1:%1").arg(SmtpTestServer::closedPort());
        } else if (setup == QLatin1String("short-timeout")) {
            mail->transport.connectTimeoutMs = 1000;
            mail->transport.totalTimeoutMs = 1500;
        }
        f.program->note(1)->mnuEMail->trigger();
        QCOMPARE(openDialogs().size(), 1);
        openDialogs().first()->txtEMailAddr->setText(to);
        openDialogs().first()->cmdOK->click();
        QTRY_VERIFY_WITH_TIMEOUT(!mail->isSending(), 30000);

        const AskedPrompt &told = f.prompts.last();
        QVERIFY2(told.text.startsWith(prefix), qPrintable(told.text));
        QVERIFY2(told.text.contains(part), qPrintable(told.text));
        if (!number.isEmpty())
            QVERIFY2(told.text.endsWith(number), qPrintable(told.text));
        QCOMPARE(told.icon, MsgIcon::Exclamation);
        QCOMPARE(told.title, QStringLiteral("Pellux"));
        QVERIFY(!f.program->flash().isShown());
        QCOMPARE(server.received().size(), 0);
        QCOMPARE(mailLeftovers(f.program->TempFolder), QStringList());
        if (setup == QLatin1String("login-in-clear"))
            QVERIFY(server.authAttempts().isEmpty());
    }

    void loginUnderStartTls()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        SmtpTestServer::Options secure;
        secure.authUser = QStringLiteral("pellux");
        secure.authPassword = QStringLiteral("right");
        secure.tls = true;
        secure.requireTls = true;
        SmtpTestServer server(secure);
        QVERIFY2(server.start(), qPrintable(server.error()));
        f.program->settings.SMTPServer = server.address();
        f.program->settings.ReturnEMail = From;
        f.program->settings.SMTPUserID = QStringLiteral("pellux");
        f.program->smtpPassword().setPassword(QStringLiteral("right"));
        NoteMail *mail = NoteMailOf(*f.program);
        mail->transport.caFile = server.certificate();
        f.program->note(1)->EMailNote(1, To, QString());
        QTRY_VERIFY_WITH_TIMEOUT(!mail->isSending(), 30000);
        QVERIFY2(f.prompts.asked().isEmpty(), qPrintable(askedTexts(f)));
        QCOMPARE(server.received().size(), 1);
        QVERIFY(server.received().first().tls);
        QCOMPARE(server.received().first().authUser, QStringLiteral("pellux"));
    }

    void secondSendWaitsItsTurn()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("First"), QStringLiteral("one")), errands()});
        SmtpTestServer::Options slow;
        slow.dataDelay = 0.5;
        SmtpTestServer server(slow);
        QVERIFY2(server.start(), qPrintable(server.error()));
        f.program->settings.SMTPServer = server.address();
        f.program->settings.ReturnEMail = From;
        NoteMail *mail = NoteMailOf(*f.program);
        mail->completeShownMs = 50;
        QStringList flashes;
        connect(mail, &NoteMail::flashChanged, this, [&](const QString &text) { flashes << text; });
        f.program->note(1)->EMailNote(1, To, QString());
        f.program->note(2)->EMailNote(0, To, QString());
        QTRY_VERIFY_WITH_TIMEOUT(!mail->isSending(), 60000);
        QTRY_VERIFY(!f.program->flash().isShown());
        const QStringList once{"Connecting...", "Sending Message...", "Complete."};
        QCOMPARE(flashes, once + once + QStringList{QString()});
        const QList<ReceivedMail> got = server.received();
        QCOMPARE(got.size(), 2);
        QCOMPARE(header(got.at(0).parsed, "Subject"), QStringLiteral("First"));
        QCOMPARE(header(got.at(1).parsed, "Subject"), QStringLiteral("To do"));
    }

    void noteDeletedWhileTheDialogIsOpen()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Shopping"), QStringLiteral("milk"))});
        SmtpTestServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        f.program->settings.SMTPServer = server.address();
        f.program->settings.ReturnEMail = From;
        f.program->note(1)->mnuEMail->trigger();
        frmEMailNote *d = openDialogs().value(0);
        QVERIFY(d);
        f.program->hub().DelNote(1, true);
        d->txtEMailAddr->setText(To);
        d->cmdOK->click();
        QVERIFY(openDialogs().isEmpty());
        QVERIFY(!NoteMailOf(*f.program)->isSending());
        QVERIFY(f.prompts.asked().isEmpty());
        QTest::qWait(200);
        QCOMPARE(server.received().size(), 0);
    }

    void panelMailsTheSelectedNote()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), errands()});
        f.program->settings.SMTPServer = QStringLiteral("mail.example.org");
        f.program->settings.ReturnEMail = From;
        NCP &p = ncp(*f.program);
        p.NoteList->setCurrentRow(1);
        QVERIFY(p.cmdEMail->isEnabled());
        p.cmdEMail->click();
        QCOMPARE(openDialogs().size(), 1);
        QCOMPARE(openDialogs().first()->windowTitle(), QStringLiteral("E-Mail a Note (To do)"));
        QCOMPARE(openDialogs().first()->slot(), 2);
    }
};

QTEST_MAIN(TestEMailNote)
#include "tst_emailnote.moc"
