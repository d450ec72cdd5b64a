#pragma once

#include <QDialog>

class QPushButton;

namespace pellux {

class Program;

/**
 * The chooser behind the panel's "&Add Note": a text note or a check list.
 * Modeless; it hides itself before the new note's own dialogs come up and
 * unloads itself (deletes on close) after any of its buttons.
 */
class frmAddNote : public QDialog
{
    Q_OBJECT

public:
    explicit frmAddNote(Program &program, QWidget *parent = nullptr);
    ~frmAddNote() override;

    QPushButton *cmdAddNote = nullptr;
    QPushButton *cmdAddCheckList = nullptr;
    QPushButton *cmdCancel = nullptr;

    void cmdAddNote_Click();
    void cmdAddCheckList_Click();
    void cmdCancel_Click();

    /// Escape and the close box come here: nothing is created.
    void reject() override;

private:
    void centreOnScreen();

    Program &m_program;
    bool m_done = false;
};

} // namespace pellux
