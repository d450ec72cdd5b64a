#pragma once

// Private to core/store: what the stream reader and the DOM reader share. Both
// turn what they parse into XmlElement values and hand them to the same field
// rules, so a store reads the same whichever reader reads it.

#include "core/NoteRecord.h"
#include "core/store/StoreReadResult.h"
#include "core/store/StoreSyntax.h"
#include "core/store/StoreTextForms.h"

#include <QLocale>
#include <QString>
#include <QVarLengthArray>

#include <optional>
#include <utility>
#include <vector>

namespace pellux::storedetail {

/**
 * An element as the note reading code sees it: its name, its attributes, all the text
 * inside it (QDomElement::text(): every descendant's character data, pieces made
 * only of white space left out as the DOM parser leaves them out), and its child
 * elements down to the depth at which a note keeps its fields. The store's stream
 * reader and the loader's DOM elements both fill one, so the field rules (readNote)
 * are written once.
 */
struct XmlElement
{
    QString name;
    // Inline room for the one attribute a store puts on an element: no allocation per row.
    QVarLengthArray<std::pair<QString, QString>, 1> attributes;
    QString text;
    std::vector<XmlElement> children;

    /// The first child element named \a tag, or null.
    const XmlElement *child(const QString &tag) const
    {
        for (const XmlElement &c : children) {
            if (c.name == tag)
                return &c;
        }
        return nullptr;
    }
    std::optional<QString> childText(const QString &tag) const
    {
        const XmlElement *c = child(tag);
        if (!c)
            return std::nullopt;
        return c->text;
    }
    /// The value of the attribute \a attr, or null when the element has none.
    const QString *attribute(const QString &attr) const
    {
        for (const auto &[key, value] : attributes) {
            if (key == attr)
                return &value;
        }
        return nullptr;
    }
};

// A note keeps its fields in its children ("title") and grandchildren ("item",
// "size"); deeper markup only adds to their text.
constexpr int NoteFieldLevels = 2;

// A store is four levels deep (notedata, note, data, item). The DOM parser's time
// grows with the square of the nesting depth, so a document nested far deeper than
// any store could freeze the program for minutes; it is refused before parsing.
// The fast reader hands any document deeper than that to the DOM reader, so the
// two agree.
constexpr int MaxStoreDepth = 64;

inline const QString NoRootMessage = QStringLiteral("The note store has no \"notedata\" element.");

/// The alarm of a note element; see ReadAlarmElement.
AlarmRecord readAlarm(const XmlElement &note, TextForms &forms);

/// One note element to a note, or nullopt with the reason in \a skipReason.
std::optional<StoredNote> readNote(const XmlElement &note, const PixelScale &scale, const NoteDefaults &defaults,
                                   TextForms &forms, QString *skipReason);

/// The children of the root, one by one, into the result: notes read, others skipped.
class NoteCollector
{
public:
    NoteCollector(const PixelScale &scale, const NoteDefaults &defaults, const QLocale &locale)
        : m_scale(scale), m_defaults(defaults), m_forms(locale)
    {
    }

    void add(const XmlElement &e);

    StoreReadResult finish()
    {
        m_result.ok = true;
        return std::move(m_result);
    }

private:
    const PixelScale &m_scale;
    const NoteDefaults &m_defaults;
    TextForms m_forms;
    int m_position = 0;
    StoreReadResult m_result;
};

/// The result of a document that could not be read at all.
StoreReadResult failure(const QString &error);

} // namespace pellux::storedetail
