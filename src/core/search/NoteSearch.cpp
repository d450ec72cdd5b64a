#include "core/search/NoteSearch.h"

namespace pellux {

int FindText(const QString &text, const QString &needle, int from, bool matchCase)
{
    if (needle.isEmpty() || from < 0 || from >= text.size())
        return -1;
    return int(text.indexOf(needle, from, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive));
}

NoteSearch::NoteSearch(const SearchSource &source, bool matchCase)
    : m_source(source)
    , m_matchCase(matchCase)
{
}

void NoteSearch::nextSlot()
{
    ++m_slot;
    m_field = 1;
    m_from = 0;
}

void NoteSearch::skipNote()
{
    if (!m_finished)
        nextSlot();
}

std::optional<SearchHit> NoteSearch::next(const QString &needle)
{
    while (!m_finished) {
        if (m_slot > m_source.lastSlot()) {
            m_finished = true;
            break;
        }
        // Asked at every step: the note may have been protected or deleted during a pause.
        if (!m_source.searchable(m_slot) || m_field > m_source.fieldCount(m_slot)) {
            nextSlot();
            continue;
        }
        const int at = FindText(m_source.fieldText(m_slot, m_field), needle, m_from, m_matchCase);
        if (at >= 0) {
            m_from = at + 1;
            return SearchHit{m_slot, m_field, at, int(needle.size())};
        }
        ++m_field;
        m_from = 0;
    }
    return std::nullopt;
}

} // namespace pellux
