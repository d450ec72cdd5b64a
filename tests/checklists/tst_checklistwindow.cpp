// The check-list window: its menus, the row layout, the scroll bar, fitting and
// resizing, bringing rows into view, roll-up, and editing rows through keys,
// menus and the spin control.
#include "checklists/CheckListProc.h"
#include "checklists/CheckListProt.h"
#include "checklists/CheckListRows.h"
#include "app/Program.h"
#include "panel/NCP.h"
#include "checklists/CheckListTestSupport.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

constexpr int Tpp = 15;     // the fixture's screen: 96 DPI

bool activate(QWidget *w)
{
    w->show();
    w->raise();
    QApplication::setActiveWindow(w);
    w->activateWindow();
    return QTest::qWaitFor([w] { return w->isActiveWindow(); }, 2000);
}

/// Rows as a loader adds them: one batch, laid out once.
void fill(CheckListProt *w, const QStringList &texts, const QList<bool> &checked = {})
{
    w->beginRowBatch();
    for (qsizetype i = 0; i < texts.size(); ++i)
        w->AddLine(texts.at(i), i < checked.size() && checked.at(i) ? 1 : 0);
    w->endRowBatch();
}

QStringList numbered(int n, const QString &stem = QStringLiteral("Row "))
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << stem + QString::number(i);
    return out;
}

int topTw(const QWidget *c)
{
    return c->y() * Tpp;
}

int bottomTw(const QWidget *c)
{
    return (c->y() + c->height()) * Tpp;
}

/// Sizes the window so that its client area is \a clientTwips high.
void setClientHeight(CheckListProt *w, int clientTwips)
{
    w->setHeight(w->frameHeightTwips() + clientTwips);
    QApplication::processEvents();
}

QStringList actionNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *a : menu->actions())
        names << (a->menu() ? a->menu()->objectName() : a->objectName());
    return names;
}

void setClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QApplication::processEvents();
}

} // namespace

class TestCheckListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QGuiApplication::clipboard()->clear();
    }

    // ---- menus -------------------------------------------------------------------------

    void menuBarHoldsEveryItemInOrder()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);

        const QList<QAction *> top = w->findChild<QMenuBar *>()->actions();
        QCOMPARE(top.size(), 4);
        QCOMPARE(top.at(0), w->mnuAdd);
        QVERIFY(!w->mnuAdd->menu());
        QCOMPARE(top.at(1)->menu(), w->mnuLine);
        QCOMPARE(top.at(2)->menu(), w->mnuNoteOpts);
        QCOMPARE(top.at(3)->menu(), w->mnuAction);
        QCOMPARE(w->mnuAdd->text(), QStringLiteral("+"));
        QCOMPARE(w->mnuLine->title(), QStringLiteral("&List"));
        QCOMPARE(w->mnuNoteOpts->title(), QStringLiteral("&Options"));
        QCOMPARE(w->mnuAction->title(), QStringLiteral("&Actions"));

        QCOMPARE(actionNames(w->mnuLine),
                 QStringList({"mnuLineAdd", "mnuLineDel", "mnuJunk5", "mnuLineUp", "mnuLineDown", "mnuJunk6",
                              "mnuCut", "mnuCopy", "mnuPaste", "mnuEditDelete"}));
        QCOMPARE(actionNames(w->mnuNoteOpts),
                 QStringList({"mnuHide", "mnuOnTop", "mnuRollUp", "mnuJunkb", "mnuAlarmSet", "mnuPassword",
                              "mnuNoteColors0"}));
        QCOMPARE(actionNames(w->mnuNoteColors0),
                 QStringList({"mnuNoteFont", "mnuNoteFore", "mnuNoteBack", "mnuJunk", "mnuDefaultFC"}));
        QCOMPARE(actionNames(w->mnuAction),
                 QStringList({"mnuReTitle", "mnuDelete", "mnuJunk2", "mnuEMail", "mnuPrint", "mnuJunk3",
                              "mnuSaveNoteOut", "mnuReadNoteIn", "mnuJunk4", "mnuControlPanel"}));
        for (const char *sep : {"mnuJunk5", "mnuJunk6", "mnuJunkb", "mnuJunk", "mnuJunk2", "mnuJunk3", "mnuJunk4"})
            QVERIFY2(w->findChild<QAction *>(QLatin1String(sep))->isSeparator(), sep);
    }

    void menuItemCaptionsAndShortcuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("available");

        QTest::newRow("Add") << "mnuLineAdd" << "Add" << "Ctrl+A" << true;
        QTest::newRow("Delete") << "mnuLineDel" << "Delete" << "Ctrl+D" << true;
        QTest::newRow("Move Up") << "mnuLineUp" << "Move &Up" << "" << true;
        QTest::newRow("Move Down") << "mnuLineDown" << "Move &Down" << "" << true;
        QTest::newRow("Cut") << "mnuCut" << "Cu&t" << "" << true;
        QTest::newRow("Copy") << "mnuCopy" << "&Copy" << "" << true;
        QTest::newRow("Paste") << "mnuPaste" << "&Paste" << "" << true;
        QTest::newRow("Delete text") << "mnuEditDelete" << "&Delete" << "" << true;
        QTest::newRow("Hide") << "mnuHide" << "&Hide" << "Ctrl+H" << true;
        QTest::newRow("On top") << "mnuOnTop" << "&Always On Top" << "" << true;
        QTest::newRow("Roll up") << "mnuRollUp" << "&Roll Up When Not In Use" << "Ctrl+R" << true;
        QTest::newRow("Alarm") << "mnuAlarmSet" << "A&larm..." << "" << true;
        QTest::newRow("Font") << "mnuNoteFont" << "&Font..." << "Ctrl+F" << true;
        QTest::newRow("Fore") << "mnuNoteFore" << "Foreground &Color..." << "" << true;
        QTest::newRow("Back") << "mnuNoteBack" << "&Background Color..." << "Ctrl+B" << true;
        QTest::newRow("Default") << "mnuDefaultFC" << "&Default Font && Color" << "" << true;
        QTest::newRow("Retitle") << "mnuReTitle" << "Re&Title Note" << "" << true;
        QTest::newRow("Delete note") << "mnuDelete" << "&Delete Note" << "" << true;
        QTest::newRow("E-mail") << "mnuEMail" << "&E-Mail Note..." << "Ctrl+E" << true;
        QTest::newRow("Print") << "mnuPrint" << "P&rint Note..." << "Ctrl+P" << true;
        QTest::newRow("Save out") << "mnuSaveNoteOut" << "&Save Note To File..." << "Ctrl+S" << true;
        QTest::newRow("Read in") << "mnuReadNoteIn" << "&Load Note From File..." << "Ctrl+L" << true;
        QTest::newRow("Control panel") << "mnuControlPanel" << "&Control Panel" << "" << true;
    }

    void menuItemCaptionsAndShortcuts()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(bool, available);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        const QAction *a = w->findChild<QAction *>(name);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), QKeySequence(shortcut));
        if (!available) {
            QVERIFY(!a->isEnabled());
            QCOMPARE(a->toolTip(), QStringLiteral("Not available in this build"));
        }
    }

    void passwordItemIsOffered()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        QCOMPARE(w->mnuPassword->text(), QStringLiteral("&Password Protect..."));
        QVERIFY(w->mnuPassword->isVisible());
        QVERIFY(w->mnuPassword->isEnabled());
    }

    void shortMenusFollowTheSetting()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        f.program->settings.NoteShortMenus = true;
        w->UpdateMenus();
        QCOMPARE(w->mnuAdd->text(), QStringLiteral("+"));
        QCOMPARE(w->mnuLine->title(), QStringLiteral("&L"));
        QCOMPARE(w->mnuNoteOpts->title(), QStringLiteral("&O"));
        QCOMPARE(w->mnuAction->title(), QStringLiteral("&A"));
        f.program->settings.NoteShortMenus = false;
        w->UpdateMenus();
        QCOMPARE(w->mnuLine->title(), QStringLiteral("&List"));
    }

    void menuCommandsReachThePanel()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        // Deleting the note goes through the panel, which asks first.
        f.prompts.answerMessage(MsgResult::No);
        w->mnuDelete->trigger();
        QCOMPARE(f.prompts.last().text, QStringLiteral("Delete Note \"Errands\"?"));
        QCOMPARE(f.program->note(1), w);
        f.prompts.answerMessage(MsgResult::Yes);
        w->mnuDelete->trigger();
        QVERIFY(!f.program->note(1));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    // ---- layout ------------------------------------------------------------------------

    void newListFitsItsHeightToItsRow()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        QCOMPARE(w->ItemCount, 1);
        QVERIFY(!w->ResetSizePending);
        const int frame = w->Height() - w->ClientHeight();
        QCOMPARE(frame, w->frameHeightTwips());
        QCOMPARE(w->Height(), frame + 120 + w->textHeight() + 120);
        QCOMPARE(topTw(w->txtItem(1)), 120);
        QCOMPARE(w->txtItem(1)->height() * Tpp, w->textHeight());
        QVERIFY(w->VScroll->isHidden());
        // The text field is as tall as its font allows, and no taller.
        QCOMPARE(w->txtItem(1)->height(), w->txtItem(1)->minimumSizeHint().height());
    }

    void rowsStackOnePitchApartInTheNoteColours()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        NoteStyle s = w->noteStyle();
        s.foreColor = 0x00102030;
        s.backColor = 0x00A0B0C0;
        w->setNoteStyle(s);
        fill(w, numbered(4), {false, true, false, true});
        QCOMPARE(w->ItemCount, 4);
        QCOMPARE(w->pitch(), w->textHeight() + 4 * Tpp);
        const QColor fore = toQColor(s.foreColor);
        const QColor back = toQColor(s.backColor);
        for (int i = 1; i <= 4; ++i) {
            const QString row = QStringLiteral("row %1").arg(i);
            QCOMPARE(topTw(w->txtItem(i)), 120 + (i - 1) * w->pitch());
            QCOMPARE(w->chkItem(i)->y(), w->txtItem(i)->y());
            QCOMPARE(w->chkItem(i)->height(), w->txtItem(i)->height());
            // The rule lies under the text, as wide as the text.
            QCOMPARE(w->Line1(i)->y(), w->txtItem(i)->y() + w->txtItem(i)->height());
            QCOMPARE(w->Line1(i)->x(), w->txtItem(i)->x());
            QCOMPARE(w->Line1(i)->width(), w->txtItem(i)->width());
            QCOMPARE(w->txtItem(i)->font().family(), w->txtItem(1)->font().family());
            QCOMPARE(w->txtItem(i)->font().pointSizeF(), w->txtItem(1)->font().pointSizeF());
            QCOMPARE(w->txtItem(i)->palette().color(QPalette::Text), fore);
            QCOMPARE(w->txtItem(i)->palette().color(QPalette::Base), back);
            QCOMPARE(w->chkItem(i)->palette().color(w->chkItem(i)->backgroundRole()), back);
            QCOMPARE(w->Line1(i)->palette().color(QPalette::WindowText), fore);
            QVERIFY2(w->txtItem(i)->font().strikeOut() == w->isChecked(i), qPrintable(row));
        }
        QCOMPARE(w->findChild<QWidget *>(QStringLiteral("CheckListClient"))->palette().color(QPalette::Window), back);
    }

    void checkingStrikesTheRowThrough()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"one", "two"});
        QVERIFY(!w->txtItem(2)->font().strikeOut());
        QTest::mouseClick(w->chkItem(2), Qt::LeftButton);
        QVERIFY(w->isChecked(2));
        QVERIFY(w->txtItem(2)->font().strikeOut());
        QTest::mouseClick(w->chkItem(2), Qt::LeftButton);
        QVERIFY(!w->txtItem(2)->font().strikeOut());

        // Row 1 holds the note's font: its strike-through is the note's.
        QVERIFY(!w->noteStyle().strikethru);
        w->setChecked(1, true);
        QVERIFY(w->txtItem(1)->font().strikeOut());
        QVERIFY(w->noteStyle().strikethru);
        w->setChecked(1, false);
        QVERIFY(!w->noteStyle().strikethru);
    }

    void addLineFillsRowOneFirst_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("emptyRowOne");
        QTest::addColumn<QStringList>("after");

        QTest::newRow("fresh window") << QStringList() << false << QStringList({"new"});
        QTest::newRow("one row with text") << QStringList({"a"}) << false << QStringList({"a", "new"});
        QTest::newRow("several rows") << QStringList({"a", "b"}) << false << QStringList({"a", "b", "new"});
        QTest::newRow("row one emptied, more rows") << QStringList({"a", "b", "c"}) << true
                                                   << QStringList({"new", "b", "c"});
    }

    void addLineFillsRowOneFirst()
    {
        QFETCH(QStringList, before);
        QFETCH(bool, emptyRowOne);
        QFETCH(QStringList, after);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, before);
        if (emptyRowOne)
            w->setRowText(1, QString());
        w->AddLine(QStringLiteral("new"), -1);
        QCOMPARE(texts(w), after);
        const int at = int(after.indexOf(QStringLiteral("new"))) + 1;
        // -1 is a true boolean: the row comes checked, and struck through.
        QVERIFY(w->isChecked(at));
        QVERIFY(w->txtItem(at)->font().strikeOut());
    }

    // ---- the scroll bar -------------------------------------------------------------

    void scrollBarFollowsTheRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("clientLessRows");   // client height - (pitch x rows + 160)
        QTest::addColumn<bool>("shown");

        QTest::newRow("room to spare") << 6 << 305 << false;
        QTest::newRow("just fits") << 6 << 5 << false;
        QTest::newRow("short by less than a pitch") << 6 << -10 << true;
        QTest::newRow("short by three rows") << 12 << -700 << true;
    }

    void scrollBarFollowsTheRows()
    {
        QFETCH(int, rows);
        QFETCH(int, clientLessRows);
        QFETCH(bool, shown);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(rows));
        const int p = w->pitch();
        setClientHeight(w, p * rows + 160 + clientLessRows);
        QCOMPARE(w->clientHeightTwips(), p * rows + 160 + clientLessRows);
        QCOMPARE(w->ClientHeight(), w->clientHeightTwips());

        QCOMPARE(!w->VScroll->isHidden(), shown);
        QCOMPARE(w->VScroll->minimum(), 0);
        const int range = shown ? -clientLessRows : 0;
        QCOMPARE(w->VScroll->maximum(), range);
        if (!shown)
            QCOMPARE(w->VScroll->value(), 0);
        const int step = (range > 0 && range < p) ? range : p;
        QCOMPARE(w->VScroll->singleStep(), step);
        QCOMPARE(w->VScroll->pageStep(), step);
        // On the right edge, the client area's full height.
        QCOMPARE(w->VScroll->x() + w->VScroll->width(), w->width());
        QCOMPARE(w->VScroll->height() * Tpp, w->clientHeightTwips());
        // The rows make room for the scroll bar.
        const int expectedWidth = qRound((w->ClientWidth() - 600 - 97.5 - (shown ? 255 : 0)) / Tpp);
        QCOMPARE(w->txtItem(1)->width(), expectedWidth);
    }

    void scrollingMovesEveryRowWithRowOne()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(20));
        setClientHeight(w, 1500);
        QVERIFY(!w->VScroll->isHidden());
        w->VScroll->setValue(w->pitch() * 3);
        QCOMPARE(topTw(w->txtItem(1)), 120 - 3 * w->pitch());
        QCOMPARE(topTw(w->txtItem(4)), 120);
        QCOMPARE(topTw(w->txtItem(20)), 120 + 16 * w->pitch());
        // Enlarging the window until everything fits takes the scroll bar away and the rows back.
        setClientHeight(w, w->pitch() * 20 + 300);
        QVERIFY(w->VScroll->isHidden());
        QCOMPARE(w->VScroll->value(), 0);
        QCOMPARE(topTw(w->txtItem(1)), 120);
    }

    void longListScrollsToItsLastRow()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(2000));
        QCOMPARE(w->ItemCount, 2000);
        QVERIFY(activate(w));
        setClientHeight(w, 3000);
        const int p = w->pitch();
        // Far beyond the 16-bit range of the original.
        QVERIFY(p * 2000 > 32767);
        QCOMPARE(w->VScroll->maximum(), p * 2000 + 160 - 3000);
        QVERIFY(!w->VScroll->isHidden());

        // Rows added to a shown window take the focus in turn: the last one has it.
        QCOMPARE(QApplication::focusWidget(), w->txtItem(2000));
        w->focusRow(1);
        QCOMPARE(topTw(w->txtItem(1)), 120);
        w->focusRow(2000);
        QCOMPARE(w->CurrentItem, 2000);
        QCOMPARE(QApplication::focusWidget(), w->txtItem(2000));
        QCOMPARE(bottomTw(w->txtItem(2000)), w->clientHeightTwips() - 6 * Tpp);
        QVERIFY(w->VScroll->value() <= w->VScroll->maximum());
        // Dragging the bar to its end shows the last row as well.
        w->VScroll->setValue(w->VScroll->maximum());
        QVERIFY(bottomTw(w->txtItem(2000)) <= w->clientHeightTwips());
        QCOMPARE(w->rowTop(1), 120 - w->VScroll->maximum());
        QCOMPARE(w->txtItem(1)->y(), qRound((120.0 - w->VScroll->maximum()) / Tpp));
        // And back to the first.
        w->focusRow(1);
        QCOMPARE(topTw(w->txtItem(1)), 120);
    }

    void rowsComeIntoViewOnFocusAndKeys()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(30));
        QVERIFY(activate(w));
        setClientHeight(w, 1800);

        // Scrolled to the end, row 2 is above the top: focusing it brings its top to 120 twips.
        w->VScroll->setValue(w->VScroll->maximum());
        QVERIFY(topTw(w->txtItem(2)) < 0);
        w->focusRow(2);
        QCOMPARE(topTw(w->txtItem(2)), 120);
        QCOMPARE(w->CurrentItem, 2);
        QCOMPARE(w->FocusKind, QStringLiteral("T"));
        QCOMPARE(w->UpDown1->y(), w->txtItem(2)->y());
        QCOMPARE(w->UpDown1->height(), w->txtItem(2)->height());

        // Scrolled to the start, row 25 is below the bottom: a key in it brings its
        // bottom to 6 pixels above the bottom edge.
        w->VScroll->setValue(0);
        QVERIFY(bottomTw(w->txtItem(25)) > w->clientHeightTwips());
        QTest::keyClick(w->txtItem(25), Qt::Key_Right);
        QCOMPARE(bottomTw(w->txtItem(25)), w->clientHeightTwips() - 6 * Tpp);

        // A key in a row above the top brings it back to 120 twips as well.
        w->VScroll->setValue(w->VScroll->maximum());
        QTest::keyClick(w->txtItem(3), Qt::Key_Left);
        QCOMPARE(topTw(w->txtItem(3)), 120);

        // A check box getting the focus on a row out of sight brings it in too.
        w->VScroll->setValue(0);
        w->chkItem(28)->setFocus(Qt::TabFocusReason);
        QCOMPARE(bottomTw(w->txtItem(28)), w->clientHeightTwips() - 6 * Tpp);
        QCOMPARE(w->CurrentItem, 28);
        QCOMPARE(w->FocusKind, QStringLiteral("C"));
    }

    void tabOrderIsBoxThenTextRowByRow()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"a", "b"});
        w->mnuAdd->trigger();
        QCOMPARE(w->ItemCount, 3);
        QVERIFY(activate(w));
        w->chkItem(1)->setFocus(Qt::TabFocusReason);
        const QList<QWidget *> expected{w->txtItem(1), w->chkItem(2), w->txtItem(2), w->chkItem(3), w->txtItem(3)};
        for (QWidget *next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    // ---- fitting, growing, resizing ------------------------------------------------------

    void addingBelowTheBottomGrowsTheWindow()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        QVERIFY(w->VScroll->isHidden());
        // The fitted window has no room for a second row: it grows by one pitch.
        const int h = w->Height();
        w->mnuAdd->trigger();
        QCOMPARE(w->ItemCount, 2);
        QCOMPARE(w->Height(), h + w->pitch());
        QVERIFY(w->VScroll->isHidden());
        QVERIFY(bottomTw(w->txtItem(2)) <= w->clientHeightTwips());
    }

    void growingStopsAtTheScreenEdge()
    {
        ProgramFixture f;
        f.screen.heightPx = 200;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        for (int i = 0; i < 20; ++i)
            w->mnuAdd->trigger();
        QCOMPARE(w->ItemCount, 21);
        QCOMPARE(w->Height(), 200 * Tpp);
        QVERIFY(!w->VScroll->isHidden());
        // The same from a loader's batch.
        CheckListProt *v = newList(f, QStringLiteral("Batch"));
        QVERIFY(v);
        fill(v, numbered(21));
        QCOMPARE(v->Height(), 200 * Tpp);
        QVERIFY(!v->VScroll->isHidden());
    }

    void resetNoteSizeFitsAllRows()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(5));
        setClientHeight(w, 3000);
        w->ResetNoteSize();
        w->setHeight(2000);
        QApplication::processEvents();
        QVERIFY(!w->ResetSizePending);
        QCOMPARE(w->Height(), w->frameHeightTwips() + 120 + 4 * w->pitch() + w->textHeight() + 120);
    }

    void narrowWindowSnapsToTheMinimumWidth()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        QCOMPARE(w->minimumWidthTwips(), 600 + 40 * Tpp);
        w->setWidth(300);
        QApplication::processEvents();
        QCOMPARE(w->Width(), 600 + 40 * Tpp);
        QVERIFY(w->txtItem(1)->width() >= 0);

        // Rolled up, the width still snaps, and the height stays rolled up.
        w->setWidth(3000);
        w->mnuRollUp->setChecked(true);
        w->NoteRoll();
        QVERIFY(w->NoteRolled);
        const int rolled = w->Height();
        w->setWidth(300);
        QApplication::processEvents();
        QCOMPARE(w->Width(), 600 + 40 * Tpp);
        QCOMPARE(w->Height(), rolled);
    }

    void rollUpAndUnroll()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(3));
        setClientHeight(w, 1500);
        const int full = w->Height();

        // Not ticked: nothing happens.
        w->NoteRoll();
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->Height(), full);

        w->mnuRollUp->setChecked(true);
        w->NoteRoll();
        QVERIFY(w->NoteRolled);
        QCOMPARE(w->NoteHeight, full);
        QVERIFY(w->Height() < full);
        QCOMPARE(w->ClientHeight(), 0);
        // A second roll keeps the height saved first.
        w->NoteRoll();
        QCOMPARE(w->NoteHeight, full);

        w->NoteUnroll();
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->Height(), full);
        QCOMPARE(topTw(w->txtItem(1)), 120);

        // No roll-up while a delete question is open.
        w->RollBlocked = true;
        w->NoteRoll();
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->Height(), full);
        w->RollBlocked = false;
    }

    void unrollWithAPendingResetFitsTheRows()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, numbered(2));
        setClientHeight(w, 2000);
        w->ResetNoteSize();
        w->NoteUnroll();
        QVERIFY(!w->ResetSizePending);
        QCOMPARE(w->Height(), w->frameHeightTwips() + 120 + w->pitch() + w->textHeight() + 120);
    }

    // ---- keys ------------------------------------------------------------------------------

    void enterMovesDownOrAddsAtTheEnd()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"a", "b", "c"});
        QVERIFY(activate(w));
        w->focusRow(1);

        QTest::keyClick(w->txtItem(1), Qt::Key_Return);
        QCOMPARE(w->ItemCount, 3);
        QCOMPARE(w->CurrentItem, 2);
        QCOMPARE(QApplication::focusWidget(), w->txtItem(2));

        QTest::keyClick(w->txtItem(2), Qt::Key_Enter);
        QCOMPARE(w->CurrentItem, 3);
        QTest::keyClick(w->txtItem(3), Qt::Key_Return);
        QCOMPARE(w->ItemCount, 4);
        QCOMPARE(w->rowText(4), QString());
        QVERIFY(!w->isChecked(4));
        QCOMPARE(w->CurrentItem, 4);
        QCOMPARE(QApplication::focusWidget(), w->txtItem(4));
        QCOMPARE(texts(w), QStringList({"a", "b", "c", ""}));
    }

    void upAndDownMoveBetweenRows()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"alpha", "beta", "gamma"});
        QVERIFY(activate(w));
        w->focusRow(2);
        w->txtItem(2)->setCursorPosition(3);
        w->txtItem(1)->setCursorPosition(4);

        QTest::keyClick(w->txtItem(2), Qt::Key_Up);
        QCOMPARE(w->CurrentItem, 1);
        QCOMPARE(w->txtItem(1)->cursorPosition(), 0);
        QCOMPARE(w->txtItem(2)->cursorPosition(), 0);
        // At the top, Up only sends the caret home.
        w->txtItem(1)->setCursorPosition(2);
        QTest::keyClick(w->txtItem(1), Qt::Key_Up);
        QCOMPARE(w->CurrentItem, 1);
        QCOMPARE(w->txtItem(1)->cursorPosition(), 0);

        QTest::keyClick(w->txtItem(1), Qt::Key_Down);
        QTest::keyClick(w->txtItem(2), Qt::Key_Down);
        QCOMPARE(w->CurrentItem, 3);
        w->txtItem(3)->setCursorPosition(5);
        QTest::keyClick(w->txtItem(3), Qt::Key_Down);
        QCOMPARE(w->CurrentItem, 3);
        QCOMPARE(w->txtItem(3)->cursorPosition(), 0);
        QCOMPARE(w->ItemCount, 3);
        QCOMPARE(texts(w), QStringList({"alpha", "beta", "gamma"}));
    }

    void ctrlAltGShowsTheIdentifier()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        f.prompts.answerMessage(MsgResult::Ok);
        QTest::keyClick(w->txtItem(1), Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(f.prompts.asked().size(), 2);
        QCOMPARE(f.prompts.last().text, w->NoteGUID());
        QVERIFY(!w->NoteGUID().isEmpty());
        QCOMPARE(f.prompts.last().title, QStringLiteral("Note GUID"));
        QCOMPARE(f.prompts.last().buttons, MsgButtons::Ok);
        QCOMPARE(w->rowText(1), QString());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void commandShortcutsWinOverTheTextField()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"first"});
        QVERIFY(activate(w));
        w->focusRow(1);
        // Ctrl+A would select all in a plain line edit; here it adds a row.
        QTest::keyClick(w->txtItem(1), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w->ItemCount, 2);
        QCOMPARE(w->CurrentItem, 2);
        QCOMPARE(w->rowText(1), QStringLiteral("first"));
    }

    // ---- deleting rows ----------------------------------------------------------------

    void deleteRow_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<bool>>("checked");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QList<bool>>("checkedAfter");
        QTest::addColumn<int>("currentAfter");

        const QStringList abc{"a", "b", "c"};
        const QList<bool> marks{false, true, false};
        QTest::newRow("last row") << abc << marks << 3 << true << QStringList({"a", "b"})
                                  << QList<bool>({false, true}) << 2;
        QTest::newRow("middle row") << abc << marks << 2 << true << QStringList({"a", "c"})
                                    << QList<bool>({false, false}) << 2;
        QTest::newRow("first row") << abc << marks << 1 << true << QStringList({"b", "c"})
                                   << QList<bool>({true, false}) << 1;
        QTest::newRow("only row") << QStringList({"solo"}) << QList<bool>({true}) << 1 << true << QStringList({""})
                                  << QList<bool>({false}) << 1;
        QTest::newRow("answered No") << abc << marks << 2 << false << abc << marks << 2;
    }

    void deleteRow()
    {
        QFETCH(QStringList, rows);
        QFETCH(QList<bool>, checked);
        QFETCH(int, current);
        QFETCH(bool, yes);
        QFETCH(QStringList, after);
        QFETCH(QList<bool>, checkedAfter);
        QFETCH(int, currentAfter);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, rows, checked);
        QVERIFY(activate(w));
        w->focusRow(current);
        const QString text = w->rowText(current);

        f.prompts.answerMessage(yes ? MsgResult::Yes : MsgResult::No);
        w->mnuLineDel->trigger();
        const AskedPrompt &q = f.prompts.last();
        QCOMPARE(q.kind, AskedPrompt::Message);
        QCOMPARE(q.text, QStringLiteral("Delete the following line:\r") + text);
        QCOMPARE(q.buttons, MsgButtons::YesNo);
        QCOMPARE(q.icon, MsgIcon::Question);
        QCOMPARE(q.title, QStringLiteral("Pellux"));
        QVERIFY(f.prompts.unexpected().isEmpty());

        QCOMPARE(texts(w), after);
        QCOMPARE(checks(w), checkedAfter);
        QCOMPARE(w->ItemCount, int(after.size()));
        QCOMPARE(w->CurrentItem, currentAfter);
        QVERIFY(!w->RollBlocked);
        // The strike-through went with the checked state.
        for (int i = 2; i <= w->ItemCount; ++i)
            QCOMPARE(w->txtItem(i)->font().strikeOut(), w->isChecked(i));
        // The deleted row's controls are gone.
        QVERIFY(!w->txtItem(w->ItemCount + 1));
        QCOMPARE(w->findChildren<CheckItemText *>().size(), after.size());
        QCOMPARE(w->findChildren<CheckItemBox *>().size(), after.size());
        QCOMPARE(w->findChildren<CheckItemRule *>().size(), after.size());
    }

    void noRollUpWhileTheDeleteQuestionIsOpen()
    {
        // The question deactivates the note; a roll-up then must not shrink it under the box.
        struct RollingPrompts : ScriptedPrompts
        {
            CheckListProt *note = nullptr;
            bool blockedWhileAsking = false;
            bool rolledWhileAsking = false;
            using ScriptedPrompts::message;
            MsgResult message(const MessageRequest &r) override
            {
                blockedWhileAsking = note->RollBlocked;
                note->NoteRoll();
                rolledWhileAsking = note->NoteRolled;
                return ScriptedPrompts::message(r);
            }
        };
        TestEnvironment env;
        RollingPrompts prompts;
        FakeClock clock;
        FakeScreen screen;
        FakeSystem system;
        system.appData = env.dataHome();
        system.temp = env.tempDir();
        Program program(Services{prompts, clock, screen, system});
        auto *w = new CheckListProt(program);
        program.placeNote(1, w);
        w->NoteNum = 1;
        w->show();
        fill(w, {"a", "b"});
        w->focusRow(2);
        w->mnuRollUp->setChecked(true);
        prompts.note = w;
        const int h = w->Height();

        prompts.answerMessage(MsgResult::No);
        w->mnuLineDel->trigger();
        QVERIFY(prompts.blockedWhileAsking);
        QVERIFY(!prompts.rolledWhileAsking);
        QCOMPARE(w->Height(), h);
        QVERIFY(!w->RollBlocked);

        prompts.answerMessage(MsgResult::Yes);
        w->mnuLineDel->trigger();
        QVERIFY(prompts.blockedWhileAsking);
        QVERIFY(!prompts.rolledWhileAsking);
        QVERIFY(!w->RollBlocked);
        QCOMPARE(w->ItemCount, 1);
        // Afterwards the note rolls up again.
        w->NoteRoll();
        QVERIFY(w->NoteRolled);
        QVERIFY(prompts.unexpected().isEmpty());
    }

    // ---- moving rows ----------------------------------------------------------------------

    void moveRows_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QList<bool>>("checkedAfter");
        QTest::addColumn<int>("currentAfter");

        const QStringList abc{"a", "b", "c"};
        const QList<bool> marks{true, false, false};
        QTest::newRow("first up: nothing") << 1 << "menu up" << abc << marks << 1;
        QTest::newRow("last down: nothing") << 3 << "menu down" << abc << marks << 3;
        QTest::newRow("first down by menu") << 1 << "menu down" << QStringList({"b", "a", "c"})
                                            << QList<bool>({false, true, false}) << 2;
        QTest::newRow("second up by Ctrl+Up") << 2 << "ctrl up" << QStringList({"b", "a", "c"})
                                              << QList<bool>({false, true, false}) << 1;
        QTest::newRow("second down by Ctrl+Down") << 2 << "ctrl down" << QStringList({"a", "c", "b"}) << marks << 3;
        QTest::newRow("third up by the spin control") << 3 << "spin up" << QStringList({"a", "c", "b"}) << marks
                                                      << 2;
        QTest::newRow("first down by the spin control")
            << 1 << "spin down" << QStringList({"b", "a", "c"}) << QList<bool>({false, true, false}) << 2;
    }

    void moveRows()
    {
        QFETCH(int, current);
        QFETCH(QString, how);
        QFETCH(QStringList, after);
        QFETCH(QList<bool>, checkedAfter);
        QFETCH(int, currentAfter);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"a", "b", "c"}, {true, false, false});
        QVERIFY(activate(w));
        w->focusRow(current);

        if (how == QLatin1String("menu up"))
            w->mnuLineUp->trigger();
        else if (how == QLatin1String("menu down"))
            w->mnuLineDown->trigger();
        else if (how == QLatin1String("ctrl up"))
            QTest::keyClick(w->txtItem(current), Qt::Key_Up, Qt::ControlModifier);
        else if (how == QLatin1String("ctrl down"))
            QTest::keyClick(w->txtItem(current), Qt::Key_Down, Qt::ControlModifier);
        else if (how == QLatin1String("spin up"))
            QTest::mouseClick(w->UpDown1->upButton(), Qt::LeftButton);
        else
            QTest::mouseClick(w->UpDown1->downButton(), Qt::LeftButton);

        QCOMPARE(texts(w), after);
        QCOMPARE(checks(w), checkedAfter);
        QCOMPARE(w->CurrentItem, currentAfter);
        QCOMPARE(QApplication::focusWidget(), w->txtItem(currentAfter));
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(w->txtItem(i)->font().strikeOut(), w->isChecked(i));
        QCOMPARE(w->UpDown1->y(), w->txtItem(currentAfter)->y());
    }

    // ---- edit commands ------------------------------------------------------------------

    void editCommandsFollowFocusSelectionAndClipboard()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"hello world", "second"});
        QVERIFY(activate(w));
        w->focusRow(1);
        w->txtItem(1)->deselect();
        w->CheckClipboard();
        QVERIFY(!w->mnuCut->isEnabled());
        QVERIFY(!w->mnuCopy->isEnabled());
        QVERIFY(!w->mnuEditDelete->isEnabled());
        QVERIFY(!w->mnuPaste->isEnabled());

        // Select "hello" with the keyboard.
        w->txtItem(1)->setCursorPosition(0);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(w->txtItem(1), Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(w->mnuCut->isEnabled());
        QVERIFY(w->mnuCopy->isEnabled());
        QVERIFY(w->mnuEditDelete->isEnabled());

        w->mnuCut->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hello"));
        QCOMPARE(w->rowText(1), QStringLiteral(" world"));
        QVERIFY(w->mnuPaste->isEnabled());
        QVERIFY(!w->mnuCut->isEnabled());

        w->focusRow(2);
        w->txtItem(2)->setCursorPosition(0);
        w->mnuPaste->trigger();
        QCOMPARE(w->rowText(2), QStringLiteral("hellosecond"));

        w->txtItem(2)->setSelection(5, 6);
        w->CheckClipboard();
        w->mnuCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("second"));
        QCOMPARE(w->rowText(2), QStringLiteral("hellosecond"));
        w->mnuEditDelete->trigger();
        QCOMPARE(w->rowText(2), QStringLiteral("hello"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("second"));
    }

    void editCommandsAreDisabledInACheckBox()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        fill(w, {"hello", "world"});
        setClipboard(QStringLiteral("on the clipboard"));
        QVERIFY(activate(w));
        w->focusRow(1);
        w->txtItem(1)->selectAll();
        w->CheckClipboard();
        QVERIFY(w->mnuCopy->isEnabled());
        QVERIFY(w->mnuPaste->isEnabled());

        w->chkItem(1)->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->FocusKind, QStringLiteral("C"));
        QCOMPARE(w->CurrentItem, 1);
        for (QAction *a : {w->mnuCut, w->mnuCopy, w->mnuPaste, w->mnuEditDelete})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        // Space on the focused box checks the row.
        QTest::keyClick(w->chkItem(1), Qt::Key_Space);
        QVERIFY(w->isChecked(1));
    }
};

QTEST_MAIN(TestCheckListWindow)
#include "tst_checklistwindow.moc"
