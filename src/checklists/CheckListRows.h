#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

class QToolButton;

namespace pellux {

class CheckListProt;

/// The one-line text field of a row. Keys, focus and mouse releases go to the window with the row number.
class CheckItemText : public QLineEdit
{
    Q_OBJECT

public:
    CheckItemText(CheckListProt &owner, int row, QWidget *parent);
    int row() const { return m_row; }

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    CheckListProt &m_owner;
    int m_row;
};

/// The check box of a row.
class CheckItemBox : public QCheckBox
{
    Q_OBJECT

public:
    CheckItemBox(CheckListProt &owner, int row, QWidget *parent);
    int row() const { return m_row; }

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    CheckListProt &m_owner;
    int m_row;
};

/// The rule under a row's text, drawn in the note's text colour.
class CheckItemRule : public QWidget
{
    Q_OBJECT

public:
    explicit CheckItemRule(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// The small two-arrow spin control kept level with the current row.
class CheckListUpDown : public QWidget
{
    Q_OBJECT

public:
    explicit CheckListUpDown(QWidget *parent);
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void upClicked();
    void downClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
};

} // namespace pellux
