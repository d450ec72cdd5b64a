// The Note Control Panel's note commands: the list, the enabling rules, delete,
// show/hide, go to, bring here, retitle, the refusals for protected notes, the
// file drop and the title conversion.

#include "panel/PanelTestSupport.h"

#include "app/FlashMsg.h"
#include "notes/TextNoteProt.h"
#include "panel/frmPelluxMenu.h"

#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

class TestNcp : public QObject
{
    Q_OBJECT

private:
    static QList<QPushButton *> noteCommands(NCP &p)
    {
        return {p.cmdEditTitle, p.SHButton, p.cmdSHAll, p.cmdDelNote, p.cmdPrint, p.cmdEMail, p.cmdGO, p.cmdBring};
    }
    static QStringList entries(NCP &p)
    {
        QStringList out;
        for (int i = 0; i < p.NoteList->count(); ++i)
            out << p.NoteList->item(i)->text();
        return out;
    }
    static void drop(NCP &p, const QList<QUrl> &urls, bool *enterAccepted = nullptr)
    {
        QMimeData data;
        data.setUrls(urls);
        QWidget *target = p.NoteList->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (enterAccepted)
            *enterAccepted = enter.isAccepted();
        // The drop is sent whatever the drag said, as a misbehaving source might.
        QDropEvent dropEvent(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropEvent);
    }
    QString writeTextFile(ProgramFixture &f, const QString &name, const QByteArray &bytes)
    {
        const QString path = f.env.root() + QLatin1Char('/') + name;
        TestEnvironment::writeFile(path, bytes);
        return path;
    }

private slots:
    void panelAtStart()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Zeta")), textNote(QStringLiteral("Alpha")),
                      checkList(QStringLiteral("Middle"))});
        NCP &p = ncp(*f.program);
        QCOMPARE(p.windowTitle(), QStringLiteral("Pellux: Note Control"));
        QCOMPARE(p.SSTab1->count(), 2);
        QCOMPARE(p.SSTab1->tabText(0), QStringLiteral("N&ote Control"));
        QCOMPARE(p.SSTab1->tabText(1), QStringLiteral("&Config"));
        // Slot order, never sorted.
        QCOMPARE(entries(p), (QStringList{QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Middle")}));
        QCOMPARE(p.Stats->currentMessage(), QStringLiteral("Pellux for Windows v3.2  (Build 155)"));
        QCOMPARE(p.Label1->text(), QStringLiteral("Notes:"));
        QCOMPARE(p.lblProtect->text(), QString());
        QCOMPARE(p.NoteSample->text().isEmpty(), false);
        for (QPushButton *b : noteCommands(p))
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QVERIFY(p.AddNote->isEnabled());
        // The search, the options and the About box are in this build: usable with no note selected.
        for (QPushButton *b : {p.cmdSearch, p.cmdAbout, p.cmdProgOpt}) {
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
            QVERIFY(b->toolTip() != QStringLiteral("Not available in this build"));
        }
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void buttonPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("AddNote") << "AddNote" << "&Add Note" << 3240 << 360;
        QTest::newRow("cmdEditTitle") << "cmdEditTitle" << "ReTitle Note" << 3240 << 960;
        QTest::newRow("SHButton") << "SHButton" << "Show &Note" << 3240 << 1560;
        QTest::newRow("cmdSHAll") << "cmdSHAll" << "Show All Notes" << 3240 << 2160;
        QTest::newRow("cmdDelNote") << "cmdDelNote" << "&Delete Note" << 3240 << 2760;
        QTest::newRow("cmdSearch") << "cmdSearch" << "Search Notes" << 4800 << 360;
        QTest::newRow("cmdPrint") << "cmdPrint" << "Print Note" << 4800 << 960;
        QTest::newRow("cmdEMail") << "cmdEMail" << "E-Mail Note" << 4800 << 1560;
        QTest::newRow("cmdGO") << "cmdGO" << "&Goto Note" << 4800 << 2160;
        QTest::newRow("cmdBring") << "cmdBring" << "&Bring Note Here" << 4800 << 2760;
        QTest::newRow("NoteList") << "NoteList" << "" << 120 << 600;
    }
    void buttonPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, left);
        QFETCH(int, top);
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        auto *w = p.findChild<QWidget *>(name);
        QVERIFY(w);
        if (auto *b = qobject_cast<QPushButton *>(w)) {
            QCOMPARE(b->text(), caption);
            QCOMPARE(b->size(), QSize(1452 / 15, 492 / 15));
        }
        // Places are the design's, measured from "&Add Note" (the tab strip above differs by desktop).
        QCOMPARE(w->x(), left / 15);
        QCOMPARE(w->y() - p.AddNote->y(), (top - 360) / 15);
    }

    void noControlOutsideItsPage()
    {
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.show();
        for (int tab = 0; tab < p.SSTab1->count(); ++tab) {
            p.SSTab1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            QWidget *page = p.SSTab1->widget(tab);
            for (QWidget *c : page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                QVERIFY2(page->rect().contains(c->geometry()),
                         qPrintable(c->objectName() + QStringLiteral(" is clipped by its page")));
            }
            for (QWidget *c : p.Frame1->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                QVERIFY2(p.Frame1->rect().contains(c->geometry()),
                         qPrintable(c->objectName() + QStringLiteral(" is clipped by its frame")));
            }
        }
        QVERIFY(p.SSTab1->width() >= 6405 / 15);
    }

    void selectionRules_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("protect");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("editTitle");
        QTest::addColumn<bool>("showHideAll");
        QTest::addColumn<QString>("shCaption");
        // Slots: 1 normal visible text, 2 dynamic-title text, 3 check list, 4 hidden text.
        QTest::newRow("plain text note") << 1 << false << "" << true << true << "Hide &Note";
        QTest::newRow("dynamic title text note") << 2 << false << "" << false << true << "Hide &Note";
        QTest::newRow("check list") << 3 << false << "" << true << true << "Hide &Note";
        QTest::newRow("hidden note") << 4 << false << "" << true << true << "Show &Note";
        QTest::newRow("protected note") << 1 << true << "Protected" << true << false << "Hide &Note";
        QTest::newRow("protected check list") << 3 << true << "Protected" << true << false << "Hide &Note";
    }
    void selectionRules()
    {
        QFETCH(int, slot);
        QFETCH(bool, protect);
        QFETCH(QString, label);
        QFETCH(bool, editTitle);
        QFETCH(bool, showHideAll);
        QFETCH(QString, shCaption);
        ProgramFixture f;
        NoteSpec dynamic = textNote(QStringLiteral("Dyn"), QStringLiteral("Dyn title"));
        dynamic.dynamicTitle = true;
        startWith(f, {textNote(QStringLiteral("Plain")), dynamic, checkList(QStringLiteral("List")),
                      textNote(QStringLiteral("Hidden"), QString(), false)});
        NCP &p = ncp(*f.program);
        if (protect)
            f.program->note(slot)->SetNotePass(QStringLiteral("pw"));
        select(p, slot);
        QCOMPARE(p.lblProtect->text(), label);
        QCOMPARE(p.cmdEditTitle->isEnabled(), editTitle);
        QCOMPARE(p.cmdSHAll->isEnabled(), showHideAll);
        QCOMPARE(p.SHButton->text(), shCaption);
        QCOMPARE(p.cmdSHAll->text(), shCaption.startsWith(QLatin1String("Hide")) ? QStringLiteral("Hide All Notes")
                                                                                 : QStringLiteral("Show All Notes"));
        for (QPushButton *b : {p.SHButton, p.cmdDelNote, p.cmdGO, p.cmdBring, p.cmdPrint, p.cmdEMail})
            QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));

        // Clearing the selection disables every note command again.
        p.NoteList->clearSelection();
        QCOMPARE(p.lblProtect->text(), QString());
        for (QPushButton *b : noteCommands(p))
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    }

    void deleteSlot3Of5()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two")),
                      textNote(QStringLiteral("Three")), textNote(QStringLiteral("Four")),
                      textNote(QStringLiteral("Five"))});
        NCP &p = ncp(*f.program);
        frmPelluxMenu &menu = trayMenu(*f.program);
        QVERIFY(menu.mnuNoteList(3) && menu.mnuNoteList(3)->isVisible());
        select(p, 3);
        f.prompts.answerMessage(MsgResult::Yes);
        p.cmdDelNote->click();

        const auto &q = f.prompts.last();
        QCOMPARE(q.text, QStringLiteral("Delete Note \"Three\"?"));
        QCOMPARE(q.title, QStringLiteral("Pellux"));
        QCOMPARE(q.icon, MsgIcon::Question);
        QCOMPARE(q.buttons, MsgButtons::YesNo);
        QCOMPARE(q.defaultButton, std::optional<MsgResult>(MsgResult::No));

        QCOMPARE(entries(p), (QStringList{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("(Deleted)"),
                                          QStringLiteral("Four"), QStringLiteral("Five")}));
        QCOMPARE(f.program->upperBound(), 5);
        QVERIFY(!f.program->note(3));
        QCOMPARE(f.program->note(4)->NoteNum, qint16(4));
        QCOMPARE(f.program->note(5)->NoteNum, qint16(5));
        QCOMPARE(f.program->note(4)->Caption(), QStringLiteral("Four"));
        QVERIFY(!menu.mnuNoteList(3)->isVisible());
        QVERIFY(menu.mnuNoteList(4)->isVisible());
        QCOMPARE(menu.mnuNoteList(4)->text(), QStringLiteral("Four"));

        // The deleted entry stays selected and offers nothing.
        QCOMPARE(p.lblProtect->text(), QStringLiteral("Deleted"));
        for (QPushButton *b : noteCommands(p))
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));

        // The deleted note is gone from the store; the others keep their order.
        QVERIFY(f.program->SaveNotes());
        const QByteArray store = f.readStore();
        QVERIFY(!store.contains("Three"));
        QVERIFY(store.indexOf("Two") < store.indexOf("Four"));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void deleteOtherSlotKeepsSelection()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two"))});
        NCP &p = ncp(*f.program);
        select(p, 1);
        f.program->hub().DelNote(2, true);
        QCOMPARE(p.NoteList->currentRow(), 0);
        QCOMPARE(p.lblProtect->text(), QString());
        QVERIFY(p.cmdDelNote->isEnabled());
        QCOMPARE(entries(p), (QStringList{QStringLiteral("One"), QStringLiteral("(Deleted)")}));
    }

    void deleteRefusedOrDeclined_data()
    {
        QTest::addColumn<bool>("protect");
        QTest::addColumn<int>("answer");
        QTest::newRow("answered No") << false << int(MsgResult::No);
        QTest::newRow("protected note") << true << int(MsgResult::Ok);
    }
    void deleteRefusedOrDeclined()
    {
        QFETCH(bool, protect);
        QFETCH(int, answer);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two"))});
        NCP &p = ncp(*f.program);
        NoteWindow *two = f.program->note(2);
        if (protect)
            two->SetNotePass(QStringLiteral("secret"));
        const QString guid = two->NoteGUID();
        select(p, 2);
        f.prompts.answerMessage(MsgResult(answer));
        p.cmdDelNote->click();
        QCOMPARE(f.prompts.asked().size(), 1);
        if (protect) {
            QCOMPARE(f.prompts.last().text, QStringLiteral("ERROR:  Password Must Be Removed Before Deleting Note."));
            QCOMPARE(f.prompts.last().icon, MsgIcon::Critical);
            QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        }
        QCOMPARE(f.program->note(2), two);
        QCOMPARE(two->NoteGUID(), guid);
        QCOMPARE(entries(p), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void silentDeleteSkipsPasswordAndQuestion()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        f.program->note(1)->SetNotePass(QStringLiteral("secret"));
        f.program->hub().DelNote(1, true);
        QVERIFY(!f.program->note(1));
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("(Deleted)"));
        QVERIFY(f.prompts.asked().isEmpty());
        // A second delete of the empty slot does nothing.
        f.program->hub().DelNote(1, false);
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(ncp(*f.program).NoteList->count(), 1);
    }

    void showHideAll_data()
    {
        QTest::addColumn<bool>("startVisible");
        QTest::addColumn<QList<bool>>("after");
        // Slot 2 is protected; slot 3 is a live note titled "(Deleted)"; slot 4 is deleted; slot 1 is selected.
        QTest::newRow("selected hidden: shows the unprotected")
            << false << QList<bool>{true, false, true, false};
        QTest::newRow("selected visible: hides all, protected too")
            << true << QList<bool>{false, false, false, false};
    }
    void showHideAll()
    {
        QFETCH(bool, startVisible);
        QFETCH(QList<bool>, after);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"), QString(), startVisible),
                      textNote(QStringLiteral("Two"), QString(), startVisible),
                      textNote(QStringLiteral("(Deleted)"), QString(), startVisible),
                      textNote(QStringLiteral("Four"), QString(), startVisible)});
        NCP &p = ncp(*f.program);
        f.program->note(2)->SetNotePass(QStringLiteral("pw"));
        // A note that is only titled "(Deleted)" is a note like any other.
        select(p, 3);
        QVERIFY(p.cmdDelNote->isEnabled());
        QCOMPARE(p.lblProtect->text(), QString());
        f.prompts.answerMessage(MsgResult::Yes);
        f.program->hub().DelNote(4, false);
        select(p, 1);
        QVERIFY(p.cmdSHAll->isEnabled());
        p.cmdSHAll->click();
        for (int slot = 1; slot <= 3; ++slot)
            QCOMPARE(f.program->note(slot)->Visible(), after.at(slot - 1));
        // No password was asked for: protected notes are not shown this way.
        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(p.SHButton->text(), after.at(0) ? QStringLiteral("Hide &Note") : QStringLiteral("Show &Note"));
    }

    void showHideNoteAndDoubleClick()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two"))});
        NCP &p = ncp(*f.program);
        NoteWindow *one = f.program->note(1);
        select(p, 1);
        QVERIFY(one->Visible());
        p.SHButton->click();
        QVERIFY(!one->Visible());
        QCOMPARE(p.SHButton->text(), QStringLiteral("Show &Note"));
        QCOMPARE(p.cmdSHAll->text(), QStringLiteral("Show All Notes"));

        // A double click on the entry does what the button does.
        emit p.NoteList->itemDoubleClicked(p.NoteList->item(0));
        QVERIFY(one->Visible());
        QCOMPARE(p.SHButton->text(), QStringLiteral("Hide &Note"));

        // On a deleted entry the button is off, and a double click does nothing.
        f.prompts.answerMessage(MsgResult::Yes);
        select(p, 2);
        p.cmdDelNote->click();
        QVERIFY(!p.SHButton->isEnabled());
        emit p.NoteList->itemDoubleClicked(p.NoteList->item(1));
        QVERIFY(one->Visible());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void doubleClickWithTheMouse()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        const QRect r = p.NoteList->visualItemRect(p.NoteList->item(0));
        QTest::mouseClick(p.NoteList->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(p.NoteList->currentRow(), 0);
        QTest::mouseDClick(p.NoteList->viewport(), Qt::LeftButton, {}, r.center());
        QVERIFY(!f.program->note(1)->Visible());
    }

    void showProtectedAsksPassword()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"), QString(), false)});
        NCP &p = ncp(*f.program);
        f.program->note(1)->SetNotePass(QStringLiteral("pw"));
        select(p, 1);
        f.prompts.answerPassword(QStringLiteral("pw"));
        p.cmdGO->click();
        QVERIFY(f.program->note(1)->Visible());
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Password);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void bringNoteHere_data()
    {
        QTest::addColumn<bool>("protect");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("moved");
        QTest::newRow("hidden note") << false << QString() << true;
        QTest::newRow("protected, right password") << true << QStringLiteral("pw") << true;
        QTest::newRow("protected, cancelled") << true << QString() << false;
    }
    void bringNoteHere()
    {
        QFETCH(bool, protect);
        QFETCH(QString, password);
        QFETCH(bool, moved);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"), QString(), false)});
        NCP &p = ncp(*f.program);
        p.move(200, 150);
        p.show();
        NoteWindow *w = f.program->note(1);
        const QSize size = w->size();
        const int left = w->Left();
        if (protect) {
            w->SetNotePass(QStringLiteral("pw"));
            f.prompts.answerPassword(password);
        }
        select(p, 1);
        p.cmdBring->click();
        QCOMPARE(w->Visible(), moved);
        if (moved) {
            QCOMPARE(w->Left(), p.x() * 15);
            QCOMPARE(w->Top(), p.y() * 15);
            QCOMPARE(w->size(), size);
            QCOMPARE(w->WindowState(), 0);
        } else {
            QCOMPARE(w->Left(), left);
        }
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void retitle_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("title");
        QTest::newRow("text note") << 1 << QStringLiteral("Renamed") << QStringLiteral("Renamed");
        QTest::newRow("text note, cancelled") << 1 << QString() << QStringLiteral("Plain");
        QTest::newRow("check list") << 2 << QStringLiteral("Shopping") << QStringLiteral("Shopping");
    }
    void retitle()
    {
        QFETCH(int, slot);
        QFETCH(QString, answer);
        QFETCH(QString, title);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Plain")), checkList(QStringLiteral("List"))});
        NCP &p = ncp(*f.program);
        select(p, slot);
        f.prompts.answerInput(answer);
        p.cmdEditTitle->click();
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Input);
        QCOMPARE(f.prompts.last().text, QStringLiteral("What do you want for the new title?"));
        QCOMPARE(f.program->note(slot)->Caption(), title);
        QCOMPARE(p.listEntry(slot), title);
        QCOMPARE(trayMenu(*f.program).mnuNoteList(slot)->text(), title);
    }

    void printAndMailRefuseProtectedNotes_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("unprotectedAsks");
        QTest::newRow("print") << QByteArray("cmdPrint_Click")
                               << "ERROR:  You must use the Print command in a password protected note to print it."
                               << int(AskedPrompt::Printer);
        QTest::newRow("e-mail") << QByteArray("cmdEMail_Click")
                                << "ERROR:  You must use the E-Mail command in a password protected note to E-Mail it."
                                << int(AskedPrompt::Message); // the missing SMTP server comes first here
    }
    void printAndMailRefuseProtectedNotes()
    {
        QFETCH(QByteArray, command);
        QFETCH(QString, error);
        QFETCH(int, unprotectedAsks);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two"))});
        NCP &p = ncp(*f.program);
        f.program->note(1)->SetNotePass(QStringLiteral("pw"));
        select(p, 1);
        QVERIFY(QMetaObject::invokeMethod(&p, command.constData()));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, error);
        QCOMPARE(f.prompts.last().icon, MsgIcon::Critical);
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));

        // An unprotected note gets no refusal: the command goes on to its first question.
        f.prompts.clear();
        select(p, 2);
        QVERIFY(QMetaObject::invokeMethod(&p, command.constData()));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(int(f.prompts.last().kind), unprotectedAsks);
        QVERIFY(!f.prompts.last().text.startsWith(QLatin1String("ERROR:  You must use")));
    }

    void dropOneFile_data()
    {
        QTest::addColumn<bool>("dynamicDefault");
        QTest::addColumn<QString>("title");
        QTest::newRow("title asked, file name offered") << false << QStringLiteral("From file");
        QTest::newRow("dynamic title from the text") << true << QStringLiteral("First line...");
    }
    void dropOneFile()
    {
        QFETCH(bool, dynamicDefault);
        QFETCH(QString, title);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        p.chkDynamicTitle->setChecked(dynamicDefault);
        const QString path = writeTextFile(f, QStringLiteral("shopping list.txt"), "First line\r\nsecond line");
        if (!dynamicDefault)
            f.prompts.answerInput(title);
        bool accepted = false;
        drop(p, {QUrl::fromLocalFile(path)}, &accepted);
        QVERIFY(accepted);
        if (!dynamicDefault) {
            QCOMPARE(f.prompts.last().text, QStringLiteral("What do you want for the title of this note?"));
            QCOMPARE(f.prompts.last().defaultText, QStringLiteral("shopping list.txt"));
        }
        QCOMPARE(f.program->upperBound(), 2);
        auto *w = qobject_cast<TextNoteProt *>(f.program->note(2));
        QVERIFY(w);
        QCOMPARE(w->text(), QStringLiteral("First line\r\nsecond line"));
        QCOMPARE(p.listEntry(2), title);
        QCOMPARE(w->Caption(), title);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void dropRefused_data()
    {
        QTest::addColumn<int>("files");       // text files in the drop
        QTest::addColumn<bool>("folder");
        QTest::newRow("two files") << 2 << false;
        QTest::newRow("a folder") << 0 << true;
        QTest::newRow("no file at all") << 0 << false;
    }
    void dropRefused()
    {
        QFETCH(int, files);
        QFETCH(bool, folder);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        p.chkDynamicTitle->setChecked(false);
        QList<QUrl> urls;
        for (int i = 0; i < files; ++i)
            urls << QUrl::fromLocalFile(writeTextFile(f, QStringLiteral("f%1.txt").arg(i), "text"));
        if (folder)
            urls << QUrl::fromLocalFile(f.env.root());
        if (urls.isEmpty())
            urls << QUrl(QStringLiteral("https://example.org/page.txt"));
        bool accepted = true;
        drop(p, urls, &accepted);
        QVERIFY(!accepted);
        QCOMPARE(f.program->upperBound(), 1);
        QCOMPARE(p.NoteList->count(), 1);
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void dropCancelledTitleReadsNothing()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        p.chkDynamicTitle->setChecked(false);
        const QString path = writeTextFile(f, QStringLiteral("a.txt"), "text");
        f.prompts.answerInput(QString());
        drop(p, {QUrl::fromLocalFile(path)});
        QCOMPARE(f.program->upperBound(), 1);
        QCOMPARE(qobject_cast<TextNoteProt *>(f.program->note(1))->text(), QStringLiteral("One text"));
        QCOMPARE(f.prompts.asked().size(), 1);
    }

    void convertTitles_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("target");     // -1: nothing changes
        QTest::newRow("Yes: all to dynamic") << QList<int>{int(MsgResult::Yes)} << 1;
        QTest::newRow("No, Yes: all to normal") << QList<int>{int(MsgResult::No), int(MsgResult::Yes)} << 0;
        QTest::newRow("No, No: nothing") << QList<int>{int(MsgResult::No), int(MsgResult::No)} << -1;
    }
    void convertTitles()
    {
        QFETCH(QList<int>, answers);
        QFETCH(int, target);
        ProgramFixture f;
        NoteSpec dyn = textNote(QStringLiteral("Dyn"), QStringLiteral("Dyn first\r\nmore"));
        dyn.dynamicTitle = true;
        startWith(f, {textNote(QStringLiteral("Plain"), QStringLiteral("Plain first\r\nmore")), dyn,
                      textNote(QStringLiteral("Locked"), QStringLiteral("Locked first")),
                      checkList(QStringLiteral("List")), textNote(QStringLiteral("Gone"))});
        NCP &p = ncp(*f.program);
        auto *plain = qobject_cast<TextNoteProt *>(f.program->note(1));
        auto *dynamic = qobject_cast<TextNoteProt *>(f.program->note(2));
        auto *locked = qobject_cast<TextNoteProt *>(f.program->note(3));
        locked->SetNotePass(QStringLiteral("pw"));
        f.prompts.answerMessage(MsgResult::Yes);
        f.program->hub().DelNote(5, false);
        p.show();
        // The default differs from both targets' starting points.
        const bool chkBefore = target == 1 ? false : true;
        f.program->setNewNoteDynamicTitle(chkBefore);
        f.program->SaveSettings();
        const QString storedBefore = storedSetting(QStringLiteral("DynamicTitle"));
        select(p, 1);
        const bool editBefore = p.cmdEditTitle->isEnabled();
        f.prompts.clear();
        for (int a : answers)
            f.prompts.answerMessage(MsgResult(a));
        p.cmdConvDynTitle->click();

        QCOMPARE(f.prompts.asked().size(), answers.size());
        QCOMPARE(f.prompts.asked().at(0).text,
                 QStringLiteral("Convert All Notes To Dynamic Title?\r(This will destroy all current note titles)"));
        QCOMPARE(f.prompts.asked().at(0).icon, MsgIcon::Question);
        QCOMPARE(f.prompts.asked().at(0).buttons, MsgButtons::YesNo);
        if (answers.size() > 1)
            QCOMPARE(f.prompts.asked().at(1).text, QStringLiteral("Convert All Notes To Normal Title?"));

        QVERIFY(!locked->mnuDynamicTitle->isChecked());
        QCOMPARE(locked->Caption(), QStringLiteral("Locked"));
        QCOMPARE(f.program->note(4)->Caption(), QStringLiteral("List"));
        if (target < 0) {
            QVERIFY(!plain->mnuDynamicTitle->isChecked());
            QVERIFY(dynamic->mnuDynamicTitle->isChecked());
            QCOMPARE(plain->Caption(), QStringLiteral("Plain"));
            QCOMPARE(p.chkDynamicTitle->isChecked(), chkBefore);
            QCOMPARE(storedSetting(QStringLiteral("DynamicTitle")), storedBefore);
            QCOMPARE(p.cmdEditTitle->isEnabled(), editBefore);
            return;
        }
        const bool on = target == 1;
        for (TextNoteProt *t : {plain, dynamic}) {
            QCOMPARE(t->mnuDynamicTitle->isChecked(), on);
            QCOMPARE(t->mnuReTitle->isEnabled(), !on);
        }
        if (on) {
            QCOMPARE(plain->Caption(), QStringLiteral("Plain first..."));
            QCOMPARE(p.listEntry(1), QStringLiteral("Plain first..."));
            QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("Plain first..."));
        } else {
            QCOMPARE(plain->Caption(), QStringLiteral("Plain"));
        }
        QCOMPARE(p.listEntry(5), QStringLiteral("(Deleted)"));
        QCOMPARE(p.chkDynamicTitle->isChecked(), on);
        QCOMPARE(storedSetting(QStringLiteral("DynamicTitle")), on ? QStringLiteral("1") : QStringLiteral("0"));
        // The selected note's retitle button follows its new setting.
        QCOMPARE(p.cmdEditTitle->isEnabled(), !on);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }
};

QTEST_MAIN(TestNcp)
#include "tst_ncp.moc"
