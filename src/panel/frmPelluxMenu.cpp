#include "panel/frmPelluxMenu.h"

#include "core/app/Program.h"
#include "notes/NoteWindow.h"

namespace pellux {

frmPelluxMenu::frmPelluxMenu(Program &program)
    : QObject(nullptr)
    , m_program(program)
{
    buildMenu();
}

frmPelluxMenu::~frmPelluxMenu() = default;

void frmPelluxMenu::buildMenu()
{
    m_popup.setObjectName(QStringLiteral("mnuPellux"));
    m_popup.setTitle(QStringLiteral("PelluxPopUp"));
    mnuPelluxJunk1 = m_popup.addAction(QStringLiteral("Pellux"));
    m_popup.addSeparator();
    mnuPelluxAdd = m_popup.addAction(QStringLiteral("Add Note"));
    mnuCheckListAdd = m_popup.addAction(QStringLiteral("Add Check List"));
    mnuPelluxNoteup = m_popup.addAction(QStringLiteral("Notes To Top"));
    mnuPelluxSearch = m_popup.addAction(QStringLiteral("Search Notes"));
    m_popup.addSeparator();
    m_gotoMenu = m_popup.addMenu(QStringLiteral("Goto Note"));
    m_template = m_gotoMenu->addAction(QStringLiteral("Note List"));
    m_template->setEnabled(false);
    mnuPelluxShowAll = m_popup.addAction(QStringLiteral("Show All Notes"));
    mnuPelluxHideAll = m_popup.addAction(QStringLiteral("Hide All Notes"));
    m_popup.addSeparator();
    mnuPelluxControl = m_popup.addAction(QStringLiteral("Control Panel"));
    mnuProgramOptions = m_popup.addAction(QStringLiteral("Program Options"));
    m_popup.addSeparator();
    mnuPelluxExit = m_popup.addAction(QStringLiteral("Exit"));
    m_noteItems.append(QPointer<QAction>(m_template));
}

QAction *frmPelluxMenu::mnuNoteList(int slot) const
{
    if (slot < 0 || slot >= m_noteItems.size())
        return nullptr;
    return m_noteItems.at(slot);
}

void frmPelluxMenu::CreateNoteList(int slot)
{
    if (slot < 1)
        return;
    while (m_noteItems.size() <= slot)
        m_noteItems.append(QPointer<QAction>());
    if (!m_noteItems.at(slot)) {
        auto *item = new QAction(m_gotoMenu);
        // Items stay in slot order whatever order they are created in.
        QAction *before = nullptr;
        for (int i = slot + 1; i < m_noteItems.size() && !before; ++i)
            before = m_noteItems.at(i);
        m_gotoMenu->insertAction(before, item);
        const int n = slot;
        connect(item, &QAction::triggered, this, [this, n] {
            if (NoteWindow *w = m_program.note(n))
                w->ShowNote();
        });
        m_noteItems[slot] = item;
    }
    UpdateNoteList(slot);
}

void frmPelluxMenu::UpdateNoteList(int slot)
{
    QAction *item = mnuNoteList(slot);
    NoteWindow *w = m_program.note(slot);
    if (!item || slot < 1 || !w)
        return;
    QString caption = w->Caption();
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    item->setText(caption);
    const bool open = !(w->mnuPassword && w->mnuPassword->isChecked());
    item->setEnabled(open);
    item->setVisible(open);
}

void frmPelluxMenu::RemoveNoteList(int slot)
{
    if (QAction *item = mnuNoteList(slot); item && slot >= 1) {
        item->setVisible(false);
        item->setEnabled(false);
    }
}

void frmPelluxMenu::UnloadNoteItems()
{
    for (int i = 1; i < m_noteItems.size(); ++i)
        delete m_noteItems.at(i).data();
    m_noteItems.resize(1);
}

} // namespace pellux
