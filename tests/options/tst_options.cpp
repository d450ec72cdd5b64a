// "Pellux Program Options" on a whole program: what each control opens with, what
// "&Apply", "Ok" and "Cancel" store, the icon click rule, the tray icon following at
// once, the SMTP password in the secret store, and the places that open the dialog.

#include "panel/FakeTrayControl.h"
#include "panel/PanelTestSupport.h"

#include "app/Commands.h"
#include "notes/TextNoteProt.h"
#include "options/OptionsFeature.h"
#include "options/frmOptions.h"
#include "panel/frmPelluxMenu.h"
#include "platform/SmtpPasswordStore.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

using Settings = QMap<QString, QString>;

/// Opens the options through the command hub and hands the open dialog to \a act.
void withOptions(TrayProgramFixture &f, const std::function<void(frmOptions &)> &act)
{
    f.prompts.answerDialog([act](QDialog &d) {
        auto *o = qobject_cast<frmOptions *>(&d);
        QVERIFY(o);
        act(*o);
    });
    f.program->hub().run(Feature::ProgramOptions);
}

void click(QAbstractButton *b)
{
    QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    b->click();
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void captions()
    {
        TrayProgramFixture f;
        f.start();
        bool seen = false;
        withOptions(f, [&](frmOptions &o) {
            seen = true;
            QCOMPARE(o.windowTitle(), QStringLiteral("Pellux Program Options"));
            const QList<std::pair<QString, QString>> expected{
                {o.fraIcons->title(), "Icon Options"},
                {o.chkSysTray->text(), "Show &System Tray Icon"},
                {o.chkIcon->text(), "Show &Icon On Taskbar or Desktop"},
                {o.fraAutoSave->title(), "AutoSave"},
                {o.Label1->text(), "Inter&val"},
                {o.fraMenus->title(), "Note Menu Options"},
                {o.optMenuStyle[1]->text(), "Short Menu Names (E, O, A)"},
                {o.optMenuStyle[0]->text(), "Normal Menu Names (Edit, Option, Action)"},
                {o.fraPrint->title(), "Include Time and Date on Note Print"},
                {o.optNoteTD[0]->text(), "Yes"},
                {o.optNoteTD[1]->text(), "No"},
                {o.fraEMail->title(), "E-Mail Settings"},
                {o.Label2->text(), "SMTP (&E-Mail) Server:"},
                {o.Label3->text(), "&Your E-Mail Address:"},
                {o.fraEMailType->title(), "Default E-Mail Type"},
                {o.optEMailFormat[0]->text(), "&HTML Enahanced"},
                {o.optEMailFormat[1]->text(), "Plain &Text"},
                {o.fraAuth->title(), "SMTP Auth (Required for some servers)"},
                {o.Label4->text(), "User ID:"},
                {o.Label5->text(), "Password:"},
                {o.Label6->text(),
                 "Note:  Leave the password field blank in SMTP Auth to have it ask for the password before send."},
                {o.cmdOK->text(), "Ok"},
                {o.cmdCancel->text(), "Cancel"},
                {o.cmdApply->text(), "&Apply"},
            };
            for (const auto &[shown, want] : expected)
                QCOMPARE(shown, want);
            QVERIFY(o.cmdOK->isDefault());
            QCOMPARE(o.txtPassword->echoMode(), QLineEdit::Password);
            QCOMPARE(o.sldASTime->minimum(), 1);
            QCOMPARE(o.sldASTime->maximum(), 8);
            // The secret store answers: no word about the settings file.
            QVERIFY(o.lblPasswordStore->isHidden());
        });
        QVERIFY(seen);
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Dialog);
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux Program Options"));
    }

    void autoSaveOpensAndStores_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("saved");
        QTest::newRow("1") << "1" << 1 << "1 Minute" << "1";
        QTest::newRow("2") << "2" << 2 << "2 Minutes" << "2";
        QTest::newRow("5") << "5" << 3 << "5 Minutes" << "5";
        QTest::newRow("10") << "10" << 4 << "10 Minutes" << "10";
        QTest::newRow("15") << "15" << 5 << "15 Minutes" << "15";
        QTest::newRow("30") << "30" << 6 << "30 Minutes" << "30";
        QTest::newRow("45") << "45" << 7 << "45 Minutes" << "45";
        QTest::newRow("60") << "60" << 8 << "60 Minutes" << "60";
        QTest::newRow("20 is not in the table") << "20" << 3 << "5 Minutes" << "5";
        QTest::newRow("90 is not in the table") << "90" << 3 << "5 Minutes" << "5";
    }

    void autoSaveOpensAndStores()
    {
        QFETCH(QString, stored);
        QFETCH(int, position);
        QFETCH(QString, label);
        QFETCH(QString, saved);
        TrayProgramFixture f({{"AutoSave", stored}});
        f.start();
        withOptions(f, [&](frmOptions &o) {
            QCOMPARE(o.sldASTime->value(), position);
            QCOMPARE(o.lblASDelay->text(), label);
            click(o.cmdOK);
        });
        QCOMPARE(storedSetting("AutoSave"), saved);
        QCOMPARE(f.program->settings.AutoSave, saved.toInt());
    }

    void sliderMovesTheLabelAndTheMinutes()
    {
        TrayProgramFixture f;
        f.start();
        withOptions(f, [&](frmOptions &o) {
            const QStringList labels{"1 Minute",   "2 Minutes",  "5 Minutes",  "10 Minutes",
                                     "15 Minutes", "30 Minutes", "45 Minutes", "60 Minutes"};
            const QList<int> minutes{1, 2, 5, 10, 15, 30, 45, 60};
            for (int p = 1; p <= 8; ++p) {
                o.sldASTime->setValue(p);
                QCOMPARE(o.lblASDelay->text(), labels[p - 1]);
                QCOMPARE(o.autoSaveMinutes(), minutes[p - 1]);
            }
            // A position off the table changes nothing.
            o.sldASTime_Change(9);
            QCOMPARE(o.autoSaveMinutes(), 60);
            QCOMPARE(o.lblASDelay->text(), QStringLiteral("60 Minutes"));
            o.sldASTime->setValue(6);
            click(o.cmdApply);
            QCOMPARE(storedSetting("AutoSave"), QStringLiteral("30"));
            click(o.cmdCancel);
        });
        // "&Apply" stored it; the "Cancel" after it takes nothing back.
        QCOMPARE(f.program->settings.AutoSave, 30);
    }

    void iconBoxesOpenWith_data()
    {
        QTest::addColumn<QString>("taskbar");
        QTest::addColumn<QString>("tray");
        QTest::addColumn<bool>("taskbarOn");
        QTest::addColumn<bool>("trayOn");
        QTest::newRow("both 1") << "1" << "1" << true << true;
        QTest::newRow("taskbar only") << "1" << "0" << true << false;
        QTest::newRow("tray only") << "0" << "1" << false << true;
        QTest::newRow("both 0: the tray box comes on") << "0" << "0" << false << true;
    }

    void iconBoxesOpenWith()
    {
        QFETCH(QString, taskbar);
        QFETCH(QString, tray);
        QFETCH(bool, taskbarOn);
        QFETCH(bool, trayOn);
        TrayProgramFixture f({{"TaskbarIcon", taskbar}, {"SystemTrayIcon", tray}});
        f.start();
        withOptions(f, [&](frmOptions &o) {
            QCOMPARE(o.chkIcon->isChecked(), taskbarOn);
            QCOMPARE(o.chkSysTray->isChecked(), trayOn);
            QVERIFY(o.chkSysTray->isEnabled());
        });
    }

    void clickRuleNeverLeavesBothOff_data()
    {
        QTest::addColumn<bool>("unTickTray");
        QTest::newRow("unticking the tray box with the taskbar box off") << true;
        QTest::newRow("unticking the taskbar box with the tray box off") << false;
    }

    void clickRuleNeverLeavesBothOff()
    {
        QFETCH(bool, unTickTray);
        TrayProgramFixture f({{"TaskbarIcon", unTickTray ? "0" : "1"}, {"SystemTrayIcon", unTickTray ? "1" : "0"}});
        f.start();
        withOptions(f, [&](frmOptions &o) {
            QCheckBox *box = unTickTray ? o.chkSysTray : o.chkIcon;
            QVERIFY(box->isChecked());
            click(box);
            QVERIFY(box->isChecked());
            // The other box can be ticked, and then this one can go off.
            QCheckBox *other = unTickTray ? o.chkIcon : o.chkSysTray;
            click(other);
            QVERIFY(other->isChecked());
            click(box);
            QVERIFY(!box->isChecked());
            click(o.cmdOK);
        });
        QCOMPARE(storedSetting("TaskbarIcon"), unTickTray ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(storedSetting("SystemTrayIcon"), unTickTray ? QStringLiteral("0") : QStringLiteral("1"));
    }

    void applyWithTheTrayBoxOffRemovesTheIconAtOnce()
    {
        TrayProgramFixture f({{"TaskbarIcon", "1"}, {"SystemTrayIcon", "1"}});
        f.start();
        QVERIFY(f.tray && f.tray->inTray);
        withOptions(f, [&](frmOptions &o) {
            click(o.chkSysTray);
            QVERIFY(f.tray->inTray);       // nothing happens before "&Apply"
            click(o.cmdApply);
            QVERIFY(!f.tray->inTray);
            QCOMPARE(storedSetting("SystemTrayIcon"), QStringLiteral("0"));
            click(o.chkSysTray);            // on again, then cancelled
            click(o.cmdCancel);
        });
        QVERIFY(!f.tray->inTray);
        QCOMPARE(f.tray->inTrayWrites.last(), false);
        QCOMPARE(storedSetting("SystemTrayIcon"), QStringLiteral("0"));
        QCOMPARE(f.program->settings.SystemTrayIcon, 0);

        // And on again with "Ok".
        withOptions(f, [&](frmOptions &o) {
            click(o.chkSysTray);
            click(o.cmdOK);
        });
        QVERIFY(f.tray->inTray);
    }

    void cancelStoresNothing()
    {
        TrayProgramFixture f({{"AutoSave", "10"}, {"SMTPServer", "mail.example"}, {"EMailType", "0"}});
        f.start();
        const ProgramSettings before = f.program->settings;
        QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        const QString fileBefore = file.fileName();
        QFile f1(fileBefore);
        QVERIFY(f1.open(QIODevice::ReadOnly));
        const QByteArray bytesBefore = f1.readAll();
        f1.close();
        withOptions(f, [&](frmOptions &o) {
            o.sldASTime->setValue(8);
            click(o.optEMailFormat[1]);
            click(o.optMenuStyle[1]);
            o.txtEMail->setText("other.example");
            o.txtPassword->setText("secret");
            click(o.chkIcon);
            click(o.cmdCancel);
        });
        QCOMPARE(f.program->settings, before);
        QVERIFY(f1.open(QIODevice::ReadOnly));
        QCOMPARE(f1.readAll(), bytesBefore);
        QVERIFY(f.secrets.secrets.isEmpty());
    }

    void eMailTypeStores_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("choose");
        QTest::addColumn<QString>("saved");
        QTest::newRow("Plain Text stores 1") << "0" << 1 << "1";
        QTest::newRow("HTML Enahanced stores 0") << "1" << 0 << "0";
        QTest::newRow("another type is kept when none is chosen") << "2" << -1 << "2";
    }

    void eMailTypeStores()
    {
        QFETCH(QString, stored);
        QFETCH(int, choose);
        QFETCH(QString, saved);
        TrayProgramFixture f({{"EMailType", stored}});
        f.start();
        withOptions(f, [&](frmOptions &o) {
            const int s = stored.toInt();
            for (int i = 0; i < 2; ++i)
                QCOMPARE(o.optEMailFormat[size_t(i)]->isChecked(), i == s);
            if (choose >= 0)
                click(o.optEMailFormat[size_t(choose)]);
            click(o.cmdOK);
        });
        QCOMPARE(storedSetting("EMailType"), saved);
    }

    void textsAndChoicesRoundTrip()
    {
        TrayProgramFixture f({{"SMTPServer", "smtp.example:587"},
                              {"ReturnEMail", "me@example.org"},
                              {"SMTPUserID", "me"},
                              {"NoteShortMenus", "False"},
                              {"NoteDTPrint", "True"}});
        f.start();
        withOptions(f, [&](frmOptions &o) {
            QCOMPARE(o.txtEMail->text(), QStringLiteral("smtp.example:587"));
            QCOMPARE(o.txtReturn->text(), QStringLiteral("me@example.org"));
            QCOMPARE(o.txtUserID->text(), QStringLiteral("me"));
            QVERIFY(o.optMenuStyle[0]->isChecked());
            QVERIFY(o.optNoteTD[0]->isChecked());
            o.txtEMail->setText("smtps://mail.example");
            o.txtReturn->setText("you@example.org");
            o.txtUserID->setText("you");
            click(o.optMenuStyle[1]);
            click(o.optNoteTD[1]);
            click(o.cmdOK);
        });
        QCOMPARE(storedSetting("SMTPServer"), QStringLiteral("smtps://mail.example"));
        QCOMPARE(storedSetting("ReturnEMail"), QStringLiteral("you@example.org"));
        QCOMPARE(storedSetting("SMTPUserID"), QStringLiteral("you"));
        QCOMPARE(storedSetting("NoteShortMenus"), QStringLiteral("True"));
        QCOMPARE(storedSetting("NoteDTPrint"), QStringLiteral("False"));
    }

    void shortMenusReachTheOpenNotes()
    {
        TrayProgramFixture f;
        startWith(f, {textNote("One")});
        NoteWindow *note = f.program->note(1);
        const QString before = note->findChild<QMenuBar *>()->actions().first()->text();
        withOptions(f, [&](frmOptions &o) {
            click(o.optMenuStyle[1]);
            click(o.cmdOK);
        });
        const QString after = note->findChild<QMenuBar *>()->actions().first()->text();
        QVERIFY2(after != before && after.size() < before.size(), qPrintable(before + " -> " + after));
    }

    void smtpPasswordLivesInTheSecretStore()
    {
        TrayProgramFixture f;
        f.start();
        f.secrets.secrets.insert(SmtpPasswordStore::SecretKey, "old");
        withOptions(f, [&](frmOptions &o) {
            QCOMPARE(o.txtPassword->text(), QStringLiteral("old"));
            o.txtPassword->setText("new one");
            click(o.cmdOK);
        });
        QCOMPARE(f.secrets.secrets.value(SmtpPasswordStore::SecretKey), QStringLiteral("new one"));
        QVERIFY(storedSetting("SMTPPassword").isEmpty());

        // An unchanged field writes nothing.
        const int writes = f.secrets.writes;
        withOptions(f, [&](frmOptions &o) { click(o.cmdOK); });
        QCOMPARE(f.secrets.writes, writes);
    }

    void passwordFallbackIsSaid()
    {
        TrayProgramFixture f;
        f.secrets.available = false;
        f.start();
        withOptions(f, [&](frmOptions &o) {
            QVERIFY(!o.lblPasswordStore->isHidden());
            QCOMPARE(o.lblPasswordStore->text(),
                     QStringLiteral("No secret store answers: the password is kept in the settings file."));
            o.txtPassword->setText("pw");
            click(o.cmdOK);
        });
        // Kept (in the settings' hex form), not lost.
        QVERIFY(!storedSetting("SMTPPassword").isEmpty());
        QCOMPARE(f.program->smtpPassword().password(), QStringLiteral("pw"));
    }

    void noNotificationArea()
    {
        TrayProgramFixture f({{"TaskbarIcon", "0"}, {"SystemTrayIcon", "1"}});
        f.notificationArea = false;
        f.start();
        withOptions(f, [&](frmOptions &o) {
            QVERIFY(!o.chkSysTray->isChecked());
            QVERIFY(!o.chkSysTray->isEnabled());
            // The taskbar icon is then the only way back to the panel.
            QVERIFY(o.chkIcon->isChecked());
            click(o.cmdOK);
        });
        QCOMPARE(storedSetting("TaskbarIcon"), QStringLiteral("1"));
        QCOMPARE(storedSetting("SystemTrayIcon"), QStringLiteral("0"));
    }

    void openedFrom_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("panel button") << "panel";
        QTest::newRow("tray menu") << "tray";
        QTest::newRow("first-run question") << "first run";
    }

    void openedFrom()
    {
        QFETCH(QString, from);
        TrayProgramFixture f;
        f.start();
        f.prompts.clear();
        bool opened = false;
        if (from == "first run") {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
            s.setValue("Settings/Version", "3.1  (Build 100)");
            s.sync();
            f.prompts.answerMessage(MsgResult::Yes);
        }
        f.prompts.answerDialog([&](QDialog &d) {
            opened = d.objectName() == QStringLiteral("frmOptions");
            d.reject();
        });
        NCP &panel = ncp(*f.program);
        if (from == "panel")
            click(panel.cmdProgOpt);
        else if (from == "tray")
            panel.trayMenu().mnuProgramOptions->trigger();
        else
            f.program->CheckVersion();
        QVERIFY(opened);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
#include "panel/moc_FakeTrayControl.cpp"
