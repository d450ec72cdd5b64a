#include "FakeTray.h"
#include "HalotrayInfo.h"
#include "bwSysTray.h"
#include "frmAbout.h"

#include <QBuffer>
#include <QPushButton>
#include <QtTest>

using namespace halotray;
using namespace halotray::test;

namespace {

/// A control wired to a recording shell and hand-fired timers.
struct Rig
{
    ShellLog log;
    int pumps = 0;
    QStringList opened;
    std::function<void(frmAbout &)> aboutHook;
    std::unique_ptr<bwSysTray> tray;

    explicit Rig(bool userMode)
    {
        bwSysTray::Environment env;
        env.makeShell = [this](bwSysTray &) { return std::make_unique<FakeTrayShell>(log); };
        env.doubleClickTime = [] { return 500; };
        env.makeTimer = fakeTimers();
        env.pumpEvents = [this] { ++pumps; };
        env.openAddress = [this](const QString &address) { opened << address; };
        env.showAboutModal = [this](frmAbout &box) {
            if (aboutHook)
                aboutHook(box);
        };
        tray = std::make_unique<bwSysTray>(std::move(env), userMode);
    }

    QString calls() const { return log.calls.join(QLatin1Char(' ')); }
    void clear() { log.calls.clear(); log.records.clear(); }
};

QImage imageOf(const QIcon &icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

QIcon solidIcon(QColor colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QString repeated(const char *unit, int times)
{
    return QString::fromUtf8(unit).repeated(times);
}

} // namespace

class TestBwSysTray : public QObject
{
    Q_OBJECT

private slots:
    void newInstanceDefaults();
    void addHandsTheShellAWholeRecord();
    void trayTipCutOrPadded_data();
    void trayTipCutOrPadded();
    void propertyWrites_data();
    void propertyWrites();
    void failedModifyIsAnsweredByOneAdd_data();
    void failedModifyIsAnsweredByOneAdd();
    void refreshBringsBackALostIcon();
    void shellNotificationsBecomeEvents_data();
    void shellNotificationsBecomeEvents();
    void persistedDefaults_data();
    void persistedDefaults();
    void persistedRoundTrip();
    void persistedKeysIgnoreCase();
    void storedPictureForms_data();
    void storedPictureForms();
    void loadingAppliesInTrayFirst();
    void destructionRemovesTheIcon_data();
    void destructionRemovesTheIcon();
    void aboutBoxHasNoOwnerAndNoProductPage();
};

void TestBwSysTray::newInstanceDefaults()
{
    Rig rig(false);
    QCOMPARE(rig.tray->TrayTip(), QStringLiteral("Brackwel System Tray Control"));
    QCOMPARE(rig.tray->InTray(), false);
    QCOMPARE(imageOf(rig.tray->TrayIcon()), imageOf(ownPicture()));
    QVERIFY(!imageOf(rig.tray->TrayIcon()).isNull());
    QCOMPARE(rig.calls(), QString());
    for (int button : TrayMouseDecoder::kButtons)
        QCOMPARE(rig.tray->mouseDecoder().timer(button)->interval(), 500);
}

void TestBwSysTray::addHandsTheShellAWholeRecord()
{
    Rig rig(true);
    const QIcon icon = solidIcon(Qt::red);
    rig.tray->setTrayIcon(icon);
    rig.tray->setTrayTip(QStringLiteral("Pellux"));
    rig.tray->setInTray(true);

    QCOMPARE(rig.calls(), QStringLiteral("add(7)"));
    const TrayIconRecord &r = rig.log.records.last();
    QCOMPARE(r.size, 88u);
    QVERIFY(r.owner != nullptr);
    QCOMPARE(r.id, 1u);
    QCOMPARE(r.flags, 7u);
    QCOMPARE(r.callbackMessage, 512u);
    QCOMPARE(r.icon.cacheKey(), icon.cacheKey());
    QCOMPARE(r.tip, QStringLiteral("Pellux").leftJustified(64, QLatin1Char(' ')));
    QVERIFY(rig.pumps > 0);
}

void TestBwSysTray::trayTipCutOrPadded_data()
{
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("recordTip");

    QTest::newRow("empty") << QString() << QString(64, QLatin1Char(' '));
    QTest::newRow("short is padded") << "Pellux" << QStringLiteral("Pellux") + QString(58, QLatin1Char(' '));
    QTest::newRow("exactly 64") << repeated("x", 64) << repeated("x", 64);
    QTest::newRow("65 is cut") << repeated("x", 64) + "Y" << repeated("x", 64);
    QTest::newRow("long is cut") << repeated("ab", 100) << repeated("ab", 32);
    QTest::newRow("own blanks kept") << "  tip  " << QStringLiteral("  tip") + QString(59, QLatin1Char(' '));
    // A cut through a surrogate pair would leave half a character behind.
    QTest::newRow("no half character at the cut")
        << repeated("x", 63) + QString::fromUtf8("\xF0\x9F\x98\x80") << repeated("x", 63) + " ";
    QTest::newRow("whole pair before the cut")
        << repeated("x", 62) + QString::fromUtf8("\xF0\x9F\x98\x80") + "zz"
        << repeated("x", 62) + QString::fromUtf8("\xF0\x9F\x98\x80");
}

void TestBwSysTray::trayTipCutOrPadded()
{
    QFETCH(QString, tip);
    QFETCH(QString, recordTip);

    Rig rig(true);
    rig.tray->setInTray(true);
    rig.tray->setTrayTip(tip);

    QCOMPARE(rig.tray->TrayTip(), tip); // the property keeps the whole text
    QCOMPARE(rig.tray->iconRecord().tip, recordTip);
    QCOMPARE(rig.calls(), QStringLiteral("add(7) modify(4)"));
    QCOMPARE(rig.log.records.last().tip, recordTip);
    QCOMPARE(rig.log.records.last().tip.size(), 64);
}

/*
 * Steps: "InTray=1", "InTray=0", "TrayTip", "TrayIcon", "Refresh". Calls are what the
 * shell saw, flags in brackets.
 */
void TestBwSysTray::propertyWrites_data()
{
    QTest::addColumn<bool>("userMode");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("calls");
    QTest::addColumn<bool>("inTray");

    QTest::newRow("run: InTray true adds") << true << "InTray=1" << "add(7)" << true;
    QTest::newRow("run: InTray true again adds again") << true << "InTray=1 InTray=1" << "add(7) add(7)" << true;
    QTest::newRow("run: InTray false removes") << true << "InTray=1 InTray=0" << "add(7) remove" << false;
    QTest::newRow("run: tip in tray changes the tip") << true << "InTray=1 TrayTip" << "add(7) modify(4)" << true;
    QTest::newRow("run: tip out of tray is only kept") << true << "TrayTip" << "" << false;
    QTest::newRow("run: icon in tray changes the icon") << true << "InTray=1 TrayIcon" << "add(7) modify(2)" << true;
    QTest::newRow("run: icon out of tray is only kept") << true << "TrayIcon" << "" << false;
    QTest::newRow("run: Refresh after add repeats the add's flags")
        << true << "InTray=1 Refresh" << "add(7) modify(7)" << true;
    QTest::newRow("run: Refresh after a tip change") << true << "InTray=1 TrayTip Refresh"
                                                     << "add(7) modify(4) modify(4)" << true;
    QTest::newRow("run: Refresh after an icon change") << true << "InTray=1 TrayIcon Refresh"
                                                       << "add(7) modify(2) modify(2)" << true;
    QTest::newRow("run: Refresh out of tray shows nothing") << true << "Refresh" << "" << false;
    QTest::newRow("run: Refresh after removal shows nothing") << true << "InTray=1 InTray=0 Refresh"
                                                              << "add(7) remove" << false;
    QTest::newRow("design: InTray true shows no icon") << false << "InTray=1" << "" << true;
    QTest::newRow("design: InTray false still removes") << false << "InTray=0" << "remove" << false;
    QTest::newRow("design: tip and icon are only kept") << false << "InTray=1 TrayTip TrayIcon" << "" << true;
    QTest::newRow("design: Refresh shows nothing") << false << "InTray=1 Refresh" << "" << true;
}

void TestBwSysTray::propertyWrites()
{
    QFETCH(bool, userMode);
    QFETCH(QString, steps);
    QFETCH(QString, calls);
    QFETCH(bool, inTray);

    Rig rig(userMode);
    QSignalSpy changed(rig.tray.get(), &bwSysTray::PropertyChanged);
    QStringList written;
    const QStringList tokens = steps.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &step : tokens) {
        if (step == QLatin1String("InTray=1")) {
            rig.tray->setInTray(true);
            written << QStringLiteral("InTray");
        } else if (step == QLatin1String("InTray=0")) {
            rig.tray->setInTray(false);
            written << QStringLiteral("InTray");
        } else if (step == QLatin1String("TrayTip")) {
            rig.tray->setTrayTip(QStringLiteral("changed tip"));
            written << step;
        } else if (step == QLatin1String("TrayIcon")) {
            rig.tray->setTrayIcon(solidIcon(Qt::blue));
            written << step;
        } else if (step == QLatin1String("Refresh")) {
            rig.tray->Refresh();
        } else {
            QFAIL(qPrintable(step));
        }
    }

    QCOMPARE(rig.calls(), calls);
    QCOMPARE(rig.tray->InTray(), inTray);
    QStringList marked;
    for (const QList<QVariant> &signal : changed)
        marked << signal.at(0).toString();
    QCOMPARE(marked, written);
}

void TestBwSysTray::failedModifyIsAnsweredByOneAdd_data()
{
    QTest::addColumn<bool>("addFails");
    QTest::newRow("add succeeds") << false;
    QTest::newRow("add fails too") << true;
}

void TestBwSysTray::failedModifyIsAnsweredByOneAdd()
{
    QFETCH(bool, addFails);

    Rig rig(true);
    rig.tray->setInTray(true);
    rig.clear();
    rig.log.failModify = true;
    rig.log.failAdd = addFails;

    rig.tray->setTrayTip(QStringLiteral("new tip"));
    QCOMPARE(rig.calls(), QStringLiteral("modify(4) add(7)"));
    // The add carries the whole current record, new tip included.
    QCOMPARE(rig.log.records.last().tip.trimmed(), QStringLiteral("new tip"));
    QCOMPARE(rig.log.records.last().size, 88u);

    // The failed add is not retried; the next change starts from the add's flags.
    rig.clear();
    rig.tray->Refresh();
    QCOMPARE(rig.calls(), QStringLiteral("modify(7) add(7)"));
}

void TestBwSysTray::refreshBringsBackALostIcon()
{
    Rig rig(true);
    rig.tray->setInTray(true);
    rig.tray->setTrayTip(QStringLiteral("tip"));
    rig.log.loseIcon();
    rig.clear();

    rig.tray->Refresh();
    QCOMPARE(rig.calls(), QStringLiteral("modify(4) add(7)"));
    QVERIFY(rig.log.present);
    QCOMPARE(rig.log.records.last().tip.trimmed(), QStringLiteral("tip"));

    rig.clear();
    rig.tray->Refresh();
    QCOMPARE(rig.calls(), QStringLiteral("modify(7)"));
}

void TestBwSysTray::shellNotificationsBecomeEvents_data()
{
    QTest::addColumn<QList<int>>("messages");
    QTest::addColumn<int>("fireButton");
    QTest::addColumn<QString>("events");

    QTest::newRow("left single click") << QList<int>{513, 514} << 1 << "MouseDown(1) MouseUp(1) MouseClick(1)";
    QTest::newRow("right single click") << QList<int>{516, 517} << 2 << "MouseDown(2) MouseUp(2) MouseClick(2)";
    QTest::newRow("left double click") << QList<int>{513, 514, 515, 514} << 1
                                       << "MouseDown(1) MouseUp(1) MouseDblClick(1) MouseUp(1)";
    QTest::newRow("middle double click") << QList<int>{519, 520, 521, 520} << 4
                                         << "MouseDown(4) MouseUp(4) MouseDblClick(4) MouseUp(4)";
    QTest::newRow("move") << QList<int>{512} << 0 << "MouseMove";
}

void TestBwSysTray::shellNotificationsBecomeEvents()
{
    QFETCH(QList<int>, messages);
    QFETCH(int, fireButton);
    QFETCH(QString, events);

    Rig rig(true);
    QStringList seen;
    bwSysTray *tray = rig.tray.get();
    connect(tray, &bwSysTray::MouseClick, this, [&](int b) { seen << QStringLiteral("MouseClick(%1)").arg(b); });
    connect(tray, &bwSysTray::MouseDblClick, this, [&](int b) { seen << QStringLiteral("MouseDblClick(%1)").arg(b); });
    connect(tray, &bwSysTray::MouseUp, this, [&](int b) { seen << QStringLiteral("MouseUp(%1)").arg(b); });
    connect(tray, &bwSysTray::MouseDown, this, [&](int b) { seen << QStringLiteral("MouseDown(%1)").arg(b); });
    connect(tray, &bwSysTray::MouseMove, this, [&] { seen << QStringLiteral("MouseMove"); });

    tray->setInTray(true);
    QVERIFY(rig.log.owner);
    for (int message : messages)
        rig.log.owner->shellNotify(512, message);
    // Notifications under another callback message are not the icon's.
    rig.log.owner->shellNotify(1024, 513);
    if (fireButton)
        static_cast<FakeClickTimer *>(tray->mouseDecoder().timer(fireButton))->fire();

    QCOMPARE(seen.join(QLatin1Char(' ')), events);
}

void TestBwSysTray::persistedDefaults_data()
{
    QTest::addColumn<bool>("userMode");
    QTest::newRow("designer") << false;
    QTest::newRow("run time") << true;
}

void TestBwSysTray::persistedDefaults()
{
    QFETCH(bool, userMode);

    Rig rig(userMode);
    rig.tray->setTrayTip(QStringLiteral("something else"));
    rig.tray->setTrayIcon(solidIcon(Qt::green));
    rig.tray->ReadProperties({});

    QCOMPARE(rig.tray->InTray(), false);
    QCOMPARE(rig.tray->TrayTip(), QStringLiteral("Brackwel System Tray Control"));
    QCOMPARE(imageOf(rig.tray->TrayIcon()), imageOf(ownPicture()));
    QCOMPARE(rig.calls(), QStringLiteral("remove"));
}

void TestBwSysTray::persistedRoundTrip()
{
    Rig source(false);
    source.tray->setInTray(true);
    source.tray->setTrayTip(QStringLiteral("Single: Add A Pellux  |  Double: Control Panel  |  Right: Menu"));
    source.tray->setTrayIcon(solidIcon(Qt::magenta));

    const QVariantMap stored = source.tray->WriteProperties();
    QCOMPARE(stored.keys(), (QStringList{"InTray", "TrayIcon", "TrayTip"}));

    Rig target(false);
    target.tray->ReadProperties(stored);
    QCOMPARE(target.tray->InTray(), true);
    QCOMPARE(target.tray->TrayTip(), source.tray->TrayTip());
    QCOMPARE(imageOf(target.tray->TrayIcon()), imageOf(solidIcon(Qt::magenta)));

    // A false InTray and the default tip are written too.
    Rig fresh(false);
    const QVariantMap defaults = fresh.tray->WriteProperties();
    QCOMPARE(defaults.value("InTray"), QVariant(false));
    QCOMPARE(defaults.value("TrayTip"), QVariant(QStringLiteral("Brackwel System Tray Control")));
    QVERIFY(!defaults.value("TrayIcon").value<QIcon>().isNull());
}

void TestBwSysTray::persistedKeysIgnoreCase()
{
    Rig rig(false);
    rig.tray->ReadProperties({{"intray", true}, {"TRAYTIP", QStringLiteral("upper")}, {"trayIcon", solidIcon(Qt::cyan)}});
    QCOMPARE(rig.tray->InTray(), true);
    QCOMPARE(rig.tray->TrayTip(), QStringLiteral("upper"));
    QCOMPARE(imageOf(rig.tray->TrayIcon()), imageOf(solidIcon(Qt::cyan)));
}

void TestBwSysTray::storedPictureForms_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("ownPictureExpected");

    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::yellow);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    pixmap.toImage().save(&buffer, "PNG");

    QTest::newRow("icon") << QVariant::fromValue(QIcon(pixmap)) << false;
    QTest::newRow("pixmap") << QVariant::fromValue(pixmap) << false;
    QTest::newRow("image") << QVariant::fromValue(pixmap.toImage()) << false;
    QTest::newRow("png bytes") << QVariant(png) << false;
    QTest::newRow("unreadable bytes") << QVariant(QByteArray("not a picture")) << true;
    QTest::newRow("null icon") << QVariant::fromValue(QIcon()) << true;
    QTest::newRow("text") << QVariant(QStringLiteral("icon.png")) << true;
}

