// Protecting a note from its own menu, lifting the protection, and the gate that asks
// for the password before a hidden protected note is shown again, with the panel and
// the tray menu following. The dialogs are answered by the scripted prompts.

#include "panel/FakeTrayControl.h"
#include "panel/PanelTestSupport.h"

#include "app/NoteWindow.h"
#include "panel/frmPelluxMenu.h"

#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString kTitle = QStringLiteral("Pellux Password");
const QString kAskProtect = QStringLiteral("Are You Sure You Want To Password Protect This Note?");
const QString kAskRemove = QStringLiteral("Are You Sure You Want To Remove The Protection On This Note?");

bool trayItemShown(Program &program, int slot)
{
    const QAction *item = ncp(program).trayMenu().mnuNoteList(slot);
    return item && item->isVisible() && item->isEnabled();
}

QString panelLabelFor(Program &program, int slot)
{
    NCP &p = ncp(program);
    select(p, slot);
    return p.lblProtect->text();
}

/// Protects the note in \a slot with \a password through its menu, as the user does.
void protectFromMenu(ProgramFixture &f, int slot, const QString &password)
{
    f.prompts.answerMessage(MsgResult::Yes);
    f.prompts.answerPassword(password);
    f.prompts.answerMessage(MsgResult::Ok);
    f.program->note(slot)->mnuPassword->trigger();
}

void checkMessage(const AskedPrompt &a, const QString &text, MsgIcon icon, MsgButtons buttons,
                  const QString &title)
{
    QCOMPARE(a.kind, AskedPrompt::Message);
    QCOMPARE(a.text, text);
    QCOMPARE(a.icon, icon);
    QCOMPARE(a.buttons, buttons);
    QCOMPARE(a.title, title);
}

} // namespace

class TestProtectNote : public QObject
{
    Q_OBJECT

private slots:
    void menuItemIsOfferedOnBothKinds_data()
    {
        QTest::addColumn<int>("slot");
        QTest::newRow("text note") << 1;
        QTest::newRow("check list") << 2;
    }

    void menuItemIsOfferedOnBothKinds()
    {
        QFETCH(int, slot);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Text")), checkList(QStringLiteral("List"))});
        QAction *item = f.program->note(slot)->mnuPassword;
        QCOMPARE(item->text(), QStringLiteral("&Password Protect..."));
        QVERIFY(item->isVisible());
        QVERIFY(item->isEnabled());
        QVERIFY(item->isCheckable());
        QVERIFY(!item->isChecked());
        QVERIFY(item->toolTip() != Commands::notAvailableText());

        protectFromMenu(f, slot, QStringLiteral("Secret"));
        // The click does not flip the tick by itself; the protection does.
        QVERIFY(item->isChecked());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void protectCommand_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("isProtected");
        QTest::newRow("a password") << true << "Secret" << "Password Set" << true;
        QTest::newRow("cancelled") << true << "" << "Operation Failed" << false;
        QTest::newRow("the cancel marker typed") << true << "-1Abort" << "Operation Failed" << false;
        QTest::newRow("not wanted") << false << QString() << QString() << false;
    }

    void protectCommand()
    {
        QFETCH(bool, yes);
        QFETCH(QString, typed);
        QFETCH(QString, outcome);
        QFETCH(bool, isProtected);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Open")), textNote(QStringLiteral("Diary"))});
        NoteWindow *w = f.program->note(2);
        f.prompts.answerMessage(yes ? MsgResult::Yes : MsgResult::No);
        if (yes) {
            f.prompts.answerPassword(typed);
            f.prompts.answerMessage(MsgResult::Ok);
        }
        w->mnuPassword->trigger();

        const QList<AskedPrompt> &asked = f.prompts.asked();
        QCOMPARE(asked.size(), yes ? 3 : 1);
        checkMessage(asked.at(0), kAskProtect, MsgIcon::None, MsgButtons::YesNo, kTitle);
        if (yes) {
            QCOMPARE(asked.at(1).kind, AskedPrompt::Password);
            QCOMPARE(asked.at(1).title, QStringLiteral("Password"));
            QCOMPARE(asked.at(1).text, QStringLiteral("Input Password:"));
            QVERIFY(asked.at(1).confirm);
            QCOMPARE(asked.at(1).maxLength, 12);
            checkMessage(asked.at(2), outcome, MsgIcon::Information, MsgButtons::Ok, kTitle);
        }
        QVERIFY(f.prompts.unexpected().isEmpty());

        QCOMPARE(w->mnuPassword->isChecked(), isProtected);
        QCOMPARE(f.program->notes().entry(2)->isProtected, isProtected);
        QCOMPARE(w->GetNotePass().isEmpty(), !isProtected);
        if (isProtected)
            QVERIFY(w->GetNotePass() != typed);
        // The panel and the tray follow at once; the note itself stays where it is.
        QCOMPARE(panelLabelFor(*f.program, 2), isProtected ? QStringLiteral("Protected") : QString());
        QCOMPARE(trayItemShown(*f.program, 2), !isProtected);
        QVERIFY(trayItemShown(*f.program, 1));
        QVERIFY(w->Visible());
    }

