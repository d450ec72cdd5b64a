// The status banner.
#include "app/FlashMsg.h"

#include <QApplication>
#include <QtTest>

using namespace pellux;

class TestFlashMsg : public QObject
{
    Q_OBJECT

private slots:
    void oneStopRemovesTheBannerHoweverManyShows()
    {
        FlashMsg flash;
        flash.DispMsg(QStringLiteral("Saving Notes"));
        QVERIFY(flash.isShown());
        QVERIFY(flash.window()->isVisible());
        flash.DispMsg(QStringLiteral("Synchronizing with Remote"));
        QCOMPARE(flash.text(), QStringLiteral("Synchronizing with Remote"));
        flash.StopMsg();
        QVERIFY(!flash.isShown());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible());
    }

    void stopWithoutShowDoesNothing()
    {
        FlashMsg flash;
        flash.StopMsg();
        QVERIFY(!flash.isShown());
        // A later show works again.
        flash.DispMsg(QStringLiteral("Please Wait..."));
        QVERIFY(flash.isShown());
    }

    void bannerIsCentred()
    {
        FlashMsg flash;
        flash.DispMsg(QStringLiteral("Initializing GUIDs (One Time Only)"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect r = flash.window()->frameGeometry();
        QVERIFY(qAbs(r.center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(r.center().y() - screen.center().y()) <= 1);
    }
};

QTEST_MAIN(TestFlashMsg)
#include "tst_flashmsg.moc"
