#include "frmAbout.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace halotray;

namespace {

/// Opens a box the way a caller does, but shows it without a nested loop.
struct OpenBox
{
    frmAbout box;
    QStringList opened;

    explicit OpenBox(const QString &productPage)
    {
        box.setOpenAddress([this](const QString &address) { opened << address; });
        box.setShowModal([](frmAbout &b) {
            b.show();
            QVERIFY(QTest::qWaitForWindowExposed(&b));
        });
        box.ShowAbout(frmAbout::ownIcon(), productPage);
    }

    template<typename T> T *child(const char *name) const { return box.findChild<T *>(QLatin1String(name)); }
};

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void showsTheControlsNameAndVersion();
    void contactEntriesEndWithoutLineBreak();
    void updateQueryCarriesTheNameUnencoded();
    void emptyProductPageLeavesOneTallMakerButton();
    void knownProductPageGetsItsOwnButton();
    void buttons_data();
    void buttons();
    void productLogoSitsInTheHeaderCentre();
};

void TestFrmAbout::showsTheControlsNameAndVersion()
{
    OpenBox open({});
    QCOMPARE(open.box.windowTitle(), QStringLiteral("About Brackwel System Tray Icon Control"));
    QCOMPARE(open.child<QLabel>("ProgDisp")->text(), QStringLiteral("Brackwel System Tray Icon Control"));
    // The build tag follows the minor version without a blank.
    QCOMPARE(open.child<QLabel>("VerDisp")->text(), QStringLiteral("Version v6.0-qt (Build 12)"));
    QCOMPARE(open.child<QPushButton>("cmdAbout_OK")->text(), QStringLiteral("OK!"));
    QVERIFY(open.child<QPushButton>("cmdAbout_OK")->isDefault());
    QCOMPARE(open.child<QPushButton>("cmdCheckUpdate")->text(), QStringLiteral("Check for &Updates"));
    QCOMPARE(open.child<QPushButton>("cmdBrackwel")->text(), QStringLiteral("Brackwel's Web"));
    QVERIFY(!open.box.windowIcon().isNull());
}

void TestFrmAbout::contactEntriesEndWithoutLineBreak()
{
    OpenBox open({});
    auto *info = open.child<QPlainTextEdit>("txtInfo");
    QVERIFY(info->isReadOnly());
    QCOMPARE(info->toPlainText(), QStringLiteral("Send Suggestions To:\nsuggestions@brackwel.example\n\n"
                                                 "Technical Support:\nsupport@brackwel.example\n\n"
                                                 "Visit Brackwel on the Web:\nhttp://www.brackwel.example/"));
}

void TestFrmAbout::updateQueryCarriesTheNameUnencoded()
{
    QCOMPARE(frmAbout::updateAddress(),
             QStringLiteral("http://www.brackwel.example/checkversion.asp"
                            "?app=Brackwel System Tray Icon Control&vermaj=6&vermin=0&verrev=12"));
}

void TestFrmAbout::emptyProductPageLeavesOneTallMakerButton()
{
    OpenBox withPage(QStringLiteral("http://www.brackwel.example/halotray/"));
    OpenBox without({});

    auto *product = without.child<QPushButton>("cmdOtherApps");
    auto *maker = without.child<QPushButton>("cmdBrackwel");
    QVERIFY(product->isHidden());
    QCOMPARE(without.box.productPage(), QString());

    // The maker's button now reaches from its own top to the bottom of the hidden one.
    const QRect makerBefore = withPage.child<QPushButton>("cmdBrackwel")->geometry();
    const QRect productBefore = withPage.child<QPushButton>("cmdOtherApps")->geometry();
    QCOMPARE(maker->geometry().top(), makerBefore.top());
    QCOMPARE(maker->geometry().bottom(), productBefore.bottom());
}

void TestFrmAbout::knownProductPageGetsItsOwnButton()
{
    OpenBox open(QStringLiteral("http://www.brackwel.example/halotray/"));
    auto *product = open.child<QPushButton>("cmdOtherApps");
    QVERIFY(product->isVisible());
    QCOMPARE(product->text(), QStringLiteral("Brackwel System Tray Icon Control's Web"));
    QCOMPARE(open.box.productPage(), QStringLiteral("http://www.brackwel.example/halotray/"));
}

void TestFrmAbout::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("productPage");
    QTest::addColumn<QStringList>("opened");

    const QString page = QStringLiteral("http://www.brackwel.example/halotray/");
    QTest::newRow("OK only closes") << "cmdAbout_OK" << QString() << QStringList();
    QTest::newRow("update check") << "cmdCheckUpdate" << QString() << QStringList{frmAbout::updateAddress()};
    QTest::newRow("maker's web") << "cmdBrackwel" << QString() << QStringList{"http://www.brackwel.example/"};
    QTest::newRow("product's web") << "cmdOtherApps" << page << QStringList{page};
}

void TestFrmAbout::buttons()
{
    QFETCH(QString, button);
    QFETCH(QString, productPage);
    QFETCH(QStringList, opened);

    OpenBox open(productPage);
    open.child<QPushButton>(qPrintable(button))->click();
    QCOMPARE(open.opened, opened);
    QVERIFY(!open.box.isVisible());
    QCOMPARE(open.box.result(), int(QDialog::Accepted));
}

void TestFrmAbout::productLogoSitsInTheHeaderCentre()
{
    OpenBox open({});
    open.box.resize(open.box.width() + 137, open.box.height());
    QCoreApplication::processEvents();
    auto *logo = open.child<QLabel>("Picture3");
    auto *header = logo->parentWidget();
    QVERIFY(!logo->pixmap().isNull());
    QVERIFY(qAbs(logo->geometry().center().x() - header->rect().center().x()) <= 1);
    QVERIFY(qAbs(logo->geometry().center().y() - header->rect().center().y()) <= 1);
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmAbout.moc"
