#include "platform/frmPassword.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace pellux {

namespace {

constexpr int Margin = 8;
constexpr int FieldWidth = 224;
constexpr int Gap = 6;

QLineEdit *passwordBox(QWidget *parent, const char *name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(frmPassword::NotePasswordLength);
    // Typed characters show as "*", whatever the style's own mask character is.
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    return box;
}

QLabel *label(QWidget *parent, const QString &text, const char *name)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

frmPassword::frmPassword(QWidget *parent)
    // A fixed frame with a title and no close box; a tool window stays out of the taskbar.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral("Password"));
    setModal(true);
    Label1 = label(this, QStringLiteral("Input Password:"), "Label1");
    txtPassword = passwordBox(this, "txtPassword");
    Label2 = label(this, QStringLiteral("Repeat Password:"), "Label2");
    txtVerify = passwordBox(this, "txtVerify");
    Label3 = label(this, QStringLiteral("Passwords Are Limited To 12 Letters and/or Digits."), "Label3");
    Label3->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    Label1->setBuddy(txtPassword);
    Label2->setBuddy(txtVerify);
    Label2->hide();
    txtVerify->hide();

    connect(txtPassword, &QLineEdit::textChanged, this, &frmPassword::txtPassword_Change);
    connect(txtVerify, &QLineEdit::textChanged, this, &frmPassword::txtVerify_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmPassword::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPassword::cmdCancel_Click);
    arrange();
    centreOnScreen();
}

frmPassword::~frmPassword() = default;

void frmPassword::showVerify()
{
    Label2->show();
    txtVerify->show();
    arrange();
    centreOnScreen();
}

void frmPassword::applyMode(qint16 PWMode)
{
    if (PWMode != SmtpMode)
        return;
    m_smtp = true;
    Label3->hide();
    // An SMTP password is the server's, of any length.
    txtPassword->setMaxLength(32767);
    setWindowTitle(QStringLiteral("SMTP ") + windowTitle());
    arrange();
    centreOnScreen();
}

void frmPassword::arrange()
{
    const int width = FieldWidth;
    int y = Margin;
    auto place = [&](QWidget *w, int spaceAfter) {
        const int h = w->sizeHint().height();
        w->setGeometry(Margin, y, width, h);
        y += h + spaceAfter;
    };
    place(Label1, 2);
    place(txtPassword, Gap);
    if (txtVerify->isVisibleTo(this)) {
        place(Label2, 2);
        place(txtVerify, Gap);
    }
    y += 2;
    const int bh = qMax(cmdOK->sizeHint().height(), cmdCancel->sizeHint().height());
    const int bw = qMax(75, qMax(cmdOK->sizeHint().width(), cmdCancel->sizeHint().width()));
    cmdCancel->setGeometry(Margin + width - bw, y, bw, bh);
    cmdOK->setGeometry(Margin + width - 2 * bw - Gap, y, bw, bh);
    y += bh;
    int height = 0;
    if (m_smtp || !Label3->isVisibleTo(this)) {
        // The dialog ends just below its buttons.
        height = cmdOK->geometry().bottom() + 1 + 4;
    } else {
        y += Gap;
        const int h = Label3->heightForWidth(width);
        Label3->setGeometry(Margin, y, width, h > 0 ? h : Label3->sizeHint().height());
        height = Label3->geometry().bottom() + 1 + Margin;
    }
    setFixedSize(width + 2 * Margin, height);
}

void frmPassword::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void frmPassword::txtPassword_Change()
{
    if (txtVerify->isVisibleTo(this))
        txtVerify_Change();
    else
        cmdOK->setEnabled(!txtPassword->text().isEmpty());
}

void frmPassword::txtVerify_Change()
{
    const QString first = txtPassword->text();
    cmdOK->setEnabled(!first.isEmpty() && first.compare(txtVerify->text(), Qt::CaseInsensitive) == 0);
}

void frmPassword::cmdOK_Click()
{
    // Enter reaches the default button even while it is disabled in some styles.
    if (!cmdOK->isEnabled())
        return;
    m_result = txtPassword->text();
    accept();
}

void frmPassword::cmdCancel_Click()
{
    m_result = CancelMarker;
    QDialog::reject();
}

void frmPassword::reject()
{
    // Esc, and a close asked for by the desktop, are "Cancel".
    cmdCancel_Click();
}

QString frmPassword::answerOf(const QString &result)
{
    return result == CancelMarker ? QString() : result;
}

QString frmPassword::runModal()
{
    txtPassword->setFocus();
    exec();
    const QString answer = answerOf(m_result);
    // The typed text is not kept in the dialog's boxes any longer than needed.
    txtPassword->clear();
    txtVerify->clear();
    m_result.clear();
    return answer;
}

QString frmPassword::SetPassword(QWidget *parent)
{
    frmPassword dlg(parent);
    dlg.showVerify();
    return dlg.runModal();
}

QString frmPassword::GetPassword(qint16 PWMode, QWidget *parent)
{
    frmPassword dlg(parent);
    dlg.applyMode(PWMode);
    return dlg.runModal();
}

} // namespace pellux
