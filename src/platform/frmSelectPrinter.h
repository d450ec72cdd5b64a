#pragma once

#include "platform/Prompts.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace pellux {

/**
 * "Select A Printer": the printer to print on and the number of copies. The entry
 * named like the default printer is preselected (the last one if several are), the
 * first entry when none is. The copies box keeps a whole number of 1 or more while
 * it is typed in: whatever is typed is cut back to the number it starts with.
 */
class frmSelectPrinter : public QDialog
{
    Q_OBJECT

public:
    frmSelectPrinter(const QStringList &printers, const QString &defaultPrinter, QWidget *parent = nullptr);

    /// Shows the dialog modally; the choice once it is closed.
    PrinterChoice GO();
    /// What "&Print" or "&Cancel" left (cancelled until one of them is pressed).
    PrinterChoice choice() const { return m_choice; }

    /// The entry preselected for \a printers when the default printer is \a defaultPrinter.
    static int preselectedIndex(const QStringList &printers, const QString &defaultPrinter);
    /// The copies box's text after \a typed was typed into it.
    static QString copiesText(const QString &typed);

    QComboBox *cmbPrinters = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtCopies = nullptr;
    QWidget *UpDown1 = nullptr;
    QToolButton *UpDown1Up = nullptr;
    QToolButton *UpDown1Down = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdCancel = nullptr;

    /// The most copies one print may ask for (the count is a 16-bit number).
    static constexpr int MaxCopies = 32767;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void txtCopies_Change();
    void stepCopies(int delta);
    void cmdPrint_Click();
    void cmdCancel_Click();

    PrinterChoice m_choice;
    bool m_adjusting = false;
};

} // namespace pellux