    void removeProtection_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("removed") << true;
        QTest::newRow("kept") << false;
    }

    void removeProtection()
    {
        QFETCH(bool, yes);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Diary"))});
        protectFromMenu(f, 1, QStringLiteral("Secret"));
        NoteWindow *w = f.program->note(1);
        QVERIFY(w->mnuPassword->isChecked());
        f.prompts.clear();

        f.prompts.answerMessage(yes ? MsgResult::Yes : MsgResult::No);
        w->mnuPassword->trigger();
        // Nothing else is asked: the note is open in front of the user.
        QCOMPARE(f.prompts.asked().size(), 1);
        checkMessage(f.prompts.last(), kAskRemove, MsgIcon::None, MsgButtons::YesNo, kTitle);
        QCOMPARE(w->mnuPassword->isChecked(), !yes);
        QCOMPARE(f.program->notes().entry(1)->isProtected, !yes);
        QCOMPARE(w->GetNotePass().isEmpty(), yes);
        QCOMPARE(trayItemShown(*f.program, 1), yes);
        QCOMPARE(panelLabelFor(*f.program, 1), yes ? QString() : QStringLiteral("Protected"));

        // Lifted, a hidden note shows again without a question.
        w->HideNote();
        f.prompts.clear();
        f.prompts.answerPassword(QStringLiteral("Secret"));
        w->ShowNote();
        QVERIFY(w->Visible());
        QCOMPARE(f.prompts.pending(), yes ? 1 : 0);
    }

    void showNoteGate_data()
    {
        QTest::addColumn<bool>("protect");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("invalid");
        QTest::newRow("visible protected note: no question") << true << true << QString() << false << true << false;
        QTest::newRow("hidden unprotected note: no question") << false << false << QString() << false << true << false;
        QTest::newRow("right password") << true << false << "Se cret!" << true << true << false;
        QTest::newRow("cancelled: silent") << true << false << "" << true << false << false;
        QTest::newRow("the cancel marker typed: silent") << true << false << "-1Abort" << true << false << false;
        QTest::newRow("wrong password") << true << false << "nope" << true << false << true;
        QTest::newRow("other letter case") << true << false << "se cret!" << true << false << true;
        QTest::newRow("one blank more") << true << false << "Se cret! " << true << false << true;
    }

    void showNoteGate()
    {
        QFETCH(bool, protect);
        QFETCH(bool, visible);
        QFETCH(QString, answer);
        QFETCH(bool, asks);
        QFETCH(bool, shown);
        QFETCH(bool, invalid);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Diary"))});
        NoteWindow *w = f.program->note(1);
        if (protect)
            QVERIFY(w->SetNotePass(QStringLiteral("Se cret!")));
        if (!visible)
            w->HideNote();
        f.prompts.clear();
        if (asks)
            f.prompts.answerPassword(answer);
        if (invalid)
            f.prompts.answerMessage(MsgResult::Ok);

        f.program->hub().ShowNote(1);
        QCOMPARE(w->Visible(), shown);
        QCOMPARE(f.prompts.asked().size(), (asks ? 1 : 0) + (invalid ? 1 : 0));
        if (asks) {
            const AskedPrompt &a = f.prompts.asked().first();
            QCOMPARE(a.kind, AskedPrompt::Password);
            QCOMPARE(a.title, QStringLiteral("Password"));
            QCOMPARE(a.text, QStringLiteral("Input Password:"));
            QVERIFY(!a.confirm);
            QCOMPARE(a.maxLength, 12);
        }
        if (invalid)
            checkMessage(f.prompts.last(), QStringLiteral("Invalid Password!"), MsgIcon::Exclamation, MsgButtons::Ok,
                         QStringLiteral("Pellux"));
        QVERIFY(f.prompts.unexpected().isEmpty());
        // The note stays protected whatever was typed.
        QCOMPARE(f.program->notes().entry(1)->isProtected, protect);
    }

    void noteUnloadedWhileItsPasswordIsAsked()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Diary"), QString(), false)});
        QVERIFY(f.program->note(1)->SetNotePass(QStringLiteral("Secret")));
        f.prompts.answerPassword(QStringLiteral("wrong"));
        f.prompts.beforeAnswer = [&] {
            f.program->UnloadNotes();
            flushDeletes();
        };
        f.program->hub().ShowNote(1);
        QVERIFY(!f.program->note(1));
        // Nobody is told the password of a note that is gone is wrong.
        QCOMPARE(f.prompts.asked().size(), 1);
    }

    void noteUnloadedWhileANewPasswordIsTyped()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Diary"))});
        f.prompts.answerMessage(MsgResult::Yes);
        f.prompts.answerPassword(QStringLiteral("Secret"));
        NoteWindow *w = f.program->note(1);
        // The hook runs when the second dialog (the password) comes up.
        f.prompts.beforeAnswer = [&] {
            f.prompts.beforeAnswer = [&] {
                f.program->UnloadNotes();
                flushDeletes();
            };
        };
        w->mnuPassword->trigger();
        QVERIFY(!f.program->note(1));
        QCOMPARE(f.prompts.asked().size(), 2);
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Password);
    }

    void showAllLeavesAHiddenProtectedNoteAlone()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Open"), QString(), false), textNote(QStringLiteral("Diary"))});
        protectFromMenu(f, 2, QStringLiteral("Secret"));
        f.program->note(2)->HideNote();
        f.prompts.clear();
        f.program->hub().ShowAllNotes();
        QVERIFY(f.program->note(1)->Visible());
        QVERIFY(!f.program->note(2)->Visible());
        QVERIFY(f.prompts.asked().isEmpty());
    }
};

QTEST_MAIN(TestProtectNote)
#include "tst_protectnote.moc"
#include "panel/moc_FakeTrayControl.cpp"
