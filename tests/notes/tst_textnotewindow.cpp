// The text note window: its menus, title, roll-up, topmost layer, editing commands,
// keys and drops, driven through the window as a user would.
#include "core/TextRules.h"
#include "app/Program.h"
#include "notes/NoteProc.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

/// A new note made the way the tray's "Add Note" makes one, with a title typed in.
TextNoteProt *newNote(ProgramFixture &f, const QString &title = QStringLiteral("Plans"))
{
    ncp(*f.program).chkDynamicTitle->setChecked(false);
    f.prompts.answerInput(title);
    QString t;
    if (!NoteProc::NewTextNote(*f.program, t))
        return nullptr;
    QApplication::processEvents();
    return qobject_cast<TextNoteProt *>(f.program->note(f.program->upperBound()));
}

bool activate(QWidget *w)
{
    w->show();
    w->raise();
    QApplication::setActiveWindow(w);
    w->activateWindow();
    return QTest::qWaitFor([w] { return w->isActiveWindow(); }, 2000);
}

QStringList actionNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *a : menu->actions())
        names << (a->menu() ? a->menu()->objectName() : a->objectName());
    return names;
}

QAction *action(TextNoteProt *w, const QString &name)
{
    return w->findChild<QAction *>(name);
}

void setClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QApplication::processEvents();
}

/// Selects characters [from, to) of the text field.
/// The text field's drag and drop handlers, called as the window system calls them.
struct DropAccess : NoteTextEdit
{
    using NoteTextEdit::dragEnterEvent;
    using NoteTextEdit::dragMoveEvent;
    using NoteTextEdit::dropEvent;
};

void dragEnter(TextNoteProt *w, QDragEnterEvent *e)
{
    void (NoteTextEdit::*handler)(QDragEnterEvent *) = &DropAccess::dragEnterEvent;
    (w->TxtData->*handler)(e);
}

void dragMove(TextNoteProt *w, QDragMoveEvent *e)
{
    void (NoteTextEdit::*handler)(QDragMoveEvent *) = &DropAccess::dragMoveEvent;
    (w->TxtData->*handler)(e);
}

void drop(TextNoteProt *w, QDropEvent *e)
{
    void (NoteTextEdit::*handler)(QDropEvent *) = &DropAccess::dropEvent;
    (w->TxtData->*handler)(e);
}

void select(TextNoteProt *w, int from, int to)
{
    QTextCursor c = w->TxtData->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    w->TxtData->setTextCursor(c);
}

} // namespace

class TestTextNoteWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QGuiApplication::clipboard()->clear();
    }

    // ---- the window as built -------------------------------------------------------

    void menuBarHoldsEveryItemInOrder()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QVERIFY(w);

        const QList<QAction *> top = w->findChild<QMenuBar *>()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top.at(0)->menu(), w->mnuClip);
        QCOMPARE(top.at(1)->menu(), w->mnuNoteOpts);
        QCOMPARE(top.at(2)->menu(), w->mnuAction);

        QCOMPARE(actionNames(w->mnuClip),
                 QStringList({"mnuUndo", "mnuJunk6", "mnuCutText", "mnuCopyText", "mnuPasteText", "mnuDel",
                              "mnuJunk5", "mnuSelectAll", "mnuJunk7", "mnuInsertDateTime"}));
        QCOMPARE(actionNames(w->mnuNoteOpts),
                 QStringList({"mnuHide", "mnuOnTop", "mnuRollUp", "mnuDynamicTitle", "mnuJunkb", "mnuAlarmSet",
                              "mnuPassword", "mnuNoteColors0"}));
        QCOMPARE(actionNames(w->mnuNoteColors0),
                 QStringList({"mnuNoteFont", "mnuNoteFore", "mnuNoteBack", "mnuJunk", "mnuDefaultFC"}));
        QCOMPARE(actionNames(w->mnuAction),
                 QStringList({"mnuReTitle", "mnuDelete", "mnuJunk2", "mnuEMail", "mnuPrint", "mnuJunk3",
                              "mnuSaveNoteOut", "mnuReadNoteIn", "mnuJunk4", "mnuControlPanel"}));
        for (const char *sep : {"mnuJunk6", "mnuJunk5", "mnuJunk7", "mnuJunkb", "mnuJunk", "mnuJunk2", "mnuJunk3",
                                "mnuJunk4"})
            QVERIFY2(action(w, QLatin1String(sep))->isSeparator(), sep);
    }

    void menuItemCaptionsAndShortcuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::addColumn<bool>("checkable");

        auto row = [](const char *name, const char *caption, QKeySequence key = {}, bool checkable = false) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption) << key << checkable;
        };
        const auto ctrl = [](Qt::Key k) { return QKeySequence(Qt::CTRL | k); };
        row("mnuUndo", "&Undo");
        row("mnuCutText", "Cu&t");
        row("mnuCopyText", "&Copy");
        row("mnuPasteText", "&Paste");
        row("mnuDel", "&Delete");
        row("mnuSelectAll", "Select &All");
        row("mnuInsertDateTime", "&Insert Current Date && Time", ctrl(Qt::Key_D));
        row("mnuHide", "&Hide", ctrl(Qt::Key_H));
        row("mnuOnTop", "&Always On Top", {}, true);
        row("mnuRollUp", "&Roll Up When Not In Use", ctrl(Qt::Key_R), true);
        row("mnuDynamicTitle", "&Dynamic Title", {}, true);
        row("mnuAlarmSet", "A&larm...", {}, true);
        row("mnuPassword", "&Password Protect...", {}, true);
        row("mnuNoteFont", "&Font...", ctrl(Qt::Key_F));
        row("mnuNoteFore", "Foreground &Color...");
        row("mnuNoteBack", "&Background Color...", ctrl(Qt::Key_B));
        row("mnuDefaultFC", "&Default Font && Color");
        row("mnuReTitle", "Re&Title Note");
        row("mnuDelete", "&Delete Note");
        row("mnuEMail", "&E-Mail Note...", ctrl(Qt::Key_E));
        row("mnuPrint", "P&rint Note...", ctrl(Qt::Key_P));
        row("mnuSaveNoteOut", "&Save Note To File...", ctrl(Qt::Key_S));
        row("mnuReadNoteIn", "&Load Note From File...", ctrl(Qt::Key_L));
        row("mnuControlPanel", "&Control Panel");
    }

    void menuItemCaptionsAndShortcuts()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        QFETCH(bool, checkable);

        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QAction *a = action(w, name);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), shortcut);
        QCOMPARE(a->isCheckable(), checkable);
    }

    void menuTitlesFollowTheShortMenusSetting_data()
    {
        QTest::addColumn<bool>("shortMenus");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("long") << false << QStringList({"&Edit", "&Options", "&Actions"});
        QTest::newRow("short") << true << QStringList({"&E", "&O", "&A"});
    }

    void menuTitlesFollowTheShortMenusSetting()
    {
        QFETCH(bool, shortMenus);
        QFETCH(QStringList, titles);

        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QCOMPARE(w->mnuClip->title(), QStringLiteral("&Edit"));
        f.program->settings.NoteShortMenus = shortMenus;
        w->UpdateMenus();
        QCOMPARE(QStringList({w->mnuClip->title(), w->mnuNoteOpts->title(), w->mnuAction->title()}), titles);
        // A note made afterwards takes the setting at its load.
        TextNoteProt *second = newNote(f, QStringLiteral("Second"));
        QCOMPARE(QStringList({second->mnuClip->title(), second->mnuNoteOpts->title(), second->mnuAction->title()}),
                 titles);
    }

    void unavailableCommandsSayWhy()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        // Every command of this build is there; one a build lacks is greyed out and says why.
        f.program->hub().provide(Feature::SaveNoteToFile, nullptr);
        TextNoteProt *lacking = newNote(f, QStringLiteral("Lacking"));
        for (QAction *a : {lacking->mnuSaveNoteOut}) {
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
            QCOMPARE(a->toolTip(), QStringLiteral("Not available in this build"));
        }
        QVERIFY(!w->mnuUndo->isEnabled());
        // Everything else is live.
        for (QAction *a : {w->mnuHide, w->mnuOnTop, w->mnuRollUp, w->mnuDynamicTitle, w->mnuAlarmSet, w->mnuPassword,
                           w->mnuNoteFont, w->mnuNoteFore, w->mnuNoteBack, w->mnuDefaultFC, w->mnuReTitle, w->mnuDelete,
                           w->mnuReadNoteIn, w->mnuControlPanel, w->mnuSelectAll, w->mnuInsertDateTime, w->mnuEMail,
                           w->mnuPrint, w->mnuSaveNoteOut})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    }

    void windowIsASmallToolWindowFilledByItsText()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);

        const Qt::WindowFlags flags = w->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);      // not in the taskbar
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(w->minimumSize() != w->maximumSize());         // resizable

        // The load size, centred by the design size.
        QCOMPARE(w->Width(), 3000);
        QCOMPARE(w->height(), qRound(2350 / 15.0));
        QCOMPARE(w->Left(), (1280 * 15 - 2535) / 2 / 15 * 15);

        // The whole client area is the text field, at load and after a resize.
        const int bar = w->findChild<QMenuBar *>()->height();
        QCOMPARE(w->TxtData->geometry(), QRect(0, bar, w->width(), w->height() - bar));
        w->resize(300, 260);
        QApplication::processEvents();
        QCOMPARE(w->TxtData->geometry(), QRect(0, bar, 300, 260 - bar));
        QCOMPARE(w->ClientHeight(), w->Height() - bar * 15);
        QCOMPARE(w->TxtData->frameShape(), QFrame::NoFrame);
        QCOMPARE(w->TxtData->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void closingTheWindowHidesTheNote()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QVERIFY(w->isVisible());
        QVERIFY(!w->close());
        QVERIFY(!w->isVisible());
        QCOMPARE(f.program->note(1), w);
    }

    // ---- dynamic title -------------------------------------------------------------

    void dynamicTitleFollowsTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");

        const QString hundred = QString(100, QLatin1Char('x'));
        QTest::newRow("long line cut at 64") << hundred << QString(64, QLatin1Char('x')) + QStringLiteral("...");
        QTest::newRow("exactly 64") << QString(64, QLatin1Char('y')) << QString(64, QLatin1Char('y'));
        QTest::newRow("65") << QString(65, QLatin1Char('y')) << QString(64, QLatin1Char('y')) + QStringLiteral("...");
        QTest::newRow("three letters") << QStringLiteral("abc") << QStringLiteral("abc");
        QTest::newRow("three letters and a break") << QStringLiteral("abc\r\n") << QStringLiteral("abc...");
        QTest::newRow("two lines") << QStringLiteral("first\r\nsecond") << QStringLiteral("first...");
        QTest::newRow("empty") << QString() << QStringLiteral("(Blank)");
        QTest::newRow("starts with a break") << QStringLiteral("\r\nabc") << QStringLiteral("...");
        QTest::newRow("tab shows as a blank") << QStringLiteral("a\tb") << QStringLiteral("a b");
        QTest::newRow("ampersand") << QStringLiteral("Tom & Jerry") << QStringLiteral("Tom & Jerry");
        QTest::newRow("non-ASCII") << QStringLiteral("Grüße – 日本") << QStringLiteral("Grüße – 日本");
    }

    void dynamicTitleFollowsTheText()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);

        ProgramFixture f;
        f.start();
        newNote(f, QStringLiteral("Before"));
        TextNoteProt *w = newNote(f, QStringLiteral("Typed Title"));
        w->mnuDynamicTitle->trigger();
        QVERIFY(w->mnuDynamicTitle->isChecked());
        QVERIFY(!w->mnuReTitle->isEnabled());

        // Typed a character at a time, as the user does.
        w->TxtData->setFocus();
        QTest::keyClicks(w->TxtData, QStringLiteral("zz"));
        QCOMPARE(w->Caption(), QStringLiteral("zz"));
        w->TxtData->clear();
        w->TxtData->insertPlainText(fromCrLf(text));

        QCOMPARE(w->text(), text);
        QCOMPARE(w->Caption(), title);
        QCOMPARE(ncp(*f.program).listEntry(2), title);
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("Before"));
        QString menuText = title;
        menuText.replace(QLatin1Char('&'), QLatin1String("&&"));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(2)->text(), menuText);
    }

    void dynamicTitleToggles()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f, QStringLiteral("Typed Title"));
        w->TxtData->setPlainText(QStringLiteral("shopping\nlist"));
        QCOMPARE(w->Caption(), QStringLiteral("Typed Title"));
        QVERIFY(w->mnuReTitle->isEnabled());

        // On: retitled at once.
        w->mnuDynamicTitle->trigger();
        QCOMPARE(w->Caption(), QStringLiteral("shopping..."));
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("shopping..."));
        QVERIFY(!w->mnuReTitle->isEnabled());

        // Off: the last title stays and retitling is possible again.
        w->mnuDynamicTitle->trigger();
        QVERIFY(!w->mnuDynamicTitle->isChecked());
        QVERIFY(w->mnuReTitle->isEnabled());
        w->TxtData->setPlainText(QStringLiteral("other"));
        QCOMPARE(w->Caption(), QStringLiteral("shopping..."));
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("shopping..."));
    }

    // ---- roll-up ---------------------------------------------------------------------

    void rollsUpWhenAnotherWindowIsActiveAndBackWhenActivated()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QWidget other;
        other.resize(100, 100);
        w->resize(220, 180);
        w->mnuRollUp->trigger();
        QVERIFY(w->mnuRollUp->isChecked());
        QVERIFY(activate(w));
        QCOMPARE(f.program->activeNote.slot, qint16(1));
        QCOMPARE(f.program->activeNote.window.data(), static_cast<QWidget *>(w));

        QVERIFY(activate(&other));
        QVERIFY(w->NoteRolled);
        QCOMPARE(w->NoteHeight, 180 * 15);
        const int bar = w->findChild<QMenuBar *>()->height();
        QCOMPARE(w->height(), bar);                 // down to the menu bar
        QCOMPARE(w->width(), 220);
        QCOMPARE(w->TxtData->toPlainText(), QString()); // the text is untouched (and empty here)

        QVERIFY(activate(w));
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->height(), 180);
        QCOMPARE(w->width(), 220);
    }

    void secondRollKeepsTheFirstHeight()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->resize(220, 180);
        w->mnuRollUp->setChecked(true);
        w->NoteRoll();
        const int rolled = w->Height();
        QCOMPARE(w->NoteHeight, 180 * 15);
        w->NoteRoll();
        QCOMPARE(w->NoteHeight, 180 * 15);
        QCOMPARE(w->Height(), rolled);
        QVERIFY(w->NoteRolled);
        w->NoteUnroll();
        QCOMPARE(w->height(), 180);
        QVERIFY(!w->NoteRolled);
        // A second unroll changes nothing.
        w->NoteUnroll();
        QCOMPARE(w->height(), 180);
    }

    void rollUpOffChangesNothing()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QWidget other;
        w->resize(220, 180);
        QVERIFY(!w->mnuRollUp->isChecked());
        QVERIFY(activate(w));
        QVERIFY(activate(&other));
        QCOMPARE(w->size(), QSize(220, 180));
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->NoteHeight, 0);
        w->NoteRoll();
        w->NoteUnroll();
        QCOMPARE(w->size(), QSize(220, 180));
        QVERIFY(!w->NoteRolled);
    }

    void unrollWithoutASavedHeightLeavesTheWindow()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->resize(220, 180);
        w->mnuRollUp->setChecked(true);
        w->NoteRolled = true;
        w->NoteUnroll();
        QCOMPARE(w->size(), QSize(220, 180));
        QVERIFY(w->NoteRolled);
    }

    void rollUpCheckFollowsTheForegroundWindow()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->resize(220, 180);
        w->mnuRollUp->setChecked(true);
        f.program->activeNote.slot = 1;
        f.program->activeNote.window = w;

        f.system.foreground = nullptr;
        f.program->CheckRollUp();
        QVERIFY(w->NoteRolled);
        QCOMPARE(w->NoteHeight, 180 * 15);

        f.system.foreground = w;
        setClipboard(QStringLiteral("x"));
        w->mnuPasteText->setEnabled(false);
        f.program->CheckRollUp();
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->height(), 180);
        QVERIFY(w->mnuPasteText->isEnabled());     // the clipboard is looked at while in front
    }

    // ---- always on top ---------------------------------------------------------------

    void alwaysOnTopTogglesWithoutMovingOrResizing()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->move(140, 90);
        w->resize(230, 170);
        QApplication::processEvents();
        QVERIFY(!w->isTopmost());

        w->mnuOnTop->trigger();
        QApplication::processEvents();
        QVERIFY(w->mnuOnTop->isChecked());
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w->pos(), QPoint(140, 90));
        QCOMPARE(w->size(), QSize(230, 170));
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);

        w->mnuOnTop->trigger();
        QApplication::processEvents();
        QVERIFY(!w->mnuOnTop->isChecked());
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w->pos(), QPoint(140, 90));
        QCOMPARE(w->size(), QSize(230, 170));
        QVERIFY(w->isVisible());
    }

    void alwaysOnTopOfAnActiveRollingNoteNeitherRollsNorLosesFocus()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->resize(230, 170);
        w->mnuRollUp->setChecked(true);
        QVERIFY(activate(w));

        w->mnuOnTop->trigger();
        QApplication::processEvents();
        QVERIFY(w->isTopmost());
        QVERIFY(QTest::qWaitFor([w] { return w->isActiveWindow(); }, 2000));
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->size(), QSize(230, 170));
    }

    void hiddenNoteStaysHiddenWhenPlacedOnTop()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->HideNote();
        w->mnuOnTop->trigger();
        QApplication::processEvents();
        QVERIFY(w->isTopmost());
        QVERIFY(!w->isVisible());
    }

    // ---- editing ---------------------------------------------------------------------

    void editCommandsFollowSelectionAndClipboard()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->TxtData->setPlainText(QStringLiteral("hello world"));
        QVERIFY(activate(w));

        // Nothing selected, nothing on the clipboard.
        w->CheckClipboard();
        QVERIFY(!w->mnuCutText->isEnabled());
        QVERIFY(!w->mnuCopyText->isEnabled());
        QVERIFY(!w->mnuDel->isEnabled());
        QVERIFY(!w->mnuPasteText->isEnabled());

        select(w, 0, 5);
        QVERIFY(w->mnuCutText->isEnabled());
        QVERIFY(w->mnuCopyText->isEnabled());
        QVERIFY(w->mnuDel->isEnabled());

        // Copy: the selection goes to the real clipboard; paste is then possible.
        w->mnuCopyText->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hello"));
        QVERIFY(w->mnuPasteText->isEnabled());
        QCOMPARE(w->text(), QStringLiteral("hello world"));

        // Cut: copied and removed.
        select(w, 5, 11);
        w->mnuCutText->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" world"));
        QCOMPARE(w->text(), QStringLiteral("hello"));
        QVERIFY(!w->mnuCutText->isEnabled());
        QVERIFY(!w->mnuCopyText->isEnabled());
        QVERIFY(!w->mnuDel->isEnabled());
        QVERIFY(w->mnuUndo->isEnabled());

        // Paste replaces the selection.
        select(w, 0, 1);
        w->mnuPasteText->trigger();
        QCOMPARE(w->text(), QStringLiteral(" worldello"));
        QCOMPARE(w->TxtData->textCursor().position(), 6);

        // Delete removes the selection without touching the clipboard.
        select(w, 0, 6);
        w->mnuDel->trigger();
        QCOMPARE(w->text(), QStringLiteral("ello"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" world"));

        // Undo takes the delete back.
        QVERIFY(w->mnuUndo->isEnabled());
        w->mnuUndo->trigger();
        QCOMPARE(w->text(), QStringLiteral(" worldello"));

        // Select All.
        w->mnuSelectAll->trigger();
        QCOMPARE(w->TxtData->textCursor().selectionStart(), 0);
        QCOMPARE(w->TxtData->textCursor().selectionEnd(), 10);

        // A clipboard emptied elsewhere disables paste at the next look.
        QGuiApplication::clipboard()->clear();
        w->CheckClipboard();
        QVERIFY(!w->mnuPasteText->isEnabled());
    }

    void copyAndPasteKeepLineBreaks()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->setText(QStringLiteral("one\r\ntwo\r\nthree"));
        select(w, 0, 7);
        w->mnuCopyText->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("one\ntwo"));

        // Text copied elsewhere with CR LF breaks arrives as the same lines.
        setClipboard(QStringLiteral("a\r\nb"));
        w->TxtData->moveCursor(QTextCursor::End);
        w->mnuPasteText->setEnabled(true);
        w->mnuPasteText->trigger();
        QCOMPARE(w->text(), QStringLiteral("one\r\ntwo\r\nthreea\r\nb"));
    }

    void insertDateAndTime_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("inserted");
        QTest::newRow("afternoon") << QDateTime(QDate(2026, 3, 7), QTime(15, 4, 9, 120))
                                   << QStringLiteral("3/7/2026 3:04:09 PM");
        QTest::newRow("morning") << QDateTime(QDate(2026, 12, 10), QTime(0, 0, 1))
                                 << QStringLiteral("12/10/2026 12:00:01 AM");
        QTest::newRow("midnight") << QDateTime(QDate(2026, 12, 10), QTime(0, 0)) << QStringLiteral("12/10/2026");
    }

    void insertDateAndTime()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, inserted);

        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->setText(QStringLiteral("at [x]"));
        w->TxtData->document()->clearUndoRedoStacks();
        w->TxtData_Change();
        QVERIFY(!w->mnuUndo->isEnabled());
        f.clock.set(now);
        select(w, 4, 5);
        w->mnuInsertDateTime->trigger();
        QCOMPARE(w->text(), QStringLiteral("at [") + inserted + QStringLiteral("]"));
        QVERIFY(w->mnuUndo->isEnabled());
    }

    void shortcutsReachTheirCommands()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QVERIFY(activate(w));
        w->TxtData->setFocus();

        QTest::keyClick(w->TxtData, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(w->text(), QStringLiteral("12/10/2026 10:30:15 AM"));

        QTest::keyClick(w->TxtData, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(w->mnuRollUp->isChecked());

        QTest::keyClick(w->TxtData, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(!w->isVisible());
    }

    void keysOnTheTextField_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("selectsAll");
        QTest::addColumn<bool>("showsGuid");

        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(Qt::ControlModifier) << true << false;
        QTest::newRow("Ctrl+Shift+A") << int(Qt::Key_A) << int(Qt::ControlModifier | Qt::ShiftModifier) << false
                                      << false;
        QTest::newRow("Ctrl+Alt+A") << int(Qt::Key_A) << int(Qt::ControlModifier | Qt::AltModifier) << false << false;
        QTest::newRow("Ctrl+Alt+G") << int(Qt::Key_G) << int(Qt::ControlModifier | Qt::AltModifier) << false << true;
        QTest::newRow("Ctrl+G") << int(Qt::Key_G) << int(Qt::ControlModifier) << false << false;
        QTest::newRow("Ctrl+Alt+Shift+G") << int(Qt::Key_G) << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)
                                          << false << false;
    }

    void keysOnTheTextField()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, selectsAll);
        QFETCH(bool, showsGuid);

        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->setText(QStringLiteral("some text"));
        w->TxtData->moveCursor(QTextCursor::End);
        setClipboard(QStringLiteral("clip"));
        w->mnuPasteText->setEnabled(false);
        f.prompts.clear();
        if (showsGuid)
            f.prompts.answerMessage(MsgResult::Ok);

        // With Ctrl held, the desktop sends the control character as the key's text.
        const QString text(QChar(char16_t(key - Qt::Key_A + 1)));
        QTest::sendKeyEvent(QTest::Click, w->TxtData, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));

        const QTextCursor c = w->TxtData->textCursor();
        QCOMPARE(c.selectionStart() == 0 && c.selectionEnd() == 9, selectsAll);
        QCOMPARE(w->text(), QStringLiteral("some text"));
        if (showsGuid) {
            QCOMPARE(f.prompts.asked().size(), 1);
            QCOMPARE(f.prompts.last().kind, AskedPrompt::Message);
            QCOMPARE(f.prompts.last().title, QStringLiteral("Note GUID"));
            QCOMPARE(f.prompts.last().text, w->NoteGUID());
            QCOMPARE(f.prompts.last().buttons, MsgButtons::Ok);
            QCOMPARE(f.prompts.last().icon, MsgIcon::None);
        } else {
            QVERIFY(f.prompts.asked().isEmpty());
        }
        QVERIFY(f.prompts.unexpected().isEmpty());
        // Every key release looks at the clipboard.
        QVERIFY(w->mnuPasteText->isEnabled());
        QCOMPARE(w->mnuCopyText->isEnabled(), selectsAll);
    }

    void mouseReleaseLooksAtTheClipboard()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        setClipboard(QStringLiteral("clip"));
        w->mnuPasteText->setEnabled(false);
        QTest::mouseClick(w->TxtData->viewport(), Qt::LeftButton);
        QVERIFY(w->mnuPasteText->isEnabled());
    }

    // ---- drops -----------------------------------------------------------------------

    void dragOverAcceptsTextAndOneFile_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("text") << QStringList() << QStringLiteral("dropped") << true;
        QTest::newRow("one file") << QStringList({"/tmp/a.txt"}) << QString() << true;
        QTest::newRow("two files") << QStringList({"/tmp/a.txt", "/tmp/b.txt"}) << QString() << false;
        QTest::newRow("two files with text") << QStringList({"/tmp/a.txt", "/tmp/b.txt"}) << QStringLiteral("x")
                                             << false;
        QTest::newRow("neither") << QStringList() << QString() << false;
    }

    void dragOverAcceptsTextAndOneFile()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, text);
        QFETCH(bool, accepted);

        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->setText(QStringLiteral("abc"));
        w->TxtData->moveCursor(QTextCursor::End);
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &file : files)
            urls << QUrl::fromLocalFile(file);
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!text.isEmpty())
            data.setText(text);
        if (files.isEmpty() && text.isEmpty())
            data.setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));

        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        dragEnter(w, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QDragMoveEvent move(QPoint(8, 8), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        dragMove(w, &move);
        QCOMPARE(move.isAccepted(), accepted);
        QCOMPARE(move.dropAction(), accepted ? move.proposedAction() : Qt::IgnoreAction);
        // Dragging over leaves the caret where it was.
        QCOMPARE(w->TxtData->textCursor().position(), 3);
    }

    void droppedTextGoesToTheCaretNotTheDropPoint()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->setText(QStringLiteral("first line\r\nsecond line\r\nthird line"));
        w->resize(300, 300);
        QApplication::processEvents();
        // The caret after "first" with "line" selected: the selection is let go, its text stays.
        select(w, 6, 10);
        f.prompts.clear();

        QMimeData data;
        data.setText(QStringLiteral("[dropped]"));
        // Dropped far down, on the third line.
        QTextCursor atThird(w->TxtData->document());
        atThird.movePosition(QTextCursor::End);
        const QPoint third = w->TxtData->cursorRect(atThird).center();
        // Delivered as the desktop delivers it: enter, move, drop on the field's viewport.
        QDragEnterEvent enter(third, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->TxtData->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(third, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->TxtData->viewport(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent dropped(third, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->TxtData->viewport(), &dropped);
        QVERIFY(dropped.isAccepted());
        QCOMPARE(dropped.dropAction(), Qt::CopyAction);
        QCOMPARE(w->text(), QStringLiteral("first [dropped]line\r\nsecond line\r\nthird line"));
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void droppedFileIsReadIn()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        QVERIFY(TestEnvironment::writeFile(path, "from a file\nsecond"));
        w->setText(QStringLiteral("old"));
        f.prompts.clear();
        f.prompts.answerMessage(MsgResult::Yes);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        data.setText(QStringLiteral("ignored when a file comes"));
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop(w, &dropped);

        QCOMPARE(w->text(), QStringLiteral("from a file\r\nsecond"));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("This action will delete all text in the note \"Plans\"\r\rContinue This Action?"));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void twoDroppedFilesAreRefused()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        const QString b = dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(TestEnvironment::writeFile(a, "A"));
        QVERIFY(TestEnvironment::writeFile(b, "B"));
        w->setText(QStringLiteral("kept"));
        f.prompts.clear();

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop(w, &dropped);
        QVERIFY(!dropped.isAccepted());
        QCOMPARE(w->text(), QStringLiteral("kept"));
        QVERIFY(f.prompts.asked().isEmpty());
    }

    // ---- other commands --------------------------------------------------------------

    void defaultFontAndColorTakesTheSample()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        NoteStyle odd;
        odd.fontName = QStringLiteral("Serif");
        odd.fontSize = 14.5f;
        odd.italic = true;
        odd.foreColor = 0x112233;
        odd.backColor = 0x445566;
        w->setNoteStyle(odd);
        QCOMPARE(w->TxtData->font().italic(), true);
        QCOMPARE(w->TxtData->palette().color(QPalette::Base), QColor(0x66, 0x55, 0x44));

        w->mnuDefaultFC->trigger();
        QCOMPARE(w->noteStyle(), ncp(*f.program).sampleStyle());
        QCOMPARE(w->TxtData->font().italic(), ncp(*f.program).sampleStyle().italic);
    }

    void hideDeleteAndControlPanelCommands()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        w->mnuHide->trigger();
        QVERIFY(!w->isVisible());

        w->mnuControlPanel->trigger();
        QVERIFY(ncp(*f.program).isVisible());

        f.prompts.clear();
        f.prompts.answerMessage(MsgResult::No);
        w->mnuDelete->trigger();
        QCOMPARE(f.program->note(1), w);
        QCOMPARE(f.prompts.last().text, QStringLiteral("Delete Note \"Plans\"?"));

        f.prompts.answerMessage(MsgResult::Yes);
        w->mnuDelete->trigger();
        QCOMPARE(f.program->note(1), nullptr);
        QCOMPARE(f.program->upperBound(), 1);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void retitleCommandAsks()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = newNote(f);
        f.prompts.clear();
        f.prompts.answerInput(QStringLiteral("Renamed"));
        w->mnuReTitle->trigger();
        QCOMPARE(w->Caption(), QStringLiteral("Renamed"));
        QCOMPARE(f.prompts.last().text, QStringLiteral("What do you want for the new title?"));
    }
};

QTEST_MAIN(TestTextNoteWindow)
#include "tst_textnotewindow.moc"
