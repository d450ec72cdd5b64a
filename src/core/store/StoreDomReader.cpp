#include "core/store/StoreDomReader.h"

#include "core/store/StoreReading.h"

#include <QXmlStreamReader>

namespace pellux {

using namespace storedetail;

namespace {

/// \a e as the note reading code sees it; the element's own text only when \a withText.
XmlElement fromDom(const QDomElement &e, int childLevels, bool withText)
{
    XmlElement out;
    out.name = e.tagName();
    const QDomNamedNodeMap attrs = e.attributes();
    for (int i = 0; i < attrs.count(); ++i) {
        const QDomNode a = attrs.item(i);
        out.attributes.append({a.nodeName(), a.nodeValue()});
    }
    if (withText)
        out.text = e.text();
    if (childLevels > 0) {
        for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            out.children.push_back(fromDom(c, childLevels - 1, true));
    }
    return out;
}

QString tooDeepMessage()
{
    return QStringLiteral("The note store is nested more than %1 levels deep; it is not a note store.")
        .arg(MaxStoreDepth);
}

QString unreadableMessage(qint64 line, qint64 column, QString why)
{
    // The parser's own sentence goes inside the brackets without its full stop.
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return QStringLiteral("The note store is not a readable XML document (line %1, column %2: %3).")
        .arg(line)
        .arg(column)
        .arg(why);
}

/**
 * Set up as QDomDocument::setContent sets up its own reader: without namespace
 * processing a prefix nobody declared is part of a plain name, not an error. A
 * guard that stopped at such a prefix would let the deep nesting after it through.
 */
void likeTheDom(QXmlStreamReader &reader)
{
    reader.setNamespaceProcessing(false);
}

bool nestingWithin(const QByteArray &document, int limit)
{
    QXmlStreamReader reader(document);
    likeTheDom(reader);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > limit)
                return false;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return true; // a malformed document is left to the parser, which says where
}

} // namespace

AlarmRecord ReadAlarmElement(const QDomElement &note, const QLocale &locale)
{
    TextForms forms(locale);
    const QDomElement alarm = note.firstChildElement(TagAlarm);
    XmlElement e;
    if (!alarm.isNull())
        e.children.push_back(fromDom(alarm, 1, false));
    return readAlarm(e, forms);
}

std::optional<StoredNote> ReadNoteElement(const QDomElement &note, const PixelScale &scale,
                                          const NoteDefaults &defaults, const QLocale &locale,
                                          QString *skipReason)
{
    if (note.isNull()) {
        if (skipReason)
            *skipReason = QStringLiteral("There is no note element.");
        return std::nullopt;
    }
    TextForms forms(locale);
    return readNote(fromDom(note, NoteFieldLevels, false), scale, defaults, forms, skipReason);
}

StoreDocument ParseStoreDocument(const QByteArray &bytes)
{
    StoreDocument result;
    if (!nestingWithin(bytes, MaxStoreDepth)) {
        result.error = tooDeepMessage();
        return result;
    }
    QString message;
    int line = 0;
    int column = 0;
    if (!result.document.setContent(bytes, &message, &line, &column)) {
        result.error = unreadableMessage(line, column, message);
        return result;
    }
    for (QDomNode n = result.document.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement() && n.nodeName().toLower() == QLatin1String("notedata")) {
            result.root = n.toElement();
            return result;
        }
    }
    result.error = NoRootMessage;
    return result;
}

StoreReadResult ReadNoteStoreThroughDom(const QByteArray &document, const PixelScale &scale,
                                        const NoteDefaults &defaults, const QLocale &locale)
{
    const StoreDocument doc = ParseStoreDocument(document);
    if (!doc.ok())
        return failure(doc.error);
    NoteCollector notes(scale, defaults, locale);
    for (QDomElement e = doc.root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        notes.add(fromDom(e, NoteFieldLevels, false));
    return notes.finish();
}

} // namespace pellux
