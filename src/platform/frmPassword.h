#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pellux {

/**
 * The password dialog: a new note password (typed twice), the password of a hidden
 * protected note, or the SMTP password when a mail is sent. One dialog per request:
 * its result starts empty each time.
 *
 * The two entries are compared ignoring letter case, but the password is the first
 * entry exactly as typed. Typing the cancel marker itself counts as cancelling.
 */
class frmPassword : public QDialog
{
    Q_OBJECT

public:
    /// What the result holds after "Cancel" (or Esc).
    static inline const QString CancelMarker = QStringLiteral("-1Abort");
    /// The note password's length limit (in characters; which characters is not checked).
    static constexpr int NotePasswordLength = 12;
    /// GetPassword's mode for the SMTP password: no length limit, no hint, "SMTP Password".
    static constexpr qint16 SmtpMode = 2;

    explicit frmPassword(QWidget *parent = nullptr);
    ~frmPassword() override;

    QLabel *Label1 = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtVerify = nullptr;
    QLabel *Label3 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    /// Empty while the dialog is open; the first entry after "Ok", the marker after "Cancel".
    QString result() const { return m_result; }

    /// Asks for a new password, typed twice; empty when cancelled.
    static QString SetPassword(QWidget *parent = nullptr);
    /// Asks for a password once (\a PWMode 0: a note's; SmtpMode: the SMTP one); empty when cancelled.
    static QString GetPassword(qint16 PWMode, QWidget *parent = nullptr);

    /// The first steps of SetPassword and GetPassword, before the dialog is shown.
    void showVerify();
    void applyMode(qint16 PWMode);

    /// The result as the operations hand it on: the cancel marker becomes empty.
    static QString answerOf(const QString &result);

    void reject() override;

private:
    void txtPassword_Change();
    void txtVerify_Change();
    void cmdOK_Click();
    void cmdCancel_Click();
    void arrange();
    void centreOnScreen();
    QString runModal();

    QString m_result;
    bool m_smtp = false;
};

} // namespace pellux
