#pragma once

#include <QAction>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>

class QWidgetAction;

namespace pellux {

class Commands;
class Notes;

/**
 * Owns the popup menu of the tray icon: the program-level commands and a
 * "Goto Note" submenu with one item per note slot (item n belongs to slot n),
 * following the note table. It knows nothing of the panel: its items only say
 * what was chosen (their triggered() signals and noteChosen()); the panel connects
 * them to the commands and pops the menu up when the tray icon is right-clicked.
 */
class frmPelluxMenu : public QObject
{
    Q_OBJECT

public:
    /// \a hub tells which commands this build has (the others are greyed out).
    frmPelluxMenu(const Notes &notes, const Commands &hub);
    ~frmPelluxMenu() override;

    /// Creates note item \a slot (an existing item is reused) and refreshes it.
    void CreateNoteList(int slot);
    /// Caption = the note's caption with "&" doubled; hidden and disabled while protected.
    void UpdateNoteList(int slot);
    /// Hides item \a slot; it stays until all notes are unloaded.
    void RemoveNoteList(int slot);
    /// Removes every note item (all notes are being unloaded).
    void UnloadNoteItems();

    QMenu *popup() { return &m_popup; }
    QMenu *mnuShowHideParent() { return m_gotoMenu; }
    /// The note item of \a slot, or null; index 0 is the disabled "Note List" line.
    QAction *mnuNoteList(int slot) const;
    int noteItemCount() const { return int(m_noteItems.size()); }

    /// The banner: a picture item in place of the text "Pellux".
    QWidgetAction *mnuPelluxJunk1 = nullptr;
    QAction *mnuPelluxAdd = nullptr;
    QAction *mnuCheckListAdd = nullptr;
    QAction *mnuPelluxNoteup = nullptr;
    QAction *mnuPelluxSearch = nullptr;
    QAction *mnuPelluxShowAll = nullptr;
    QAction *mnuPelluxHideAll = nullptr;
    QAction *mnuPelluxControl = nullptr;
    QAction *mnuProgramOptions = nullptr;
    QAction *mnuPelluxExit = nullptr;

signals:
    /// The note item of \a slot was chosen.
    void noteChosen(int slot);

private:
    void buildMenu(const Commands &hub);

    const Notes &m_notes;
    QMenu m_popup;
    QMenu *m_gotoMenu = nullptr;
    QAction *m_template = nullptr;          ///< "Note List", disabled: index 0
    QList<QPointer<QAction>> m_noteItems;   ///< index = slot; 0 unused
};

} // namespace pellux
