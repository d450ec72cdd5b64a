// Notes and the panel left outside every screen come back onto one, on fake screens.
#include "app/ControlPanel.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "app/ScreenRescue.h"
#include "core/store/StoreWriter.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

/// One note per rectangle (pixels), as a store holds them.
QByteArray storeAt(const QList<QRect> &places)
{
    QList<StoredNote> notes;
    int i = 0;
    for (const QRect &r : places) {
        ++i;
        StoredNote n;
        n.type = QStringLiteral("TextNote");
        n.title = QStringLiteral("Note %1").arg(i);
        n.nid = QStringLiteral("HOST:10122026:103000:%1").arg(i, 2, 10, QLatin1Char('0'));
        n.left = r.left() * 15;
        n.top = r.top() * 15;
        n.width = r.width() * 15;
        n.height = r.height() * 15;
        n.text = QStringLiteral("Text");
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

QRect placeOf(const NoteWindow *w)
{
    return QRect(w->Left() / 15, w->Top() / 15, w->Width() / 15, w->Height() / 15);
}

} // namespace

class tst_ScreenRescue : public QObject
{
    Q_OBJECT

private slots:
    void rescuedGeometry_data();
    void rescuedGeometry();
    void notesOutsideEveryScreenComeBackOnLoad();
    void notesOfARemovedScreenMoveOntoTheFirst();
    void thePanelComesBackToo();
};

void tst_ScreenRescue::rescuedGeometry_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("expected");     // null: stays where it is

    const QList<QRect> one{QRect(0, 0, 1600, 1000)};
    const QList<QRect> two{QRect(0, 0, 1600, 1000), QRect(1600, 0, 1280, 1024)};
    QTest::newRow("on screen") << QRect(100, 100, 200, 150) << one << QRect();
    QTest::newRow("half over the right edge") << QRect(1500, 100, 200, 150) << one << QRect();
    QTest::newRow("far right and below") << QRect(5000, 3000, 200, 157) << one << QRect(1400, 843, 200, 157);
    QTest::newRow("above and left") << QRect(-900, -500, 200, 150) << one << QRect(0, 0, 200, 150);
    QTest::newRow("only a sliver shows") << QRect(1590, 100, 200, 150) << one << QRect(1400, 100, 200, 150);
    QTest::newRow("bigger than the screen") << QRect(3000, 50, 2000, 1200) << one << QRect(0, 0, 1600, 1000);
    QTest::newRow("on the second screen") << QRect(2000, 300, 200, 150) << two << QRect();
    QTest::newRow("nearest is the second") << QRect(3500, 300, 200, 150) << two << QRect(2680, 300, 200, 150);
    QTest::newRow("below a panel area") << QRect(10, 990, 200, 150)
                                        << QList<QRect>{QRect(0, 0, 1600, 980)} << QRect(10, 830, 200, 150);
    QTest::newRow("no screens") << QRect(5000, 3000, 200, 150) << QList<QRect>{} << QRect();
}

void tst_ScreenRescue::rescuedGeometry()
{
    QFETCH(QRect, window);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, expected);
    const std::optional<QRect> to = RescuedGeometry(window, screens);
    QCOMPARE(to.value_or(QRect()), expected);
}

void tst_ScreenRescue::notesOutsideEveryScreenComeBackOnLoad()
{
    ProgramFixture f;
    f.screen.widthPx = 1600;
    f.screen.heightPx = 1000;
    f.writeStore(storeAt({QRect(5000, 3000, 200, 157), QRect(300, 200, 250, 180)}));
    f.start();
    const QRect screen(0, 0, 1600, 1000);
    const QRect moved = placeOf(f.program->note(1));
    QVERIFY2(screen.contains(moved), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(moved.x()).arg(moved.y()).arg(moved.width()).arg(moved.height())));
    QCOMPARE(moved.size(), QSize(200, 157));
    QCOMPARE(placeOf(f.program->note(2)), QRect(300, 200, 250, 180));
    // The new place is what the store keeps from now on.
    QVERIFY(f.program->SaveNotes());
    f.restart();
    QCOMPARE(placeOf(f.program->note(1)), moved);
}

void tst_ScreenRescue::notesOfARemovedScreenMoveOntoTheFirst()
{
    ProgramFixture f;
    f.screen.widthPx = 1600;
    f.screen.heightPx = 1000;
    f.screen.screens = {QRect(0, 0, 1600, 1000), QRect(1600, 0, 1920, 1080)};
    f.writeStore(storeAt({QRect(2400, 500, 300, 200), QRect(100, 100, 300, 200)}));
    f.start();
    QCOMPARE(placeOf(f.program->note(1)), QRect(2400, 500, 300, 200));

    f.screen.setScreens({QRect(0, 0, 1600, 1000)});
    QCOMPARE(placeOf(f.program->note(1)), QRect(1300, 500, 300, 200));
    QCOMPARE(placeOf(f.program->note(2)), QRect(100, 100, 300, 200));
}

void tst_ScreenRescue::thePanelComesBackToo()
{
    ProgramFixture f;
    f.screen.widthPx = 1600;
    f.screen.heightPx = 1000;
    f.screen.screens = {QRect(0, 0, 1600, 1000), QRect(1600, 0, 1920, 1080)};
    f.start();
    QWidget *panel = f.program->panel()->window();
    QVERIFY(panel);
    panel->move(2500, 400);
    f.screen.setScreens({QRect(0, 0, 1600, 1000)});
    const QRect now(panel->pos(), panel->size());
    QVERIFY2(QRect(0, 0, 1600, 1000).contains(now),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(now.x()).arg(now.y()).arg(now.width()).arg(now.height())));
}

QTEST_MAIN(tst_ScreenRescue)
#include "tst_screenrescue.moc"
