#pragma once

#include "core/NoteRecord.h"

#include <QObject>
#include <QString>

#include <vector>

namespace pellux {

class NoteWindow;

/// What the note table knows of one slot. The window holds the rest (text, rows, geometry).
struct NoteEntry
{
    NoteKind kind = NoteKind::TextNote;
    QString type;               ///< the stored type text: "TextNote", "CheckList", "TextNote30", "CheckList30"
    QString title;              ///< the note's title as the panel lists it
    QString guid;               ///< the persistent identifier; empty once the note is deleted
    bool onTop = false;         ///< "Always On Top" ticked
    bool rollUp = false;        ///< "Roll Up When Not In Use" ticked
    bool dynamicTitle = false;  ///< text notes: the title follows the first line
    bool isProtected = false;   ///< a password is set
    NoteWindow *window = nullptr;   ///< null: the slot of a deleted note (or one not filled yet)
};

/**
 * The note table `Notes`: slot i holds note i. Slot 0 is never used; a deleted note
 * leaves its slot empty until the next load, so slot i is always entry i-1 of the
 * panel's list and item i of the tray menu's note list.
 *
 * The table owns the facts every part shares (kind, title, identifier, flags,
 * protection) and announces each change once; the panel's list, the tray menu and
 * the note windows follow those signals instead of being kept in step by hand. It
 * knows nothing of widgets: the windows are opaque handles here.
 */
class Notes : public QObject
{
    Q_OBJECT

public:
    Notes();
    ~Notes() override;

    /// The highest slot number; 0 when the table holds no note.
    int upperBound() const { return int(m_slots.size()) - 1; }
    /// The entry of \a slot (deleted slots included), or null for slot 0 and beyond the table.
    const NoteEntry *entry(int slot) const;
    /// The window in \a slot, or null for slot 0, an empty slot or a slot beyond the table.
    NoteWindow *window(int slot) const;
    bool isLive(int slot) const { return window(slot) != nullptr; }

    /// One more empty slot at the end; returns its number.
    int grow();
    /// Puts a note into \a slot: one past the end grows the table, an empty slot is filled
    /// again. Announces added(slot).
    void place(int slot, const NoteEntry &entry);
    /// Empties the slot of a deleted note (its identifier goes with it). Announces removed(slot).
    void remove(int slot);
    /// Back to the single slot 0. Announces cleared().
    void reset();

    void retitle(int slot, const QString &title);
    void setType(int slot, const QString &type);
    void setGuid(int slot, const QString &guid);
    void setOnTop(int slot, bool on);
    void setRollUp(int slot, bool on);
    void setDynamicTitle(int slot, bool on);
    void setProtected(int slot, bool on);
    /// Something the views show of \a slot changed outside the table (the window was
    /// shown or hidden): announces changed(slot).
    void touch(int slot);

    /// The first live slot whose identifier is exactly \a guid; 0 when none is.
    int findByGuid(const QString &guid) const;

signals:
    /// A note now holds \a slot (a new slot at the end, or an empty one filled again).
    void added(int slot);
    /// The note of \a slot was deleted; the slot stays, empty.
    void removed(int slot);
    void retitled(int slot);
    /// A flag or the protection of \a slot changed.
    void changed(int slot);
    /// The table is back to slot 0 (all notes were unloaded).
    void cleared();

private:
    NoteEntry *liveEntry(int slot);
    template<typename T> void update(int slot, T NoteEntry::*field, const T &value, void (Notes::*announce)(int));

    std::vector<NoteEntry> m_slots;
};

} // namespace pellux
