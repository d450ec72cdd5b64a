#include "FakeTray.h"
#include "TrayMouseDecoder.h"

#include <QtTest>

using namespace halotray;
using namespace halotray::test;

namespace {

QString eventName(TrayMouseEvent event, int button)
{
    switch (event) {
    case TrayMouseEvent::Click: return QStringLiteral("Click(%1)").arg(button);
    case TrayMouseEvent::DblClick: return QStringLiteral("DblClick(%1)").arg(button);
    case TrayMouseEvent::Up: return QStringLiteral("Up(%1)").arg(button);
    case TrayMouseEvent::Down: return QStringLiteral("Down(%1)").arg(button);
    case TrayMouseEvent::Move: return QStringLiteral("Move");
    }
    return {};
}

FakeClickTimer *fakeTimer(const TrayMouseDecoder &decoder, int button)
{
    return static_cast<FakeClickTimer *>(decoder.timer(button));
}

QString timerStates(const TrayMouseDecoder &decoder)
{
    QStringList states;
    for (int button : TrayMouseDecoder::kButtons) {
        const ClickTimer *t = decoder.timer(button);
        states << QStringLiteral("%1:%2@%3").arg(button).arg(t->isActive() ? "run" : "idle").arg(t->interval());
    }
    return states.join(QLatin1Char(' '));
}

} // namespace

class TestTrayMouseDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void clickHandlerRunsWithTheTimerStopped();
};

/*
 * Script tokens: a number is one shell notification; "fireN" expires the timer of
 * button N (a stopped timer cannot expire: the script then logs "idle(N)"); "dct=N"
 * changes the system double-click time. The double-click time starts at 437 ms.
 */
void TestTrayMouseDecoder::decodes_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("timers");

    const QString allIdle = QStringLiteral("1:idle@437 2:idle@437 4:idle@437");

    QTest::newRow("left single click") << "513 514 fire1" << "Down(1) Up(1) Click(1)" << allIdle;
    QTest::newRow("left click waits for the double-click time")
        << "513 514" << "Down(1) Up(1)" << "1:run@437 2:idle@437 4:idle@437";
    QTest::newRow("left double click") << "513 514 515 514" << "Down(1) Up(1) DblClick(1) Up(1)" << allIdle;
    QTest::newRow("left double click never clicks later")
        << "513 514 515 514 fire1" << "Down(1) Up(1) DblClick(1) Up(1) idle(1)" << allIdle;
    QTest::newRow("right single click") << "516 517 fire2" << "Down(2) Up(2) Click(2)" << allIdle;
    QTest::newRow("right double click") << "516 517 518 517 fire2"
                                        << "Down(2) Up(2) DblClick(2) Up(2) idle(2)" << allIdle;
    QTest::newRow("middle single click") << "519 520 fire4" << "Down(4) Up(4) Click(4)" << allIdle;
    QTest::newRow("middle double click") << "519 520 521 520 fire4"
                                         << "Down(4) Up(4) DblClick(4) Up(4) idle(4)" << allIdle;
    QTest::newRow("moves") << "512 512 512" << "Move Move Move" << allIdle;
    QTest::newRow("move between press and release")
        << "513 512 514 512 fire1" << "Down(1) Move Up(1) Move Click(1)" << allIdle;
    QTest::newRow("unknown numbers ignored") << "0 1 511 522 523 1024 -513 65535" << "" << allIdle;
    QTest::newRow("unknown number keeps a pending click")
        << "513 514 600 fire1" << "Down(1) Up(1) Click(1)" << allIdle;
    QTest::newRow("buttons time apart")
        << "513 514 516 517 fire2 fire1" << "Down(1) Up(1) Down(2) Up(2) Click(2) Click(1)" << allIdle;
    QTest::newRow("third click after a double click")
        << "513 514 515 514 513 514 fire1" << "Down(1) Up(1) DblClick(1) Up(1) Down(1) Up(1) Click(1)" << allIdle;
    QTest::newRow("release without press") << "514 fire1" << "Up(1) Click(1)" << allIdle;
    QTest::newRow("timer fires once") << "513 514 fire1 fire1" << "Down(1) Up(1) Click(1) idle(1)" << allIdle;

    QTest::newRow("idle intervals follow the double-click time on a notification")
        << "dct=300 512" << "Move" << "1:idle@300 2:idle@300 4:idle@300";
    QTest::newRow("unknown numbers reset the intervals too")
        << "dct=250 999" << "" << "1:idle@250 2:idle@250 4:idle@250";
    QTest::newRow("no notification, no reset") << "dct=300" << "" << allIdle;
    QTest::newRow("running timer keeps its interval")
        << "513 514 dct=300 512" << "Down(1) Up(1) Move" << "1:run@437 2:idle@300 4:idle@300";
    QTest::newRow("a click is timed with the current double-click time")
        << "dct=300 513 514" << "Down(1) Up(1)" << "1:run@300 2:idle@300 4:idle@300";
    QTest::newRow("timer picks up the new time once idle")
        << "513 514 dct=700 fire1 512" << "Down(1) Up(1) Click(1) Move" << "1:idle@700 2:idle@700 4:idle@700";
}

void TestTrayMouseDecoder::decodes()
{
    QFETCH(QString, script);
    QFETCH(QString, events);
    QFETCH(QString, timers);

    int doubleClickTime = 437;
    QStringList seen;
    TrayMouseDecoder decoder([&] { return doubleClickTime; }, fakeTimers(),
                             [&](TrayMouseEvent event, int button) { seen << eventName(event, button); });

    const QStringList tokens = script.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (token.startsWith(QLatin1String("fire"))) {
            const int button = token.mid(4).toInt();
            if (!fakeTimer(decoder, button)->fire())
                seen << QStringLiteral("idle(%1)").arg(button);
        } else if (token.startsWith(QLatin1String("dct="))) {
            doubleClickTime = token.mid(4).toInt();
        } else {
            bool ok = false;
            const int message = token.toInt(&ok);
            QVERIFY2(ok, qPrintable(token));
            decoder.notify(message);
        }
    }

    QCOMPARE(seen.join(QLatin1Char(' ')), events);
    QCOMPARE(timerStates(decoder), timers);
}

void TestTrayMouseDecoder::clickHandlerRunsWithTheTimerStopped()
{
    // A host opens a dialog from the click; its nested event loop must not see the
    // timer still running, or the same click would arrive a second time.
    TrayMouseDecoder *self = nullptr;
    bool timerRunningInHandler = true;
    int clicks = 0;
    TrayMouseDecoder decoder([] { return 500; }, fakeTimers(), [&](TrayMouseEvent event, int button) {
        if (event == TrayMouseEvent::Click) {
            ++clicks;
            timerRunningInHandler = self->timer(button)->isActive();
            QVERIFY(!fakeTimer(*self, button)->fire());
        }
    });
    self = &decoder;
    decoder.notify(516);
    decoder.notify(517);
    QVERIFY(fakeTimer(decoder, 2)->fire());
    QCOMPARE(clicks, 1);
    QVERIFY(!timerRunningInHandler);
}

QTEST_GUILESS_MAIN(TestTrayMouseDecoder)
#include "tst_TrayMouseDecoder.moc"