void TestBwSysTray::storedPictureForms()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, ownPictureExpected);

    Rig rig(false);
    rig.tray->ReadProperties({{"TrayIcon", stored}});
    QPixmap yellow(32, 32);
    yellow.fill(Qt::yellow);
    QCOMPARE(imageOf(rig.tray->TrayIcon()), ownPictureExpected ? imageOf(ownPicture()) : imageOf(QIcon(yellow)));
}

void TestBwSysTray::loadingAppliesInTrayFirst()
{
    Rig rig(true);
    rig.tray->ReadProperties({{"TrayTip", QStringLiteral("stored tip")}, {"InTray", -1}, {"TrayIcon", solidIcon(Qt::red)}});

    // The icon goes in with what the control had, then the stored picture and tip follow.
    QCOMPARE(rig.calls(), QStringLiteral("add(7) modify(2) modify(4)"));
    QCOMPARE(rig.log.records.at(0).tip.trimmed(), QStringLiteral("Brackwel System Tray Control"));
    QCOMPARE(rig.log.records.at(2).tip.trimmed(), QStringLiteral("stored tip"));
    QCOMPARE(rig.tray->InTray(), true);
}

void TestBwSysTray::destructionRemovesTheIcon_data()
{
    QTest::addColumn<bool>("userMode");
    QTest::addColumn<bool>("inTray");
    QTest::addColumn<QString>("calls");

    QTest::newRow("in tray") << true << true << "add(7) remove";
    QTest::newRow("not in tray") << true << false << "";
    QTest::newRow("designer, InTray set") << false << true << "remove";
}

