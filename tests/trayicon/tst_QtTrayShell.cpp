#include "FakeTray.h"
#include "QtTrayShell.h"
#include "bwSysTray.h"

#include <QtTest>

using namespace halotray;
using namespace halotray::test;

namespace {

struct RecordingSink final : TrayNotifySink
{
    QList<int> messages;
    std::function<void()> onMessage;

    void shellNotify(quint32 callbackMessage, int mouseMessage) override
    {
        messages << (callbackMessage == 512 ? mouseMessage : -1);
        if (onMessage)
            onMessage();
    }
};

QIcon solidIcon(QColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

TrayIconRecord recordFor(TrayNotifySink *owner, quint32 flags, const QString &tip, const QIcon &icon = solidIcon(Qt::gray))
{
    TrayIconRecord record;
    record.owner = owner;
    record.flags = flags;
    record.tip = fixedTrayTip(tip);
    record.icon = icon;
    return record;
}

auto available = [] { return true; };
auto unavailable = [] { return false; };

} // namespace

class TestQtTrayShell : public QObject
{
    Q_OBJECT

private slots:
    void activationsReplayShellMessages_data();
    void activationsReplayShellMessages();
    void qtDoubleClickIsOneDoubleClick();
    void tipIsShownWithoutPadding();
    void modifyTakesOnlyTheFlaggedParts();
    void modifyFailsWhenTheIconIsLost_data();
    void modifyFailsWhenTheIconIsLost();
    void removalFromAnEventHandlerStopsTheReplay();
    void lostIconComesBackAsTheSameIcon();
};

void TestQtTrayShell::activationsReplayShellMessages_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<QList<int>>("messages");

    QTest::newRow("trigger") << int(QSystemTrayIcon::Trigger) << QList<int>{513, 514};
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << QList<int>{515, 514};
    QTest::newRow("context") << int(QSystemTrayIcon::Context) << QList<int>{516, 517};
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << QList<int>{519, 520};
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QList<int>{};
}

void TestQtTrayShell::activationsReplayShellMessages()
{
    QFETCH(int, reason);
    QFETCH(QList<int>, messages);

    QObject parent;
    RecordingSink sink;
    QtTrayShell shell(&parent, available);
    QVERIFY(shell.add(recordFor(&sink, TrayFlagsAll, QStringLiteral("tip"))));
    QVERIFY(shell.icon());
    emit shell.icon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(sink.messages, messages);
}

void TestQtTrayShell::qtDoubleClickIsOneDoubleClick()
{
    bwSysTray::Environment env;
    env.makeShell = [](bwSysTray &control) { return std::make_unique<QtTrayShell>(&control, available); };
    env.doubleClickTime = [] { return 500; };
    env.makeTimer = fakeTimers();
    env.pumpEvents = [] {};
    bwSysTray tray(std::move(env), true);
    QStringList seen;
    connect(&tray, &bwSysTray::MouseDown, this, [&](int b) { seen << QStringLiteral("Down(%1)").arg(b); });
    connect(&tray, &bwSysTray::MouseUp, this, [&](int b) { seen << QStringLiteral("Up(%1)").arg(b); });
    connect(&tray, &bwSysTray::MouseDblClick, this, [&](int b) { seen << QStringLiteral("DblClick(%1)").arg(b); });
    connect(&tray, &bwSysTray::MouseClick, this, [&](int b) { seen << QStringLiteral("Click(%1)").arg(b); });

    tray.setInTray(true);
    auto *icon = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(icon);
    // Qt's report of one double click.
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);

    QCOMPARE(seen.join(QLatin1Char(' ')), QStringLiteral("Down(1) Up(1) DblClick(1) Up(1)"));
    QVERIFY(!static_cast<FakeClickTimer *>(tray.mouseDecoder().timer(1))->fire());
}

void TestQtTrayShell::tipIsShownWithoutPadding()
{
    QObject parent;
    RecordingSink sink;
    QtTrayShell shell(&parent, available);
    shell.add(recordFor(&sink, TrayFlagsAll, QStringLiteral("  Single: Add A Pellux")));
    QCOMPARE(shell.icon()->toolTip(), QStringLiteral("  Single: Add A Pellux"));
}

