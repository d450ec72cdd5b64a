#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include <functional>

class QFrame;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace halotray {

/**
 * The maker's About box, the control's own copy. Everything that leaves the box
 * (opening an address, running it modally) goes through replaceable hooks so that a
 * test can look at it and press its buttons without a browser or a nested loop.
 */
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    using OpenAddress = std::function<void(const QString &address)>;
    using ShowModal = std::function<void(frmAbout &box)>;

    explicit frmAbout(QWidget *parent = nullptr);

    /// Empty hooks mean the desktop's browser and QDialog::exec().
    void setOpenAddress(OpenAddress open) { m_openAddress = std::move(open); }
    void setShowModal(ShowModal show) { m_showModal = std::move(show); }

    /// Prepares the box for \a productPage (may be empty) and shows it modally.
    void ShowAbout(const QIcon &icon, const QString &productPage);
    void CheckForUpdates();

    QString productPage() const { return m_productPage; }

    static QString versionLine();
    static QString updateAddress();
    static QIcon ownIcon();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openAndClose(const QString &address);
    void centrePicture3();

    QLabel *Picture1;
    QLabel *Picture2;
    QLabel *Picture3;
    QLabel *Picture4;
    QFrame *Line1;
    QFrame *Line2;
    QFrame *Line3;
    QWidget *m_header;
    QLabel *ProgDisp;
    QLabel *VerDisp;
    QPlainTextEdit *txtInfo;
    QGridLayout *m_buttons;
    QPushButton *cmdAbout_OK;
    QPushButton *cmdCheckUpdate;
    QPushButton *cmdBrackwel;
    QPushButton *cmdOtherApps;

    QString m_productPage;
    OpenAddress m_openAddress;
    ShowModal m_showModal;
};

} // namespace halotray
