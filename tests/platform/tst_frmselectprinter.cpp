#include "platform/frmSelectPrinter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace pellux;

class TestSelectPrinter : public QObject
{
    Q_OBJECT

private slots:
    void looks()
    {
        frmSelectPrinter dlg({"Office", "Basement"}, "Basement");
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Select A Printer"));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dlg.cmbPrinters->isEditable(), false);
        QCOMPARE(dlg.cmbPrinters->count(), 2);
        QCOMPARE(dlg.cmbPrinters->itemText(0), QStringLiteral("Office"));
        QCOMPARE(dlg.Label1->text(), QStringLiteral("Copies:"));
        QCOMPARE(dlg.txtCopies->text(), QStringLiteral("1"));
        QCOMPARE(dlg.cmdPrint->text(), QStringLiteral("&Print"));
        QVERIFY(dlg.cmdPrint->isDefault());
        QCOMPARE(dlg.cmdCancel->text(), QStringLiteral("&Cancel"));
        QCOMPARE(dlg.choice().printerIndex, -1);
    }

    void preselection_data()
    {
        QTest::addColumn<QStringList>("printers");
        QTest::addColumn<QString>("defaultPrinter");
        QTest::addColumn<int>("selected");
        QTest::newRow("the default printer") << QStringList{"A", "B", "C"} << "B" << 1;
        QTest::newRow("no printer is the default: the first") << QStringList{"A", "B"} << "Z" << 0;
        QTest::newRow("no default at all: the first") << QStringList{"A", "B"} << "" << 0;
        QTest::newRow("the name twice: the last of them") << QStringList{"A", "B", "A", "C"} << "A" << 2;
        QTest::newRow("names compare exactly") << QStringList{"office", "Office"} << "Office" << 1;
        QTest::newRow("only the PDF entry") << QStringList{"Print to PDF file..."} << "" << 0;
    }
    void preselection()
    {
        QFETCH(QStringList, printers);
        QFETCH(QString, defaultPrinter);
        QFETCH(int, selected);
        frmSelectPrinter dlg(printers, defaultPrinter);
        QCOMPARE(dlg.cmbPrinters->currentIndex(), selected);
        dlg.cmdPrint->click();
        QCOMPARE(dlg.choice().printerIndex, selected);
    }

    void copiesRule_data()
    {
        QTest::addColumn<bool>("pasted");       // true: the text arrives at once; false: typed key by key
        QTest::addColumn<QString>("input");     // replaces everything in the box
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("copies");
        QTest::newRow("typed: a number stays") << false << "3" << "3" << 3;
        QTest::newRow("typed: 0 becomes 1") << false << "0" << "1" << 1;
        QTest::newRow("typed: no digits become 1") << false << "x" << "1" << 1;
        QTest::newRow("typed: letters after the digits go") << false << "12ab" << "12" << 12;
        QTest::newRow("typed: each key is ruled as it comes") << false << "007" << "107" << 107;
        QTest::newRow("typed: more than the count holds stops there") << false << "99999" << "32767" << 32767;
        QTest::newRow("pasted: leading zeros go") << true << "007" << "7" << 7;
        QTest::newRow("pasted: the leading number") << true << "2.5 copies" << "2" << 2;
        QTest::newRow("pasted: a blank first is no digit") << true << " 7" << "1" << 1;
        QTest::newRow("pasted: a sign is no digit") << true << "-5" << "1" << 1;
        QTest::newRow("emptied") << true << "" << "1" << 1;
        QTest::newRow("pasted: far too many digits") << true << "123456789012345678901" << "32767" << 32767;
    }
    void copiesRule()
    {
        QFETCH(bool, pasted);
        QFETCH(QString, input);
        QFETCH(QString, shown);
        QFETCH(int, copies);
        frmSelectPrinter dlg({"A"}, "A");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.txtCopies->setFocus();
        if (pasted) {
            dlg.txtCopies->setText(input);
        } else {
            dlg.txtCopies->selectAll();
            QTest::keyClicks(dlg.txtCopies, input);
        }
        QCOMPARE(dlg.txtCopies->text(), shown);
        dlg.cmdPrint->click();
        QCOMPARE(dlg.choice().copies, copies);
        QCOMPARE(dlg.choice().printerIndex, 0);
    }

    void emptiedBoxShowsOne()
    {
        frmSelectPrinter dlg({"A"}, "A");
        dlg.txtCopies->setText(QStringLiteral("25"));
        QTest::keyClick(dlg.txtCopies, Qt::Key_End);
        QTest::keyClick(dlg.txtCopies, Qt::Key_Backspace);
        QCOMPARE(dlg.txtCopies->text(), QStringLiteral("2"));
        QTest::keyClick(dlg.txtCopies, Qt::Key_Backspace);
        QCOMPARE(dlg.txtCopies->text(), QStringLiteral("1"));
    }

    void stepping_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("how");       // "key" or "spinner"
        QTest::addColumn<int>("delta");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Up arrow") << "4" << "key" << 1 << "5";
        QTest::newRow("Down arrow") << "4" << "key" << -1 << "3";
        QTest::newRow("Down arrow at 1 stays 1") << "1" << "key" << -1 << "1";
        QTest::newRow("spinner up") << "9" << "spinner" << 1 << "10";
        QTest::newRow("spinner down") << "2" << "spinner" << -1 << "1";
        QTest::newRow("spinner down at 1 stays 1") << "1" << "spinner" << -1 << "1";
        QTest::newRow("spinner up at the top stays there") << "32767" << "spinner" << 1 << "32767";
    }
    void stepping()
    {
        QFETCH(QString, start);
        QFETCH(QString, how);
        QFETCH(int, delta);
        QFETCH(QString, shown);
        frmSelectPrinter dlg({"A"}, "A");
        dlg.txtCopies->setText(start);
        if (how == QLatin1String("key")) {
            // The step comes on the key's release, as the box's key handler does it.
            const Qt::Key key = delta > 0 ? Qt::Key_Up : Qt::Key_Down;
            QTest::keyPress(dlg.txtCopies, key);
            QCOMPARE(dlg.txtCopies->text(), start);
            QTest::keyRelease(dlg.txtCopies, key);
        } else {
            (delta > 0 ? dlg.UpDown1Up : dlg.UpDown1Down)->click();
        }
        QCOMPARE(dlg.txtCopies->text(), shown);
    }

    void printAndCancel_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("copies");
        QTest::newRow("Print") << "print" << 1 << 2;
        QTest::newRow("Cancel") << "cancel" << -1 << 1;
        QTest::newRow("Esc") << "escape" << -1 << 1;
        QTest::newRow("Enter prints") << "enter" << 1 << 2;
    }
    void printAndCancel()
    {
        QFETCH(QString, action);
        QFETCH(int, index);
        QFETCH(int, copies);
        frmSelectPrinter dlg({"A", "B"}, "A");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.cmbPrinters->setCurrentIndex(1);
        dlg.txtCopies->setText(QStringLiteral("2"));
        if (action == QLatin1String("print"))
            dlg.cmdPrint->click();
        else if (action == QLatin1String("cancel"))
            dlg.cmdCancel->click();
        else
            QTest::keyClick(dlg.txtCopies, action == QLatin1String("escape") ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.choice().printerIndex, index);
        QCOMPARE(dlg.choice().copies, copies);
    }
};

QTEST_MAIN(TestSelectPrinter)
#include "tst_frmselectprinter.moc"
