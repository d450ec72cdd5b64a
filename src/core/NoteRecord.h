#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace pellux {

/// The two kinds of note. A stored type names its kind by its first eight characters,
/// so the older "TextNote30" and "CheckList30" are the same kinds.
enum class NoteKind { TextNote, CheckList };

inline std::optional<NoteKind> NoteKindOfType(const QString &type)
{
    if (type.left(8) == QLatin1String("TextNote"))
        return NoteKind::TextNote;
    if (type.left(8) == QLatin1String("CheckLis"))
        return NoteKind::CheckList;
    return std::nullopt;
}

/// The type a new note of \a kind is stored with.
inline QString NoteTypeOf(NoteKind kind)
{
    return kind == NoteKind::TextNote ? QStringLiteral("TextNote") : QStringLiteral("CheckList");
}

/// The alarm every note carries. A new note's record is all zero.
struct AlarmRecord
{
    bool Enabled = false;
    quint8 AlarmType = 0;               ///< 0 once, non-zero repeat
    QTime AlarmTime = QTime(0, 0);      ///< only hour and minute matter
    QDate AlarmDate;                    ///< null = the zero date (30 December 1899)
    std::array<bool, 7> DaysOfWeek{};   ///< index 0 Sunday ... 6 Saturday
    QString Sound;                      ///< wave file path, empty for none

    bool operator==(const AlarmRecord &) const = default;
};

/**
 * A colour as the program keeps it: 24-bit RGB in a signed 32-bit integer, red in
 * the low byte. A value with the top bit set names a system colour.
 */
using ColorValue = qint32;

/// The system's window text colour, the default text colour of new notes.
inline constexpr ColorValue SystemWindowText = qint32(0x80000008u);
/// Yellow, the default background of new notes.
inline constexpr ColorValue DefaultNoteBack = 65535;

/// A note's font and colours.
struct NoteStyle
{
    QString fontName;
    float fontSize = 8.25f;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethru = false;
    ColorValue foreColor = SystemWindowText;
    ColorValue backColor = DefaultNoteBack;

    bool operator==(const NoteStyle &) const = default;

    /// The font part (name, size, bold, italic, underline, strike-through) of \a other, colours kept.
    void takeFont(const NoteStyle &other)
    {
        fontName = other.fontName;
        fontSize = other.fontSize;
        bold = other.bold;
        italic = other.italic;
        underline = other.underline;
        strikethru = other.strikethru;
    }
    bool sameFont(const NoteStyle &other) const
    {
        NoteStyle a = *this;
        a.foreColor = other.foreColor;
        a.backColor = other.backColor;
        return a == other;
    }
};

/// One row of a check list.
struct CheckRow
{
    bool checked = false;
    QString text;

    bool operator==(const CheckRow &) const = default;
};

/**
 * One note as the store holds it. Geometry is in twips; a field the store did
 * not give (or gave malformed) is empty and the window keeps its own default.
 */
struct StoredNote
{
    QString type;               ///< "TextNote", "CheckList", "TextNote30", "CheckList30"
    QString title;
    QString nid;                ///< empty when the store had none (the loader makes one)
    std::optional<int> top, left, width, height;   ///< twips
    bool visible = true;
    bool rollup = false;
    bool ontop = false;
    AlarmRecord alarm;
    QString text;               ///< text notes: CR LF line breaks
    QList<CheckRow> rows;       ///< check lists, first row first
    bool dynamicTitle = false;  ///< text notes only
    NoteStyle style;
    /// The hash of the note's password (see HashNotePassword); empty: not protected.
    /// Never the password itself.
    QString passwordHash;

    std::optional<NoteKind> kind() const { return NoteKindOfType(type); }
    bool isTextNote() const { return kind() == NoteKind::TextNote; }
    bool isCheckList() const { return kind() == NoteKind::CheckList; }
    bool operator==(const StoredNote &) const = default;
};

/// A text note as the binary formats carry it (legacy store, single-note file).
struct TextNoteRecord
{
    NoteStyle style;
    bool onTop = false;
    bool rollUp = false;
    bool dynamicTitle = false;
    QString text;               ///< may carry trailing blanks from a fixed-width field

    bool operator==(const TextNoteRecord &) const = default;
};

/// The values a note field falls back to when the store lacks it or holds nonsense.
struct NoteDefaults
{
    NoteStyle style;
    bool ontop = false;
    bool rollup = false;
    bool dynamicTitle = true;
};

} // namespace pellux
