// "About Pellux": what the box shows, the product button's rule, and where each web
// button goes (through the program's address-opening seam, recorded by the fake).

#include "panel/FakeTrayControl.h"
#include "panel/PanelTestSupport.h"

#include "about/frmAbout.h"
#include "app/Commands.h"
#include "core/about/AboutRules.h"
#include "panel/frmPelluxMenu.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidgetAction>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString VersionCheck =
    QStringLiteral("http://www.brackwel.example/checkversion.asp?app=Pellux&vermaj=3&vermin=2&verrev=155");

/// Opens the About box through the command hub and hands the open box to \a act.
void withAbout(TrayProgramFixture &f, const std::function<void(frmAbout &)> &act)
{
    f.prompts.answerDialog([act](QDialog &d) {
        auto *a = qobject_cast<frmAbout *>(&d);
        QVERIFY(a);
        act(*a);
    });
    f.program->hub().run(Feature::About);
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void rules()
    {
        const ProductVersion pellux{3, 2, QString(), 155};
        QCOMPARE(VersionLine(pellux), QStringLiteral("Version v3.2  (Build 155)"));
        QCOMPARE(VersionLine(ProductVersion{4, 10, QStringLiteral("beta"), 7}),
                 QStringLiteral("Version v4.10 beta (Build 7)"));
        QCOMPARE(UpdateCheckAddress(QStringLiteral("Pellux"), pellux), VersionCheck);
        // A name with blanks (or a "%") goes in as it stands.
        QCOMPARE(UpdateCheckAddress(QStringLiteral("Brackwel System Tray Icon Control"), ProductVersion{6, 0, {}, 12}),
                 QStringLiteral("http://www.brackwel.example/checkversion.asp?app=Brackwel System Tray Icon "
                                "Control&vermaj=6&vermin=0&verrev=12"));
        QCOMPARE(UpdateCheckAddress(QStringLiteral("A%1B"), pellux),
                 QStringLiteral("http://www.brackwel.example/checkversion.asp?app=A%1B&vermaj=3&vermin=2&verrev=155"));
        QCOMPARE(ContactText(), QStringLiteral("Send Suggestions To:\nsuggestions@brackwel.example\n\n"
                                               "Technical Support:\nsupport@brackwel.example\n\n"
                                               "Visit Brackwel on the Web:\nhttp://www.brackwel.example/"));
    }

    void fromThePanel()
    {
        TrayProgramFixture f;
        f.start();
        bool seen = false;
        f.prompts.answerDialog([&](QDialog &d) {
            auto *a = qobject_cast<frmAbout *>(&d);
            QVERIFY(a);
            seen = true;
            QCOMPARE(a->windowTitle(), QStringLiteral("About Pellux"));
            QCOMPARE(a->ProgDisp->text(), QStringLiteral("Pellux"));
            QCOMPARE(a->VerDisp->text(), QStringLiteral("Version v3.2  (Build 155)"));
            QCOMPARE(a->txtInfo->toPlainText(), ContactText());
            QVERIFY(a->txtInfo->isReadOnly());
            QCOMPARE(a->cmdAbout_OK->text(), QStringLiteral("OK!"));
            QVERIFY(a->cmdAbout_OK->isDefault());
            QCOMPARE(a->cmdCheckUpdate->text(), QStringLiteral("Check for &Updates"));
            QCOMPARE(a->cmdBrackwel->text(), QStringLiteral("Brackwel's Web"));
            QCOMPARE(a->cmdOtherApps->text(), QStringLiteral("Pellux's Web"));
            QVERIFY(a->cmdOtherApps->isVisible());
            QCOMPARE(a->cmdBrackwel->height(), a->cmdOtherApps->height());
            // The product logo in the header's centre.
            const QRect header = a->Picture3->parentWidget()->rect();
            QVERIFY(qAbs(a->Picture3->geometry().center().x() - header.center().x()) <= 1);
            QVERIFY(qAbs(a->Picture3->geometry().center().y() - header.center().y()) <= 1);
            a->cmdAbout_OK->click();
        });
        QVERIFY(ncp(*f.program).cmdAbout->isEnabled());
        ncp(*f.program).cmdAbout->click();
        QVERIFY(seen);
        QVERIFY(f.system.openedUrls.isEmpty());
    }

    void fromTheTrayMenuBanner()
    {
        TrayProgramFixture f;
        f.start();
        QString product;
        f.prompts.answerDialog([&](QDialog &d) {
            product = static_cast<frmAbout &>(d).cmdOtherApps->text();
            d.reject();
        });
        frmPelluxMenu &menu = ncp(*f.program).trayMenu();
        QVERIFY(menu.mnuPelluxJunk1->isEnabled());
        menu.mnuPelluxJunk1->trigger();
        QCOMPARE(product, QStringLiteral("Pellux's Web"));
    }

    void withoutAProductPage()
    {
        // The caller that has no product page (as the tray control's own box has none)
        // gets one tall maker button in the place of both.
        TrayProgramFixture f;
        f.start();
        frmAbout box(*f.program);
        const int normal = box.cmdBrackwel->sizeHint().height();
        f.prompts.answerDialog([&](QDialog &) {
            QVERIFY(box.cmdOtherApps->isHidden());
            QVERIFY(box.cmdBrackwel->isVisible());
            QVERIFY(box.cmdBrackwel->height() > normal * 3 / 2);
            QVERIFY(box.productPage().isEmpty());
            box.cmdBrackwel->click();
        });
        box.ShowAbout(QIcon(), QString());
        QCOMPARE(f.system.openedUrls, QList<QUrl>{QUrl(maker::Home)});
    }

    void webButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("address");
        QTest::newRow("Check for Updates") << "cmdCheckUpdate" << VersionCheck;
        QTest::newRow("Brackwel's Web") << "cmdBrackwel" << maker::Home;
        QTest::newRow("Pellux's Web") << "cmdOtherApps" << maker::PelluxPage;
        QTest::newRow("OK!") << "cmdAbout_OK" << QString();
    }

    void webButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, address);
        TrayProgramFixture f;
        f.start();
        bool closed = false;
        withAbout(f, [&](frmAbout &a) {
            a.findChild<QPushButton *>(button)->click();
            closed = !a.isVisible() && a.result() == QDialog::Accepted;
        });
        QVERIFY(closed);
        if (address.isEmpty()) {
            QVERIFY(f.system.openedUrls.isEmpty());
        } else {
            QCOMPARE(f.system.openedUrls.size(), 1);
            QCOMPARE(f.system.openedUrls.first().toString(), address);
        }
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
#include "panel/moc_FakeTrayControl.cpp"
