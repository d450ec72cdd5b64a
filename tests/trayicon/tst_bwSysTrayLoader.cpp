// Drives the built bwSysTray6 plugin exactly as a host does: found by class name,
// created through its factory, used only through QMetaObject. Nothing of the
// control's code is linked into this test.

#include "bwSysTrayLoader.h"

#include <QApplication>
#include <QDialog>
#include <QMetaMethod>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

#ifndef HALOTRAY_PLUGIN_DIR
#error "HALOTRAY_PLUGIN_DIR must name the folder the plugin is built into"
#endif

namespace {

const QString kPluginDir = QStringLiteral(HALOTRAY_PLUGIN_DIR);

/// Receives the control's events through string-based connections, as a host would.
class Recorder : public QObject
{
    Q_OBJECT

public:
    QStringList seen;

public slots:
    void click(int button) { seen << QStringLiteral("MouseClick(%1)").arg(button); }
    void dblClick(int button) { seen << QStringLiteral("MouseDblClick(%1)").arg(button); }
    void up(int button) { seen << QStringLiteral("MouseUp(%1)").arg(button); }
    void down(int button) { seen << QStringLiteral("MouseDown(%1)").arg(button); }
    void move() { seen << QStringLiteral("MouseMove"); }
};

QString classInfo(const QObject *object, const char *name)
{
    const QMetaObject *meta = object->metaObject();
    const int index = meta->indexOfClassInfo(name);
    return index < 0 ? QString() : QString::fromLatin1(meta->classInfo(index).value());
}

} // namespace

class TestBwSysTrayLoader : public QObject
{
    Q_OBJECT

private slots:
    void findsThePluginByClassName_data();
    void findsThePluginByClassName();
    void saysWhyNothingWasCreated_data();
    void saysWhyNothingWasCreated();
    void publishesItsMemberTable_data();
    void publishesItsMemberTable();
    void createdInstanceWorksThroughItsMetaObject();
    void designerInstanceShowsNoIcon();
    void aboutBoxOpensModallyWithoutOwner();
};

void TestBwSysTrayLoader::findsThePluginByClassName_data()
{
    QTest::addColumn<QString>("className");
    QTest::newRow("as registered") << "bwSysTray6.bwSysTray";
    QTest::newRow("other case") << "BWSYSTRAY6.BWSYSTRAY";
}

void TestBwSysTrayLoader::findsThePluginByClassName()
{
    QFETCH(QString, className);

    const QString path = bwSysTrayLoader::findPlugin(className, {kPluginDir});
    QVERIFY2(!path.isEmpty(), qPrintable(kPluginDir));
    QVERIFY(QFileInfo(path).fileName().startsWith(QLatin1String("bwSysTray6.")));

    const QJsonObject meta = QPluginLoader(path).metaData().value(QStringLiteral("MetaData")).toObject();
    QCOMPARE(meta.value(QStringLiteral("Description")).toString(), QStringLiteral("Brackwel System Tray Icon Control"));
    QCOMPARE(meta.value(QStringLiteral("Library")).toString(), QStringLiteral("bwSysTray6"));
}

void TestBwSysTrayLoader::saysWhyNothingWasCreated_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("where");

    QTest::newRow("class nobody registers") << "bwSysTray6.NoSuchClass" << "plugins";
    QTest::newRow("no folders") << "bwSysTray6.bwSysTray" << "none";
    QTest::newRow("missing folder") << "bwSysTray6.bwSysTray" << "missing";
    QTest::newRow("folder with a file that only looks like a library") << "bwSysTray6.bwSysTray" << "junk";
}

