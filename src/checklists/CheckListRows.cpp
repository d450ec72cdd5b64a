#include "checklists/CheckListRows.h"

#include "checklists/CheckListProt.h"

#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>

#include <limits>

namespace pellux {

// ---- text field ------------------------------------------------------------------

CheckItemText::CheckItemText(CheckListProt &owner, int row, QWidget *parent)
    : QLineEdit(parent)
    , m_owner(owner)
    , m_row(row)
{
    setFrame(false);
    // A line edit keeps 32767 characters unless told otherwise; a stored row may be
    // longer and must come back whole.
    setMaxLength(std::numeric_limits<int>::max());
    setObjectName(QStringLiteral("txtItem%1").arg(row));
}

bool CheckItemText::event(QEvent *event)
{
    // A line edit claims Ctrl+A, Ctrl+E, Ctrl+B and friends for itself; the
    // window's commands on those keys come first, as they do in the menus.
    if (event->type() == QEvent::ShortcutOverride && m_owner.isCommandShortcut(static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void CheckItemText::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    m_owner.txtItem_GotFocus(m_row);
}

void CheckItemText::keyPressEvent(QKeyEvent *event)
{
    if (m_owner.txtItem_KeyDown(m_row, event))
        event->accept();
    else
        QLineEdit::keyPressEvent(event);
    m_owner.CheckClipboard();
}

void CheckItemText::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    m_owner.CheckClipboard();
}

// ---- check box -------------------------------------------------------------------

CheckItemBox::CheckItemBox(CheckListProt &owner, int row, QWidget *parent)
    : QCheckBox(parent)
    , m_owner(owner)
    , m_row(row)
{
    setObjectName(QStringLiteral("chkItem%1").arg(row));
    setAutoFillBackground(true);
}

bool CheckItemBox::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_owner.isCommandShortcut(static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    return QCheckBox::event(event);
}

void CheckItemBox::focusInEvent(QFocusEvent *event)
{
    QCheckBox::focusInEvent(event);
    m_owner.chkItem_GotFocus(m_row);
}

// ---- rule ------------------------------------------------------------------------

CheckItemRule::CheckItemRule(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void CheckItemRule::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::WindowText));
}

// ---- spin control --------------------------------------------------------------

CheckListUpDown::CheckListUpDown(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("UpDown1"));
    setFocusPolicy(Qt::NoFocus);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setFocusPolicy(Qt::NoFocus);
    m_up->setAutoRaise(true);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setFocusPolicy(Qt::NoFocus);
    m_down->setAutoRaise(true);
    connect(m_up, &QToolButton::clicked, this, &CheckListUpDown::upClicked);
    connect(m_down, &QToolButton::clicked, this, &CheckListUpDown::downClicked);
}

void CheckListUpDown::resizeEvent(QResizeEvent *)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

} // namespace pellux
