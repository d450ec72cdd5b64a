// The tray menu: its items and banner, the "Goto Note" items kept in step with the
// notes (created, retitled, protected, deleted, unloaded) and the commands behind
// every item.

#include "panel/FakeTrayControl.h"
#include "panel/PanelTestSupport.h"

#include "notes/TextNoteProt.h"
#include "panel/frmPelluxMenu.h"

#include <QCheckBox>
#include <QKeySequence>
#include <QMenu>
#include <QToolTip>
#include <QWidgetAction>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString kNotAvailable = QStringLiteral("Not available in this build");

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

/// The "Goto Note" items as the user sees them: visible ones only, by caption.
QStringList gotoItems(frmPelluxMenu &menu)
{
    QStringList out;
    for (QAction *a : menu.mnuShowHideParent()->actions()) {
        if (a->isVisible())
            out << a->text();
    }
    return out;
}

} // namespace

class TestTrayMenu : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { flushDeletes(); }

    void itemsInOrder()
    {
        TrayProgramFixture f;
        f.start();
        QMenu *popup = trayMenu(*f.program).popup();
        QStringList shown;
        for (QAction *a : popup->actions())
            shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
        const QStringList expected{QStringLiteral("Pellux"),
                                   QStringLiteral("-"),
                                   QStringLiteral("Add Note"),
                                   QStringLiteral("Add Check List"),
                                   QStringLiteral("Notes To Top"),
                                   QStringLiteral("Search Notes"),
                                   QStringLiteral("-"),
                                   QStringLiteral("Goto Note"),
                                   QStringLiteral("Show All Notes"),
                                   QStringLiteral("Hide All Notes"),
                                   QStringLiteral("-"),
                                   QStringLiteral("Control Panel"),
                                   QStringLiteral("Program Options"),
                                   QStringLiteral("-"),
                                   QStringLiteral("Exit")};
        QCOMPARE(shown, expected);
        QCOMPARE(popup->title(), QStringLiteral("PelluxPopUp"));
        QVERIFY(popup->toolTipsVisible());
        // The submenu starts with its greyed template line.
        const QList<QAction *> gotoActions = trayMenu(*f.program).mnuShowHideParent()->actions();
        QCOMPARE(gotoActions.size(), 1);
        QCOMPARE(gotoActions.first()->text(), QStringLiteral("Note List"));
        QVERIFY(!gotoActions.first()->isEnabled());
    }

    void addNoteIsTheBoldDefault()
    {
        TrayProgramFixture f;
        f.start();
        frmPelluxMenu &menu = trayMenu(*f.program);
        QCOMPARE(menu.popup()->defaultAction(), menu.mnuPelluxAdd);
        QVERIFY(menu.mnuPelluxAdd->font().bold());
    }

    void featureCommandsAreEnabled_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("banner (About box)") << QStringLiteral("mnuPelluxJunk1");
        QTest::newRow("Search Notes") << QStringLiteral("mnuPelluxSearch");
        QTest::newRow("Program Options") << QStringLiteral("mnuProgramOptions");
    }
    void featureCommandsAreEnabled()
    {
        QFETCH(QString, item);
        TrayProgramFixture f;
        f.start();
        auto *action = trayMenu(*f.program).popup()->findChild<QAction *>(item);
        QVERIFY(action);
        QVERIFY(action->isEnabled());
        QVERIFY(action->toolTip() != kNotAvailable);
    }

    void theOtherCommandsAreEnabled()
    {
        TrayProgramFixture f;
        f.start();
        frmPelluxMenu &m = trayMenu(*f.program);
        for (QAction *a : {m.mnuPelluxAdd, m.mnuCheckListAdd, m.mnuPelluxNoteup, m.mnuPelluxShowAll,
                           m.mnuPelluxHideAll, m.mnuPelluxControl, m.mnuPelluxExit})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        QVERIFY(m.mnuShowHideParent()->menuAction()->isEnabled());
    }

    void bannerShowsItsPicture()
    {
        TrayProgramFixture f;
        f.start();
        QWidgetAction *banner = trayMenu(*f.program).mnuPelluxJunk1;
        QVERIFY(banner);
        QCOMPARE(trayMenu(*f.program).popup()->actions().first(), banner);
        QWidget *picture = banner->defaultWidget();
        QVERIFY(picture);
        QCOMPARE(picture->sizeHint(), QSize(112, 52));
        QMenu *popup = trayMenu(*f.program).popup();
        popup->popup(QPoint(100, 100));
        QTRY_VERIFY(popup->isVisible());
        // The banner line is as wide as the menu's other lines, the picture in its middle.
        const QRect exitItem = popup->actionGeometry(trayMenu(*f.program).mnuPelluxExit);
        QVERIFY(exitItem.width() > 112);
        QCOMPARE(picture->height(), 52);
        QCOMPARE(picture->width(), exitItem.width());
        const QImage image = picture->grab().toImage();
        const int left = (image.width() - 112) / 2;
        // A real picture, drawn by the item itself.
        QSet<QRgb> colours;
        for (int y = 0; y < 52; y += 4) {
            for (int x = left; x < left + 112; x += 4)
                colours.insert(image.pixel(x, y));
        }
        QVERIFY(colours.size() > 8);
        QVERIFY(picture->toolTip() != kNotAvailable);
        // Beside it, the picture's own edge colour rather than a stripe of menu.
        QCOMPARE(image.pixel(0, 26), image.pixel(left, 26));
        QCOMPARE(image.pixel(image.width() - 1, 26), image.pixel(left, 26));
        popup->close();
    }

    // The tip of an item with one (a disabled command's reason) is the item's alone.
    void itemTipGoesWithItsItem()
    {
        TrayProgramFixture f;
        f.start();
        frmPelluxMenu &menu = trayMenu(*f.program);
        QMenu *popup = menu.popup();
        menu.mnuPelluxNoteup->setEnabled(false);
        menu.mnuPelluxNoteup->setToolTip(kNotAvailable);
        popup->popup(QPoint(100, 100));
        QTRY_VERIFY(popup->isVisible());
        const QRect disabled = popup->actionGeometry(menu.mnuPelluxNoteup);
        QTest::mouseMove(popup, disabled.center());
        QHelpEvent tip(QEvent::ToolTip, disabled.center(), popup->mapToGlobal(disabled.center()));
        QCoreApplication::sendEvent(popup, &tip);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), kNotAvailable);
        // On to another item: the tip does not stay over it.
        const QRect next = popup->actionGeometry(menu.mnuPelluxShowAll);
        QTest::mouseMove(popup, next.center());
        QTRY_VERIFY(!QToolTip::isVisible());
        // An item without a tip of its own shows none.
        QHelpEvent none(QEvent::ToolTip, next.center(), popup->mapToGlobal(next.center()));
        QCoreApplication::sendEvent(popup, &none);
        QTest::qWait(100);
        QVERIFY(!QToolTip::isVisible());
        popup->close();
    }

    void noteItemsFollowTheNotes()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two"), QString(), false),
                      checkList(QStringLiteral("Three"))});
        frmPelluxMenu &menu = trayMenu(*f.program);
        QCOMPARE(gotoItems(menu),
                 (QStringList{QStringLiteral("Note List"), QStringLiteral("One"), QStringLiteral("Two"),
                              QStringLiteral("Three")}));
        QCOMPARE(menu.noteItemCount(), 4);
        for (int slot = 1; slot <= 3; ++slot) {
            QVERIFY(menu.mnuNoteList(slot)->isEnabled());
            QCOMPARE(menu.mnuShowHideParent()->actions().at(slot), menu.mnuNoteList(slot));
        }
    }

    void newNoteGetsItsItem()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        ncp(*f.program).chkDynamicTitle->setChecked(false);
        f.prompts.answerInput(QStringLiteral("Added"));
        trayMenu(*f.program).mnuPelluxAdd->trigger();
        settle();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, QStringLiteral("What do you want for the title of this note?"));
        QCOMPARE(gotoItems(trayMenu(*f.program)),
                 (QStringList{QStringLiteral("Note List"), QStringLiteral("One"), QStringLiteral("Added")}));
        QVERIFY(!f.program->modal().active());
    }

    void itemsKeepSlotOrderWhateverTheOrderOfCreation()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two")),
                      textNote(QStringLiteral("Three"))});
        frmPelluxMenu &menu = trayMenu(*f.program);
        // An item made again (as a re-import does) is the same item, in the same place.
        QAction *two = menu.mnuNoteList(2);
        delete two;
        QVERIFY(!menu.mnuNoteList(2));
        menu.CreateNoteList(2);
        menu.CreateNoteList(2);
        QCOMPARE(menu.noteItemCount(), 4);
        QCOMPARE(gotoItems(menu),
                 (QStringList{QStringLiteral("Note List"), QStringLiteral("One"), QStringLiteral("Two"),
                              QStringLiteral("Three")}));
    }

    void ampersandsShowAsThemselves_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");
        QTest::newRow("one") << QStringLiteral("Tom & Jerry") << QStringLiteral("Tom && Jerry");
        QTest::newRow("before a letter") << QStringLiteral("&Groceries") << QStringLiteral("&&Groceries");
        QTest::newRow("two together") << QStringLiteral("A&&B") << QStringLiteral("A&&&&B");
        QTest::newRow("at the end") << QStringLiteral("R&") << QStringLiteral("R&&");
        QTest::newRow("none") << QStringLiteral("Plain") << QStringLiteral("Plain");
    }
    void ampersandsShowAsThemselves()
    {
        QFETCH(QString, title);
        QFETCH(QString, caption);
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Before"))});
        f.program->notes().retitle(1, title);
        trayMenu(*f.program).UpdateNoteList(1);
        QAction *item = trayMenu(*f.program).mnuNoteList(1);
        QCOMPARE(item->text(), caption);
        // Shown as the title itself, with no access key.
        QCOMPARE(item->iconText(), title.trimmed());
        QVERIFY(QKeySequence::mnemonic(item->text()).isEmpty());
    }

    void protectedNotesLeaveTheList()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Secret"))});
        frmPelluxMenu &menu = trayMenu(*f.program);
        NoteWindow *w = f.program->note(2);
        w->SetNotePass(QStringLiteral("pw"));
        menu.UpdateNoteList(2);
        QVERIFY(!menu.mnuNoteList(2)->isVisible());
        QVERIFY(!menu.mnuNoteList(2)->isEnabled());
        QCOMPARE(gotoItems(menu), (QStringList{QStringLiteral("Note List"), QStringLiteral("One")}));

        w->SetNotePass(QString());
        menu.UpdateNoteList(2);
        QVERIFY(menu.mnuNoteList(2)->isVisible());
        QVERIFY(menu.mnuNoteList(2)->isEnabled());
        QCOMPARE(gotoItems(menu),
                 (QStringList{QStringLiteral("Note List"), QStringLiteral("One"), QStringLiteral("Secret")}));
    }

    void deletedNoteLeavesTheListAndTheOthersKeepTheirSlots()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two")),
                      textNote(QStringLiteral("Three"), QString(), false)});
        frmPelluxMenu &menu = trayMenu(*f.program);
        f.program->hub().DelNote(2, true);
        flushDeletes();
        QCOMPARE(gotoItems(menu), (QStringList{QStringLiteral("Note List"), QStringLiteral("One"),
                                               QStringLiteral("Three")}));
        QVERIFY(!menu.mnuNoteList(2)->isEnabled());
        // Triggering a deleted note's item (it cannot be seen) reaches nothing.
        menu.mnuNoteList(2)->trigger();
        QVERIFY(!f.program->note(3)->Visible());
        menu.mnuNoteList(3)->trigger();
        settle();
        QVERIFY(f.program->note(3)->Visible());
    }

    void gotoItemShowsItsNote()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"), QString(), false), textNote(QStringLiteral("Two"), QString(), false)});
        trayMenu(*f.program).mnuNoteList(2)->trigger();
        settle();
        QVERIFY(!f.program->note(1)->Visible());
        QVERIFY(f.program->note(2)->Visible());
    }

    void unloadingTheNotesEmptiesTheList()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), textNote(QStringLiteral("Two"))});
        f.program->UnloadNotes();
        flushDeletes();
        frmPelluxMenu &menu = trayMenu(*f.program);
        QCOMPARE(menu.noteItemCount(), 1);
        QCOMPARE(gotoItems(menu), QStringList{QStringLiteral("Note List")});
        // A reload starts again from the template.
        f.program->LoadNotes();
        QCOMPARE(gotoItems(menu),
                 (QStringList{QStringLiteral("Note List"), QStringLiteral("One"), QStringLiteral("Two")}));
    }

    void showAllLeavesProtectedNotesAndHideAllHidesEveryNote()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Open"), QString(), false), textNote(QStringLiteral("Gone")),
                      textNote(QStringLiteral("Locked"), QString(), false),
                      textNote(QStringLiteral("Shown"))});
        f.program->note(3)->SetNotePass(QStringLiteral("pw"));
        f.program->hub().DelNote(2, true);
        flushDeletes();
        frmPelluxMenu &menu = trayMenu(*f.program);

        menu.mnuPelluxShowAll->trigger();
        settle();
        QVERIFY(f.program->note(1)->Visible());
        QVERIFY(!f.program->note(3)->Visible());
        QVERIFY(f.program->note(4)->Visible());
        QVERIFY(f.prompts.asked().isEmpty());

        f.program->note(3)->show();
        menu.mnuPelluxHideAll->trigger();
        settle();
        for (int slot : {1, 3, 4})
            QVERIFY2(!f.program->note(slot)->Visible(), qPrintable(QString::number(slot)));
    }

    void aNoteTitledDeletedIsShownAndHiddenLikeAnyOther()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("(Deleted)"), QString(), false)});
        frmPelluxMenu &menu = trayMenu(*f.program);
        menu.mnuPelluxShowAll->trigger();
        settle();
        QVERIFY(f.program->note(1)->Visible());
        menu.mnuPelluxHideAll->trigger();
        settle();
        QVERIFY(!f.program->note(1)->Visible());
    }

    void notesToTopActivatesTheFirstVisibleNote()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Hidden"), QString(), false), textNote(QStringLiteral("Front")),
                      textNote(QStringLiteral("Back"))});
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        QApplication::setActiveWindow(&panel);
        settle();
        trayMenu(*f.program).mnuPelluxNoteup->trigger();
        settle();
        QCOMPARE(QApplication::activeWindow(), static_cast<QWidget *>(f.program->note(2)));
        QVERIFY(!f.program->note(1)->Visible());
        QVERIFY(!f.program->modal().active());
    }

    void notesToTopWithNoVisibleNoteDoesNothing()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Hidden"), QString(), false)});
        trayMenu(*f.program).mnuPelluxNoteup->trigger();
        settle();
        QVERIFY(!f.program->note(1)->Visible());
        QVERIFY(!f.program->modal().active());
    }

    void controlPanelBringsThePanelUp()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        QVERIFY(!panel.isVisible());
        trayMenu(*f.program).mnuPelluxControl->trigger();
        settle();
        QVERIFY(panel.isVisible());
        QVERIFY(!panel.isMinimized());
    }
};

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
#include "moc_FakeTrayControl.cpp"
#include "platform/ModalScope.h"