void TestBwSysTrayLoader::saysWhyNothingWasCreated()
{
    QFETCH(QString, className);
    QFETCH(QString, where);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    QStringList folders;
    if (where == QLatin1String("plugins")) {
        folders << kPluginDir;
    } else if (where == QLatin1String("missing")) {
        folders << temp.filePath(QStringLiteral("no-such-folder"));
    } else if (where == QLatin1String("junk")) {
        QFile junk(temp.filePath(QStringLiteral("bwSysTray6.so")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a library at all");
        junk.close();
        folders << temp.path();
    }

    QObject host;
    QString reason;
    QObject *created = bwSysTrayLoader::createControl(className, &host, true, folders, &reason);
    QVERIFY(created == nullptr);
    QVERIFY2(reason.contains(className), qPrintable(reason));
    QVERIFY(host.children().isEmpty());
}

void TestBwSysTrayLoader::publishesItsMemberTable_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("signature");
    QTest::addColumn<int>("kind"); // QMetaMethod::MethodType, or -1 for a property
    QTest::addColumn<QString>("dispId");
    QTest::addColumn<QString>("description");

    QTest::newRow("TrayTip") << "TrayTip" << "QString" << -1 << "0x68030002" << "The Tool Tip of the Icon in the Tray.";
    QTest::newRow("InTray") << "InTray" << "bool" << -1 << "0x68030001" << "True/False - Turns the Icon on and off.";
    QTest::newRow("TrayIcon") << "TrayIcon" << "QIcon" << -1 << "0x68030000"
                              << "The Icon to put into the System Tray.  Use set to update.";
    QTest::newRow("ShowAboutBox") << "ShowAboutBox" << "ShowAboutBox()" << int(QMetaMethod::Method) << "-552"
                                  << "Display the About Box";
    QTest::newRow("Refresh") << "Refresh" << "Refresh()" << int(QMetaMethod::Method) << "0x6003000F"
                             << "Refreshes the icon display.  This will reinsert the icon if the shell crashes.";
    QTest::newRow("MouseClick") << "MouseClick" << "MouseClick(int)" << int(QMetaMethod::Signal) << "1" << "";
    QTest::newRow("MouseDblClick") << "MouseDblClick" << "MouseDblClick(int)" << int(QMetaMethod::Signal) << "2" << "";
    QTest::newRow("MouseUp") << "MouseUp" << "MouseUp(int)" << int(QMetaMethod::Signal) << "3" << "";
    QTest::newRow("MouseDown") << "MouseDown" << "MouseDown(int)" << int(QMetaMethod::Signal) << "4" << "";
    QTest::newRow("MouseMove") << "MouseMove" << "MouseMove()" << int(QMetaMethod::Signal) << "5" << "";
    QTest::newRow("ReadProperties") << "" << "ReadProperties(QVariantMap)" << int(QMetaMethod::Method) << "" << "";
    QTest::newRow("WriteProperties") << "" << "WriteProperties()" << int(QMetaMethod::Method) << "" << "";
}

void TestBwSysTrayLoader::publishesItsMemberTable()
{
    QFETCH(QString, member);
    QFETCH(QString, signature);
    QFETCH(int, kind);
    QFETCH(QString, dispId);
    QFETCH(QString, description);

    QObject host;
    QString reason;
    QObject *tray = bwSysTrayLoader::createControl(bwSysTrayLoader::trayClassName(), &host, false, {kPluginDir}, &reason);
    QVERIFY2(tray, qPrintable(reason));
    const QMetaObject *meta = tray->metaObject();
    QCOMPARE(classInfo(tray, "ClassName"), QStringLiteral("bwSysTray6.bwSysTray"));

    if (kind < 0) {
        const int index = meta->indexOfProperty(qPrintable(member));
        QVERIFY(index >= 0);
        QCOMPARE(QString::fromLatin1(meta->property(index).typeName()), signature);
        QVERIFY(meta->property(index).isWritable());
    } else {
        const int index = meta->indexOfMethod(qPrintable(signature));
        QVERIFY2(index >= 0, qPrintable(signature));
        QCOMPARE(int(meta->method(index).methodType()), kind);
    }
    if (!member.isEmpty()) {
        QCOMPARE(classInfo(tray, qPrintable(QStringLiteral("DispId.") + member)), dispId);
        if (!description.isEmpty())
            QCOMPARE(classInfo(tray, qPrintable(QStringLiteral("Description.") + member)), description);
    }
}

void TestBwSysTrayLoader::createdInstanceWorksThroughItsMetaObject()
{
    auto host = std::make_unique<QObject>();
    QString reason;
    QObject *tray = bwSysTrayLoader::createControl(bwSysTrayLoader::trayClassName(), host.get(), true,
                                                   {QStringLiteral("/no/such/folder"), kPluginDir}, &reason);
    QVERIFY2(tray, qPrintable(reason));
    QVERIFY(reason.isEmpty());
    QCOMPARE(tray->parent(), host.get());

    QCOMPARE(tray->property("TrayTip").toString(), QStringLiteral("Brackwel System Tray Control"));
    QCOMPARE(tray->property("InTray").toBool(), false);
    QVERIFY(!tray->property("TrayIcon").value<QIcon>().isNull());

    Recorder recorder;
    QVERIFY(connect(tray, SIGNAL(MouseClick(int)), &recorder, SLOT(click(int))));
    QVERIFY(connect(tray, SIGNAL(MouseDblClick(int)), &recorder, SLOT(dblClick(int))));
    QVERIFY(connect(tray, SIGNAL(MouseUp(int)), &recorder, SLOT(up(int))));
    QVERIFY(connect(tray, SIGNAL(MouseDown(int)), &recorder, SLOT(down(int))));
    QVERIFY(connect(tray, SIGNAL(MouseMove()), &recorder, SLOT(move())));

    QVERIFY(tray->setProperty("TrayTip", QStringLiteral("Single: Add A Pellux")));
    QVERIFY(tray->setProperty("InTray", true));
    QCOMPARE(tray->property("InTray").toBool(), true);
    QVERIFY(QMetaObject::invokeMethod(tray, "Refresh"));

    // One icon, showing the tip, answering Qt's activations with the control's events.
    const QList<QSystemTrayIcon *> icons = tray->findChildren<QSystemTrayIcon *>();
    QCOMPARE(icons.size(), 1);
    QPointer<QSystemTrayIcon> icon = icons.first();
    QCOMPARE(icon->toolTip(), QStringLiteral("Single: Add A Pellux"));
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(recorder.seen.join(QLatin1Char(' ')), QStringLiteral("MouseDown(1) MouseUp(1) MouseDblClick(1) MouseUp(1)"));

    QVariantMap stored;
    QVERIFY(QMetaObject::invokeMethod(tray, "WriteProperties", Q_RETURN_ARG(QVariantMap, stored)));
    QCOMPARE(stored.value(QStringLiteral("TrayTip")).toString(), QStringLiteral("Single: Add A Pellux"));
    QCOMPARE(stored.value(QStringLiteral("InTray")).toBool(), true);

    stored[QStringLiteral("TrayTip")] = QStringLiteral("reloaded");
    QVERIFY(QMetaObject::invokeMethod(tray, "ReadProperties", Q_ARG(QVariantMap, stored)));
    QCOMPARE(tray->property("TrayTip").toString(), QStringLiteral("reloaded"));
    QCOMPARE(icon->toolTip(), QStringLiteral("reloaded"));

    // The control dies with its host and takes its icon along.
    QPointer<QObject> alive = tray;
    host.reset();
    QVERIFY(alive.isNull());
    QVERIFY(icon.isNull());
}

void TestBwSysTrayLoader::designerInstanceShowsNoIcon()
{
    QObject host;
    QString reason;
    QObject *tray = bwSysTrayLoader::createControl(bwSysTrayLoader::trayClassName(), &host, false, {kPluginDir}, &reason);
    QVERIFY2(tray, qPrintable(reason));
    QVERIFY(tray->setProperty("InTray", true));
    QCOMPARE(tray->property("InTray").toBool(), true);
    QVERIFY(tray->findChildren<QSystemTrayIcon *>().isEmpty());
}

void TestBwSysTrayLoader::aboutBoxOpensModallyWithoutOwner()
{
    QObject host;
    QString reason;
    QObject *tray = bwSysTrayLoader::createControl(bwSysTrayLoader::trayClassName(), &host, true, {kPluginDir}, &reason);
    QVERIFY2(tray, qPrintable(reason));

    // Runs inside the box's own modal loop and closes it.
    QStringList seen;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            auto *box = qobject_cast<QDialog *>(window);
            if (box && box->isVisible()) {
                seen << box->windowTitle() << (box->isModal() ? "modal" : "modeless")
                     << (box->parentWidget() ? "owned" : "no owner");
                box->reject();
                closer.stop();
            }
        }
    });
    closer.start(0);
    QVERIFY(QMetaObject::invokeMethod(tray, "ShowAboutBox"));
    QCOMPARE(seen, (QStringList{"About Brackwel System Tray Icon Control", "modal", "no owner"}));
}

QTEST_MAIN(TestBwSysTrayLoader)
#include "tst_bwSysTrayLoader.moc"
