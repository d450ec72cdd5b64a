#include "checklists/CheckListProt.h"

#include "core/app/Program.h"
#include "panel/NCP.h"

#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

namespace pellux {

CheckListProt::CheckListProt(Program &program)
    : NoteWindow(program)
{
    m_rows = new QListWidget(this);
    setClientWidget(m_rows);
    QMenu *opts = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuHide = opts->addAction(QStringLiteral("&Hide"));
    mnuOnTop = opts->addAction(QStringLiteral("&Always On Top"));
    mnuOnTop->setCheckable(true);
    mnuRollUp = opts->addAction(QStringLiteral("&Roll Up When Not In Use"));
    mnuRollUp->setCheckable(true);
    mnuAlarmSet = opts->addAction(QStringLiteral("A&larm..."));
    mnuAlarmSet->setCheckable(true);
    mnuAlarmSet->setEnabled(false);
    mnuPassword = opts->addAction(QStringLiteral("&Password Protect..."));
    mnuPassword->setCheckable(true);
    mnuPassword->setVisible(false);
    mnuPassword->setEnabled(false);
    mnuReTitle = opts->addAction(QStringLiteral("Re&Title Note"));
    connect(mnuHide, &QAction::triggered, this, &NoteWindow::HideNote);
    UpdateSettings();
    placeAtLoad(3570, 945);
}

CheckListProt::~CheckListProt() = default;

void CheckListProt::UpdateSettings()
{
    setNoteStyle(m_program.ncp().sampleStyle());
}

void CheckListProt::NoteUnroll()
{
    if (!mnuRollUp->isChecked() || NoteHeight == 0)
        return;
    NoteRolled = false;
    setHeight(NoteHeight);
}

void CheckListProt::NoteRoll()
{
    if (!mnuRollUp->isChecked())
        return;
    NoteRolled = true;
    const int h = Height();
    setHeightAllowingRollUp(0);
    if (Height() != h)
        NoteHeight = h;
}

void CheckListProt::CheckClipboard() {}

void CheckListProt::UpdateMenus() {}

NoteStyle CheckListProt::noteStyle() const
{
    return m_style;
}

void CheckListProt::setNoteStyle(const NoteStyle &style)
{
    m_style = style;
}

void CheckListProt::fillStoredData(StoredNote &note) const
{
    note.rows.clear();
    for (int i = 0; i < m_rows->count(); ++i)
        note.rows.append(CheckRow{m_rows->item(i)->checkState() == Qt::Checked, m_rows->item(i)->text()});
    note.text.clear();
    note.dynamicTitle = false;
}

void CheckListProt::AddLine(const QString &TextElement, int CheckElement)
{
    auto *item = new QListWidgetItem(TextElement, m_rows);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(CheckElement != 0 ? Qt::Checked : Qt::Unchecked);
}

} // namespace pellux
