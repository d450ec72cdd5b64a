#include "app/Notes.h"

namespace pellux {

Notes::Notes()
    : m_slots(1)
{
}

Notes::~Notes() = default;

const NoteEntry *Notes::entry(int slot) const
{
    if (slot < 1 || slot > upperBound())
        return nullptr;
    return &m_slots[size_t(slot)];
}

NoteWindow *Notes::window(int slot) const
{
    const NoteEntry *e = entry(slot);
    return e ? e->window : nullptr;
}

NoteEntry *Notes::liveEntry(int slot)
{
    if (slot < 1 || slot > upperBound() || !m_slots[size_t(slot)].window)
        return nullptr;
    return &m_slots[size_t(slot)];
}

int Notes::grow()
{
    m_slots.emplace_back();
    return upperBound();
}

void Notes::place(int slot, const NoteEntry &entry)
{
    if (slot < 1)
        return;
    while (upperBound() < slot)
        m_slots.emplace_back();
    m_slots[size_t(slot)] = entry;
    emit added(slot);
}

void Notes::remove(int slot)
{
    if (slot < 1 || slot > upperBound())
        return;
    NoteEntry &e = m_slots[size_t(slot)];
    e.window = nullptr;
    e.guid.clear();
    emit removed(slot);
}

void Notes::reset()
{
    m_slots.assign(1, NoteEntry{});
    emit cleared();
}

template<typename T>
void Notes::update(int slot, T NoteEntry::*field, const T &value, void (Notes::*announce)(int))
{
    NoteEntry *e = liveEntry(slot);
    if (!e || e->*field == value)
        return;
    e->*field = value;
    emit(this->*announce)(slot);
}

void Notes::retitle(int slot, const QString &title)
{
    update(slot, &NoteEntry::title, title, &Notes::retitled);
}

void Notes::setType(int slot, const QString &type)
{
    if (NoteEntry *e = liveEntry(slot))
        e->type = type;
}

void Notes::setGuid(int slot, const QString &guid)
{
    if (NoteEntry *e = liveEntry(slot))
        e->guid = guid;
}

void Notes::setOnTop(int slot, bool on)
{
    update(slot, &NoteEntry::onTop, on, &Notes::changed);
}

void Notes::setRollUp(int slot, bool on)
{
    update(slot, &NoteEntry::rollUp, on, &Notes::changed);
}

void Notes::setDynamicTitle(int slot, bool on)
{
    update(slot, &NoteEntry::dynamicTitle, on, &Notes::changed);
}

void Notes::setProtected(int slot, bool on)
{
    update(slot, &NoteEntry::isProtected, on, &Notes::changed);
}

void Notes::touch(int slot)
{
    if (liveEntry(slot))
        emit changed(slot);
}

int Notes::findByGuid(const QString &guid) const
{
    for (int i = 1; i <= upperBound(); ++i) {
        const NoteEntry &e = m_slots[size_t(i)];
        if (e.window && e.guid == guid)
            return i;
    }
    return 0;
}

} // namespace pellux
