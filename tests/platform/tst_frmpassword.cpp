// The password dialog itself: its words, the confirm-button rule, the length limit,
// the SMTP variant, and what its two operations hand back when the user types into
// the real dialog while it runs modally (also as the production prompts show it).
#include "platform/QtPrompts.h"
#include "platform/frmPassword.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace pellux;

namespace {

enum class Op { SetPassword, GetNote, GetSmtp };

/// How a test ends the dialog after typing.
enum class End { Ok, Enter, Cancel, Escape };

/**
 * Runs \a act on the password dialog from inside its modal loop, once it is up. If
 * the act leaves the dialog open, it is cancelled, so a failing test never hangs.
 */
void whenDialogUp(const std::function<void(frmPassword &)> &act)
{
    // Polls for the dialog; the timer deletes itself once it has found it or given up.
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, triesLeft = 500]() mutable {
        auto *dlg = qobject_cast<frmPassword *>(QApplication::activeModalWidget());
        if (!dlg) {
            if (--triesLeft <= 0) {
                poll->stop();
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        QPointer<frmPassword> guard(dlg);
        act(*dlg);
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start();
}

void finish(frmPassword &dlg, End end)
{
    switch (end) {
    case End::Ok: QTest::mouseClick(dlg.cmdOK, Qt::LeftButton); break;
    case End::Enter: QTest::keyClick(dlg.txtPassword, Qt::Key_Return); break;
    case End::Cancel: QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton); break;
    case End::Escape: QTest::keyClick(dlg.txtPassword, Qt::Key_Escape); break;
    }
}

QString run(Op op)
{
    switch (op) {
    case Op::SetPassword: return frmPassword::SetPassword();
    case Op::GetNote: return frmPassword::GetPassword(0);
    case Op::GetSmtp: return frmPassword::GetPassword(frmPassword::SmtpMode);
    }
    return QString();
}

/// A dialog made ready the way an operation makes it, shown but not run modally.
std::unique_ptr<frmPassword> prepared(Op op)
{
    auto dlg = std::make_unique<frmPassword>();
    if (op == Op::SetPassword)
        dlg->showVerify();
    else
        dlg->applyMode(op == Op::GetSmtp ? frmPassword::SmtpMode : qint16(0));
    dlg->show();
    return dlg;
}

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(End)

class TestFrmPassword : public QObject
{
    Q_OBJECT

private slots:
    void noteVariantWords()
    {
        const auto dlg = prepared(Op::SetPassword);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Password"));
        QCOMPARE(dlg->Label1->text(), QStringLiteral("Input Password:"));
        QCOMPARE(dlg->Label2->text(), QStringLiteral("Repeat Password:"));
        QCOMPARE(dlg->Label3->text(), QStringLiteral("Passwords Are Limited To 12 Letters and/or Digits."));
        QCOMPARE(dlg->cmdOK->text(), QStringLiteral("Ok"));
        QCOMPARE(dlg->cmdCancel->text(), QStringLiteral("Cancel"));
        QVERIFY(dlg->cmdOK->isDefault());
        QVERIFY(!dlg->cmdOK->isEnabled());
        for (QLineEdit *box : {dlg->txtPassword, dlg->txtVerify}) {
            QCOMPARE(box->echoMode(), QLineEdit::Password);
            QVERIFY(box->isVisible());
        }
        QVERIFY(dlg->Label3->isVisible());
        // The hint sits below the buttons, inside the dialog.
        QVERIFY(dlg->Label3->geometry().top() > dlg->cmdOK->geometry().bottom());
        QVERIFY(dlg->Label3->geometry().bottom() < dlg->height());
        QVERIFY(dlg->result().isEmpty());
        // A fixed frame without a close box.
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
        QVERIFY(!dlg->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    }

    void getPasswordHasNoRepeatBox()
    {
        const auto dlg = prepared(Op::GetNote);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Password"));
        QVERIFY(!dlg->Label2->isVisible());
        QVERIFY(!dlg->txtVerify->isVisible());
        QVERIFY(dlg->Label3->isVisible());
    }

    void smtpVariantEndsBelowItsButtons()
    {
        const auto dlg = prepared(Op::GetSmtp);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("SMTP Password"));
        QCOMPARE(dlg->Label1->text(), QStringLiteral("Input Password:"));
        QVERIFY(!dlg->Label3->isVisible());
        QVERIFY(!dlg->txtVerify->isVisible());
        QCOMPARE(dlg->height(), dlg->cmdOK->geometry().bottom() + 1 + 4);
        QCOMPARE(dlg->cmdCancel->geometry().bottom(), dlg->cmdOK->geometry().bottom());
    }

    void confirmButtonRule_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("repeatFirst");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("new: both empty") << Op::SetPassword << "" << "" << false << false;
        QTest::newRow("new: equal") << Op::SetPassword << "Secret" << "Secret" << false << true;
        QTest::newRow("new: differ only in case") << Op::SetPassword << "Secret" << "sECRET" << false << true;
        QTest::newRow("new: differ") << Op::SetPassword << "Secret" << "Secre7" << false << false;
        QTest::newRow("new: repeat is a prefix") << Op::SetPassword << "Secret" << "Secre" << false << false;
        QTest::newRow("new: first only") << Op::SetPassword << "Secret" << "" << false << false;
        QTest::newRow("new: repeat only") << Op::SetPassword << "" << "Secret" << false << false;
        QTest::newRow("new: repeat typed first") << Op::SetPassword << "Secret" << "SECRET" << true << true;
        QTest::newRow("note: one character") << Op::GetNote << "x" << "" << false << true;
        QTest::newRow("note: empty") << Op::GetNote << "" << "" << false << false;
        QTest::newRow("smtp: one character") << Op::GetSmtp << "x" << "" << false << true;
    }

    void confirmButtonRule()
    {
        QFETCH(Op, op);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, repeatFirst);
        QFETCH(bool, enabled);
        const auto dlg = prepared(op);
        if (repeatFirst) {
            QTest::keyClicks(dlg->txtVerify, second);
            QTest::keyClicks(dlg->txtPassword, first);
        } else {
            QTest::keyClicks(dlg->txtPassword, first);
            if (op == Op::SetPassword)
                QTest::keyClicks(dlg->txtVerify, second);
        }
        QCOMPARE(dlg->cmdOK->isEnabled(), enabled);
    }

