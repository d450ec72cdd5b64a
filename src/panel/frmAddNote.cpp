#include "panel/frmAddNote.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "platform/ScreenMetrics.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace pellux {

frmAddNote::frmAddNote(Program &program, QWidget *parent)
    : QDialog(parent)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmAddNote"));
    setWindowTitle(QStringLiteral("Select A Note Type"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    cmdAddNote = new QPushButton(QStringLiteral("Add A Note"), this);
    cmdAddNote->setObjectName(QStringLiteral("cmdAddNote"));
    cmdAddCheckList = new QPushButton(QStringLiteral("Add A Check List"), this);
    cmdAddCheckList->setObjectName(QStringLiteral("cmdAddCheckList"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    // Enter goes to "Add A Note" unless the user has moved the focus to another button.
    cmdAddNote->setDefault(true);
    cmdAddNote->setFocus();

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(cmdAddNote);
    layout->addWidget(cmdAddCheckList);
    layout->addWidget(cmdCancel);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdAddNote, &QPushButton::clicked, this, &frmAddNote::cmdAddNote_Click);
    connect(cmdAddCheckList, &QPushButton::clicked, this, &frmAddNote::cmdAddCheckList_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddNote::cmdCancel_Click);

    centreOnScreen();
}

frmAddNote::~frmAddNote() = default;

void frmAddNote::centreOnScreen()
{
    adjustSize();
    const ScreenMetrics &screen = m_program.screen();
    const int tx = screen.twipsPerPixelX();
    const int ty = screen.twipsPerPixelY();
    const int screenW = screen.screenWidthTwips() / tx;
    const int screenH = screen.screenHeightTwips() / ty;
    // Placed before it is first shown, so the dialog is not re-centred over the panel.
    move(qMax(0, (screenW - width()) / 2), qMax(0, (screenH - height()) / 2));
}

void frmAddNote::cmdAddNote_Click()
{
    if (m_done)
        return;
    m_done = true;
    // The title prompt of the new note must not appear behind the chooser.
    hide();
    QString title;
    m_program.hub().NewNote(NoteKind::TextNote, title);
    close();
}

void frmAddNote::cmdAddCheckList_Click()
{
    if (m_done)
        return;
    m_done = true;
    hide();
    QString title;
    m_program.hub().NewNote(NoteKind::CheckList, title);
    close();
}

void frmAddNote::cmdCancel_Click()
{
    m_done = true;
    close();
}

void frmAddNote::reject()
{
    m_done = true;
    QDialog::reject();
    close();
}

} // namespace pellux