void TestQtTrayShell::modifyTakesOnlyTheFlaggedParts()
{
    QObject parent;
    RecordingSink sink;
    QtTrayShell shell(&parent, available);
    const QIcon first = solidIcon(Qt::red);
    const QIcon second = solidIcon(Qt::blue);
    QVERIFY(shell.add(recordFor(&sink, TrayFlagsAll, QStringLiteral("first"), first)));

    QVERIFY(shell.modify(recordFor(&sink, TrayFlagTip, QStringLiteral("second"), second)));
    QCOMPARE(shell.icon()->toolTip(), QStringLiteral("second"));
    QCOMPARE(shell.icon()->icon().cacheKey(), first.cacheKey());

    QVERIFY(shell.modify(recordFor(&sink, TrayFlagIcon, QStringLiteral("third"), second)));
    QCOMPARE(shell.icon()->toolTip(), QStringLiteral("second"));
    QCOMPARE(shell.icon()->icon().cacheKey(), second.cacheKey());
}

void TestQtTrayShell::modifyFailsWhenTheIconIsLost_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("never added") << "never added";
    QTest::newRow("removed") << "removed";
    QTest::newRow("no notification area") << "no notification area";
    QTest::newRow("icon hidden behind our back") << "hidden";
    QTest::newRow("malformed record") << "malformed";
}

void TestQtTrayShell::modifyFailsWhenTheIconIsLost()
{
    QFETCH(QString, situation);

    QObject parent;
    RecordingSink sink;
    bool trayThere = true;
    QtTrayShell shell(&parent, [&] { return trayThere; });
    TrayIconRecord record = recordFor(&sink, TrayFlagsAll, QStringLiteral("tip"));
    if (situation != QLatin1String("never added"))
        QVERIFY(shell.add(record));
    if (situation == QLatin1String("removed"))
        QVERIFY(shell.remove(record));
    if (situation == QLatin1String("no notification area"))
        trayThere = false;
    if (situation == QLatin1String("hidden"))
        shell.icon()->hide();
    if (situation == QLatin1String("malformed"))
        record.size = 44;

    record.flags = TrayFlagTip;
    QVERIFY(!shell.modify(record));
}

void TestQtTrayShell::removalFromAnEventHandlerStopsTheReplay()
{
    QObject parent;
    RecordingSink sink;
    QtTrayShell shell(&parent, available);
    const TrayIconRecord record = recordFor(&sink, TrayFlagsAll, QStringLiteral("tip"));
    shell.add(record);
    QPointer<QSystemTrayIcon> icon = shell.icon();
    sink.onMessage = [&] { shell.remove(record); };

    emit icon->activated(QSystemTrayIcon::Trigger);
    QCOMPARE(sink.messages, QList<int>{513});
    QVERIFY(!shell.icon());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(icon.isNull());
}

void TestQtTrayShell::lostIconComesBackAsTheSameIcon()
{
    // With no notification area every change fails and the control adds again; the
    // add must reuse the one icon rather than pile up new ones.
    bwSysTray::Environment env;
    env.makeShell = [](bwSysTray &control) { return std::make_unique<QtTrayShell>(&control, unavailable); };
    env.makeTimer = fakeTimers();
    env.pumpEvents = [] {};
    auto tray = std::make_unique<bwSysTray>(std::move(env), true);
    tray->setInTray(true);
    tray->setTrayTip(QStringLiteral("changed"));
    tray->Refresh();
    tray->Refresh();

    const QList<QSystemTrayIcon *> icons = tray->findChildren<QSystemTrayIcon *>();
    QCOMPARE(icons.size(), 1);
    QCOMPARE(icons.first()->toolTip(), QStringLiteral("changed"));
    QPointer<QSystemTrayIcon> icon = icons.first();

    tray.reset();
    QVERIFY(icon.isNull());
}

QTEST_MAIN(TestQtTrayShell)
#include "tst_QtTrayShell.moc"
