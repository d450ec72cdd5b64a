#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace pellux::xmllite {

class Document;
class Parser;

/**
 * An element of a Document, with the few reading calls of QDomElement under the
 * same names, so that code reading a note can be written once for both.
 */
class Element
{
public:
    Element() = default;
    bool isNull() const { return m_doc == nullptr; }
    QString tagName() const;
    /// All text inside the element, its descendants' included, in document order.
    QString text() const;
    bool hasAttribute(const QString &name) const;
    QString attribute(const QString &name, const QString &defaultValue = QString()) const;
    /// The first child element (named \a name, when given).
    Element firstChildElement(const QString &name = QString()) const;
    /// The next sibling element (named \a name, when given).
    Element nextSiblingElement(const QString &name = QString()) const;

private:
    friend class Document;
    Element(const Document *doc, qint32 index) : m_doc(doc), m_index(index) {}
    const Document *m_doc = nullptr;
    qint32 m_index = -1;
};

/**
 * A small, strict XML reader for the note store, several times faster than the DOM
 * parser. It takes UTF-8 documents made of elements, attributes, text, the five
 * predefined entities, character references, CDATA, comments and processing
 * instructions, and gives the same tree the DOM parser would (line breaks
 * normalised, text made only of white space dropped as the DOM drops it).
 *
 * Anything else - a document type declaration, another encoding, namespaces,
 * non-ASCII names, nesting deeper than asked, and every kind of malformed input -
 * makes parse() return false without a verdict: the caller hands such a document
 * to the DOM parser, which decides and reports.
 */
class Document
{
public:
    bool parse(const QByteArray &utf8, int maxDepth);
    /// The root element; null before a successful parse.
    Element documentElement() const;

private:
    friend class Element;
    friend class Parser;
    struct Node
    {
        qint32 parent = -1;
        qint32 firstChild = -1;
        qint32 lastChild = -1;
        qint32 nextSibling = -1;
        qint32 firstAttr = 0;
        qint32 attrCount = 0;
        bool isText = false;
        QStringView name;   ///< elements: a view into m_source
        QString text;       ///< text nodes
    };
    struct Attr
    {
        QStringView name;
        QString value;
    };

    qint32 addNode(qint32 parent, bool isText);
    void appendText(QString &out, qint32 index) const;

    QString m_source;
    std::vector<Node> m_nodes;
    std::vector<Attr> m_attrs;
    qint32 m_root = -1;
};

} // namespace pellux::xmllite
