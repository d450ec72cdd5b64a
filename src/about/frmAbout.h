#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class QFrame;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pellux {

class Program;

/**
 * "About Pellux": the product, its version line, the maker's contact entries and
 * three web actions (check for a newer version, the maker's page, the product's
 * page), each of which opens the browser and closes the box.
 */
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(Program &program, QWidget *parent = nullptr);
    ~frmAbout() override;

    QLabel *Picture1;
    QLabel *Picture2;
    QLabel *Picture3;
    QLabel *Picture4;
    QFrame *Line1;
    QFrame *Line2;
    QFrame *Line3;
    QLabel *ProgDisp;
    QLabel *VerDisp;
    QPlainTextEdit *txtInfo;
    QPushButton *cmdAbout_OK;
    QPushButton *cmdCheckUpdate;
    QPushButton *cmdBrackwel;
    QPushButton *cmdOtherApps;

    /**
     * Prepares the box for \a productPage (empty: no product button, one tall maker
     * button instead) and shows it modally through the prompts.
     */
    void ShowAbout(const QIcon &icon, const QString &productPage);
    /// Opens the version-check page in the browser and closes the box.
    void CheckForUpdates();

    QString productPage() const { return m_productPage; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openAndClose(const QString &address);
    void centrePicture3();

    Program &m_program;
    QWidget *m_header;
    QGridLayout *m_buttons;
    QString m_productPage;
};

} // namespace pellux
