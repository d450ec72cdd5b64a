#pragma once

#include <QString>

#include <optional>

namespace pellux {

/**
 * What a search reads of the notes. Every step asks afresh: the user may edit,
 * protect, delete or add notes while a search is paused on a match.
 */
class SearchSource
{
public:
    virtual ~SearchSource() = default;
    /// The last slot of the note table (slots run from 1).
    virtual int lastSlot() const = 0;
    /// Whether the note in \a slot is searched: a live note without a password.
    virtual bool searchable(int slot) const = 0;
    /// The note's text fields, numbered from 1: one for a text note, one per row of a check list.
    virtual int fieldCount(int slot) const = 0;
    virtual QString fieldText(int slot, int field) const = 0;
};

/// One match: \a length characters from \a start (0-based) of field \a field of the note in \a slot.
struct SearchHit
{
    int slot = 0;
    int field = 0;
    int start = 0;
    int length = 0;
    bool operator==(const SearchHit &) const = default;
};

/**
 * The position (0-based) of \a needle in \a text at or after \a from, or -1. With
 * \a matchCase off, letters match whatever their case. An empty \a needle matches
 * nothing: there is nothing to show.
 */
int FindText(const QString &text, const QString &needle, int from, bool matchCase);

/**
 * One walk over the notes in slot order, field by field, yielding one match at a
 * time. The text to find is given at every step, so a text edited while the walk
 * is paused is what the next step looks for; the next step goes on one character
 * after the start of the last match.
 */
class NoteSearch
{
public:
    NoteSearch(const SearchSource &source, bool matchCase);

    /// The next match for \a needle, or nullopt when the walk has passed the last slot.
    std::optional<SearchHit> next(const QString &needle);
    /// The next step begins with the note after the current one.
    void skipNote();
    bool finished() const { return m_finished; }
    bool matchCase() const { return m_matchCase; }

private:
    void nextSlot();

    const SearchSource &m_source;
    bool m_matchCase;
    int m_slot = 1;
    int m_field = 1;
    int m_from = 0;
    bool m_finished = false;
};

} // namespace pellux