    void confirmButtonFollowsEveryChange()
    {
        const auto dlg = prepared(Op::SetPassword);
        QTest::keyClicks(dlg->txtPassword, QStringLiteral("ab"));
        QTest::keyClicks(dlg->txtVerify, QStringLiteral("AB"));
        QVERIFY(dlg->cmdOK->isEnabled());
        QTest::keyClick(dlg->txtPassword, Qt::Key_Backspace);
        QVERIFY(!dlg->cmdOK->isEnabled());
        QTest::keyClick(dlg->txtVerify, Qt::Key_Backspace);
        QVERIFY(dlg->cmdOK->isEnabled());
        dlg->txtPassword->clear();
        dlg->txtVerify->clear();
        QVERIFY(!dlg->cmdOK->isEnabled());
    }

    void lengthLimit_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("kept");
        QTest::newRow("new password: 13th character refused") << Op::SetPassword << 13 << 12;
        QTest::newRow("note password: 13th character refused") << Op::GetNote << 13 << 12;
        QTest::newRow("note password: 12 fit") << Op::GetNote << 12 << 12;
        QTest::newRow("SMTP password: any length") << Op::GetSmtp << 80 << 80;
    }

    void lengthLimit()
    {
        QFETCH(Op, op);
        QFETCH(int, typed);
        QFETCH(int, kept);
        const auto dlg = prepared(op);
        const QString text = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789").repeated(3).left(typed);
        QTest::keyClicks(dlg->txtPassword, text);
        QCOMPARE(dlg->txtPassword->text(), text.left(kept));
        if (op == Op::SetPassword) {
            QTest::keyClicks(dlg->txtVerify, text);
            QCOMPARE(dlg->txtVerify->text(), text.left(kept));
        }
    }

    void operationsHandBackWhatWasTyped_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<End>("end");
        QTest::addColumn<QString>("answer");
        QTest::newRow("new: first entry as typed") << Op::SetPassword << "Secret" << "sECRET" << End::Ok << "Secret";
        QTest::newRow("new: Enter") << Op::SetPassword << "pw" << "pw" << End::Enter << "pw";
        QTest::newRow("new: Enter while the entries differ") << Op::SetPassword << "pw" << "px" << End::Enter << "";
        QTest::newRow("new: cancelled") << Op::SetPassword << "Secret" << "Secret" << End::Cancel << "";
        QTest::newRow("new: Esc") << Op::SetPassword << "Secret" << "Secret" << End::Escape << "";
        QTest::newRow("new: the cancel marker typed") << Op::SetPassword << "-1Abort" << "-1Abort" << End::Ok << "";
        QTest::newRow("new: marker in other case is a password")
            << Op::SetPassword << "-1abort" << "-1ABORT" << End::Ok << "-1abort";
        QTest::newRow("note: Enter") << Op::GetNote << "Mixed Case" << "" << End::Enter << "Mixed Case";
        QTest::newRow("note: Enter with nothing typed") << Op::GetNote << "" << "" << End::Enter << "";
        QTest::newRow("note: cancelled") << Op::GetNote << "pw" << "" << End::Cancel << "";
        QTest::newRow("note: the cancel marker typed") << Op::GetNote << "-1Abort" << "" << End::Ok << "";
        QTest::newRow("smtp: long password") << Op::GetSmtp << QString(40, QLatin1Char('k')) << "" << End::Ok
                                             << QString(40, QLatin1Char('k'));
        QTest::newRow("smtp: Esc") << Op::GetSmtp << "pw" << "" << End::Escape << "";
    }

    void operationsHandBackWhatWasTyped()
    {
        QFETCH(Op, op);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(End, end);
        QFETCH(QString, answer);
        bool emptyWhileOpen = false;
        bool verifyShown = false;
        whenDialogUp([&](frmPassword &dlg) {
            emptyWhileOpen = dlg.result().isEmpty();
            verifyShown = dlg.txtVerify->isVisible();
            QTest::keyClicks(dlg.txtPassword, first);
            if (dlg.txtVerify->isVisible())
                QTest::keyClicks(dlg.txtVerify, second);
            finish(dlg, end);
        });
        QCOMPARE(run(op), answer);
        QVERIFY(emptyWhileOpen);
        QCOMPARE(verifyShown, op == Op::SetPassword);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void productionPromptsShowTheRightVariant_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("repeatBox");
        QTest::addColumn<int>("limit");
        QTest::newRow("new note password") << "Password" << true << 12 << "Password" << true << 12;
        QTest::newRow("a note's password") << "Password" << false << 12 << "Password" << false << 12;
        // The e-mail procedure's call for the SMTP password.
        QTest::newRow("SMTP password") << "SMTP Password" << false << 0 << "SMTP Password" << false << 32767;
    }

    void productionPromptsShowTheRightVariant()
    {
        QFETCH(QString, title);
        QFETCH(bool, confirm);
        QFETCH(int, maxLength);
        QFETCH(QString, caption);
        QFETCH(bool, repeatBox);
        QFETCH(int, limit);
        QtPrompts prompts;
        QString seenCaption;
        bool seenRepeat = false;
        int seenLimit = 0;
        bool modal = false;
        whenDialogUp([&](frmPassword &dlg) {
            seenCaption = dlg.windowTitle();
            seenRepeat = dlg.txtVerify->isVisible();
            seenLimit = dlg.txtPassword->maxLength();
            modal = prompts.modal().active();
            QTest::keyClicks(dlg.txtPassword, QStringLiteral("typed"));
            if (dlg.txtVerify->isVisible())
                QTest::keyClicks(dlg.txtVerify, QStringLiteral("TYPED"));
            QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        });
        QCOMPARE(prompts.password(title, QStringLiteral("Input Password:"), confirm, maxLength),
                 QStringLiteral("typed"));
        QCOMPARE(seenCaption, caption);
        QCOMPARE(seenRepeat, repeatBox);
        QCOMPARE(seenLimit, limit);
        QVERIFY(modal);
        QVERIFY(!prompts.modal().active());
    }
};

QTEST_MAIN(TestFrmPassword)
#include "tst_frmpassword.moc"