void TestBwSysTray::destructionRemovesTheIcon()
{
    QFETCH(bool, userMode);
    QFETCH(bool, inTray);
    QFETCH(QString, calls);

    Rig rig(userMode);
    if (inTray)
        rig.tray->setInTray(true);
    rig.tray.reset();
    QCOMPARE(rig.calls(), calls);
    QVERIFY(!rig.log.present);
}

void TestBwSysTray::aboutBoxHasNoOwnerAndNoProductPage()
{
    Rig rig(true);
    int shown = 0;
    rig.aboutHook = [&](frmAbout &box) {
        ++shown;
        QVERIFY(box.parentWidget() == nullptr);
        QCOMPARE(box.windowTitle(), QStringLiteral("About Brackwel System Tray Icon Control"));
        QCOMPARE(box.productPage(), QString());
        QVERIFY(!box.windowIcon().isNull());
        auto *product = box.findChild<QPushButton *>("cmdOtherApps");
        QVERIFY(product && product->isHidden());
        box.findChild<QPushButton *>("cmdCheckUpdate")->click();
        QCOMPARE(box.result(), int(QDialog::Accepted));
    };
    rig.tray->ShowAboutBox();
    QCOMPARE(shown, 1);
    QCOMPARE(rig.opened, QStringList{frmAbout::updateAddress()});
}

QTEST_MAIN(TestBwSysTray)
#include "tst_bwSysTray.moc"
