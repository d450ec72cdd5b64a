#include "platform/frmSelectPrinter.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace pellux {

namespace {

/// The number the text starts with (its leading digits), held to 0 ... MaxCopies.
int leadingNumber(const QString &text)
{
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > frmSelectPrinter::MaxCopies)
            return frmSelectPrinter::MaxCopies;
    }
    return value;
}

} // namespace

frmSelectPrinter::frmSelectPrinter(const QStringList &printers, const QString &defaultPrinter, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSelectPrinter"));
    setWindowTitle(QStringLiteral("Select A Printer"));
    setModal(true);

    cmbPrinters = new QComboBox(this);
    cmbPrinters->setObjectName(QStringLiteral("cmbPrinters"));
    cmbPrinters->setEditable(false);
    cmbPrinters->addItems(printers);
    cmbPrinters->setCurrentIndex(preselectedIndex(printers, defaultPrinter));
    cmbPrinters->setMinimumContentsLength(24);
    cmbPrinters->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    Label1 = new QLabel(QStringLiteral("Copies:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtCopies = new QLineEdit(QStringLiteral("1"), this);
    txtCopies->setObjectName(QStringLiteral("txtCopies"));
    txtCopies->setMaximumWidth(txtCopies->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    txtCopies->installEventFilter(this);
    Label1->setBuddy(txtCopies);

    // The spinner beside the box: two small arrow buttons that step the number.
    UpDown1 = new QWidget(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    auto *arrows = new QVBoxLayout(UpDown1);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    UpDown1Up = new QToolButton(UpDown1);
    UpDown1Up->setObjectName(QStringLiteral("UpDown1Up"));
    UpDown1Up->setArrowType(Qt::UpArrow);
    UpDown1Up->setAutoRepeat(true);
    UpDown1Down = new QToolButton(UpDown1);
    UpDown1Down->setObjectName(QStringLiteral("UpDown1Down"));
    UpDown1Down->setArrowType(Qt::DownArrow);
    UpDown1Down->setAutoRepeat(true);
    for (QToolButton *b : {UpDown1Up, UpDown1Down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        arrows->addWidget(b);
    }

    cmdPrint = new QPushButton(QStringLiteral("&Print"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setDefault(true);
    cmdPrint->setAutoDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto *copiesRow = new QHBoxLayout;
    copiesRow->addWidget(Label1);
    copiesRow->addWidget(txtCopies);
    copiesRow->addWidget(UpDown1);
    copiesRow->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cmbPrinters);
    layout->addLayout(copiesRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(txtCopies, &QLineEdit::textChanged, this, &frmSelectPrinter::txtCopies_Change);
    connect(UpDown1Up, &QToolButton::clicked, this, [this] { stepCopies(1); });
    connect(UpDown1Down, &QToolButton::clicked, this, [this] { stepCopies(-1); });
    connect(cmdPrint, &QPushButton::clicked, this, &frmSelectPrinter::cmdPrint_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelectPrinter::cmdCancel_Click);
    // Esc and closing by the window manager cancel.
    connect(this, &QDialog::rejected, this, [this] { m_choice = PrinterChoice{}; });

    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    cmbPrinters->setFocus();
}

int frmSelectPrinter::preselectedIndex(const QStringList &printers, const QString &defaultPrinter)
{
    const int last = int(printers.lastIndexOf(defaultPrinter));
    return last >= 0 ? last : (printers.isEmpty() ? -1 : 0);
}

QString frmSelectPrinter::copiesText(const QString &typed)
{
    return QString::number(qMax(1, leadingNumber(typed)));
}

PrinterChoice frmSelectPrinter::GO()
{
    m_choice = PrinterChoice{};
    exec();
    return m_choice;
}

void frmSelectPrinter::txtCopies_Change()
{
    if (m_adjusting)
        return;
    const QString wanted = copiesText(txtCopies->text());
    if (wanted == txtCopies->text())
        return;
    m_adjusting = true;
    txtCopies->setText(wanted);
    m_adjusting = false;
}

void frmSelectPrinter::stepCopies(int delta)
{
    // The change rule keeps the result at 1 or more.
    txtCopies->setText(QString::number(leadingNumber(txtCopies->text()) + delta));
}

bool frmSelectPrinter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtCopies && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up)
            stepCopies(1);
        else if (key->key() == Qt::Key_Down)
            stepCopies(-1);
    }
    return QDialog::eventFilter(watched, event);
}

void frmSelectPrinter::cmdPrint_Click()
{
    m_choice.copies = qMax(1, leadingNumber(txtCopies->text()));
    m_choice.printerIndex = cmbPrinters->currentIndex();
    done(QDialog::Accepted);
}

void frmSelectPrinter::cmdCancel_Click()
{
    m_choice = PrinterChoice{};
    done(QDialog::Rejected);
}

} // namespace pellux
