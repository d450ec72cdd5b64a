#include "core/XmlLite.h"

#include <QStringDecoder>
#include <QStringList>

namespace pellux::xmllite {

// ---------------------------------------------------------------------------------
// Element

QString Element::tagName() const
{
    return m_doc ? m_doc->m_nodes[size_t(m_index)].name.toString() : QString();
}

QString Element::text() const
{
    if (!m_doc)
        return {};
    const Document::Node &n = m_doc->m_nodes[size_t(m_index)];
    // The common case, an element holding one piece of text, shares that text.
    if (n.firstChild >= 0 && n.firstChild == n.lastChild && m_doc->m_nodes[size_t(n.firstChild)].isText)
        return m_doc->m_nodes[size_t(n.firstChild)].text;
    QString out;
    m_doc->appendText(out, m_index);
    return out;
}

bool Element::hasAttribute(const QString &name) const
{
    if (!m_doc)
        return false;
    const Document::Node &n = m_doc->m_nodes[size_t(m_index)];
    for (qint32 i = n.firstAttr; i < n.firstAttr + n.attrCount; ++i) {
        if (m_doc->m_attrs[size_t(i)].name == name)
            return true;
    }
    return false;
}

QString Element::attribute(const QString &name, const QString &defaultValue) const
{
    if (!m_doc)
        return defaultValue;
    const Document::Node &n = m_doc->m_nodes[size_t(m_index)];
    for (qint32 i = n.firstAttr; i < n.firstAttr + n.attrCount; ++i) {
        if (m_doc->m_attrs[size_t(i)].name == name)
            return m_doc->m_attrs[size_t(i)].value;
    }
    return defaultValue;
}

Element Element::firstChildElement(const QString &name) const
{
    if (!m_doc)
        return {};
    for (qint32 c = m_doc->m_nodes[size_t(m_index)].firstChild; c >= 0; c = m_doc->m_nodes[size_t(c)].nextSibling) {
        const Document::Node &n = m_doc->m_nodes[size_t(c)];
        if (!n.isText && (name.isNull() || n.name == name))
            return Element(m_doc, c);
    }
    return {};
}

Element Element::nextSiblingElement(const QString &name) const
{
    if (!m_doc)
        return {};
    for (qint32 c = m_doc->m_nodes[size_t(m_index)].nextSibling; c >= 0; c = m_doc->m_nodes[size_t(c)].nextSibling) {
        const Document::Node &n = m_doc->m_nodes[size_t(c)];
        if (!n.isText && (name.isNull() || n.name == name))
            return Element(m_doc, c);
    }
    return {};
}

// ---------------------------------------------------------------------------------
// Document

Element Document::documentElement() const
{
    return m_root >= 0 ? Element(this, m_root) : Element();
}

qint32 Document::addNode(qint32 parent, bool isText)
{
    const qint32 index = qint32(m_nodes.size());
    m_nodes.emplace_back();
    Node &n = m_nodes.back();
    n.parent = parent;
    n.isText = isText;
    if (parent >= 0) {
        Node &p = m_nodes[size_t(parent)];
        if (p.lastChild >= 0)
            m_nodes[size_t(p.lastChild)].nextSibling = index;
        else
            p.firstChild = index;
        p.lastChild = index;
    }
    return index;
}

void Document::appendText(QString &out, qint32 index) const
{
    for (qint32 c = m_nodes[size_t(index)].firstChild; c >= 0; c = m_nodes[size_t(c)].nextSibling) {
        if (m_nodes[size_t(c)].isText)
            out += m_nodes[size_t(c)].text;
        else
            appendText(out, c);
    }
}

// ---------------------------------------------------------------------------------
// Parser: any return of false means "not for this parser", never "malformed".

namespace {

bool isXmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isNameStart(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isNameChar(char16_t c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool allSpace(const QString &text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

} // namespace

class Parser
{
public:
    Parser(Document &doc, int maxDepth) : m_doc(doc), m_maxDepth(maxDepth) {}

    bool run()
    {
        m_p = reinterpret_cast<const char16_t *>(m_doc.m_source.constData());
        m_end = m_p + m_doc.m_source.size();
        if (!validChars())
            return false;
        if (startsWith(u"<?xml") && m_p + 5 < m_end && isXmlSpace(m_p[5])) {
            if (!declaration())
                return false;
        }
        if (!misc())
            return false;
        if (m_p >= m_end || *m_p != u'<' || m_p + 1 >= m_end || !isNameStart(m_p[1]))
            return false;
        if (!element())
            return false;
        if (!misc())
            return false;
        return m_p == m_end;
    }

private:
    bool startsWith(const char16_t *s) const
    {
        const char16_t *q = m_p;
        for (; *s; ++s, ++q) {
            if (q >= m_end || *q != *s)
                return false;
        }
        return true;
    }

    void skipSpace()
    {
        while (m_p < m_end && isXmlSpace(*m_p))
            ++m_p;
    }

    // The decoded text holds only characters XML allows (surrogates come in pairs
    // after a successful UTF-8 decode).
    bool validChars() const
    {
        for (const char16_t *q = m_p; q < m_end; ++q) {
            const char16_t c = *q;
            if (c < 0x20 ? !(c == 0x9 || c == 0xA || c == 0xD) : (c == 0xFFFE || c == 0xFFFF))
                return false;
        }
        return true;
    }

    // Finds \a terminator from the current position; leaves m_p after it.
    bool skipPast(const char16_t *terminator, QStringView *content)
    {
        const qsizetype len = qsizetype(std::char_traits<char16_t>::length(terminator));
        const QStringView rest(m_p, m_end - m_p);
        const qsizetype at = rest.indexOf(QStringView(terminator, len));
        if (at < 0)
            return false;
        if (content)
            *content = rest.first(at);
        m_p += at + len;
        return true;
    }

    bool name(QStringView *out)
    {
        const char16_t *start = m_p;
        if (m_p >= m_end || !isNameStart(*m_p))
            return false;
        while (m_p < m_end && isNameChar(*m_p))
            ++m_p;
        // A colon (namespaces) or a non-ASCII letter: the DOM parser decides.
        if (m_p < m_end && (*m_p == u':' || *m_p >= 0x80))
            return false;
        *out = QStringView(start, m_p - start);
        return true;
    }

    bool declaration()
    {
        m_p += 5;
        QStringView body;
        if (!skipPast(u"?>", &body))
            return false;
        // Only version 1.0, UTF-8 and a standalone flag are taken as they are.
        const QString text = body.toString().simplified();
        const QStringList allowed{QStringLiteral("version=\"1.0\""), QStringLiteral("version='1.0'"),
                            QStringLiteral("encoding=\"UTF-8\""), QStringLiteral("encoding='UTF-8'"),
                            QStringLiteral("standalone=\"yes\""), QStringLiteral("standalone='yes'"),
                            QStringLiteral("standalone=\"no\""), QStringLiteral("standalone='no'")};
        const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.isEmpty() || !parts.first().startsWith(QLatin1String("version=")))
            return false;
        for (const QString &part : parts) {
            bool ok = false;
            for (const QString &a : allowed)
                ok = ok || part.compare(a, Qt::CaseInsensitive) == 0;
            if (!ok)
                return false;
        }
        return true;
    }

    bool comment()
    {
        m_p += 4;
        QStringView body;
        if (!skipPast(u"-->", &body))
            return false;
        return !body.contains(QLatin1String("--")) && !body.endsWith(QLatin1Char('-'));
    }

    bool processingInstruction()
    {
        m_p += 2;
        QStringView target;
        if (!name(&target) || target.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0)
            return false;
        if (m_p < m_end && !isXmlSpace(*m_p) && *m_p != u'?')
            return false;
        return skipPast(u"?>", nullptr);
    }

    // Comments, processing instructions and white space before and after the root.
    bool misc()
    {
        for (;;) {
            skipSpace();
            if (startsWith(u"<!--")) {
                if (!comment())
                    return false;
            } else if (startsWith(u"<?")) {
                if (!processingInstruction())
                    return false;
            } else {
                return true;
            }
        }
    }

    // "&...;" at m_p, appended to \a out.
    bool reference(QString &out)
    {
        ++m_p;
        const char16_t *start = m_p;
        while (m_p < m_end && *m_p != u';' && m_p - start < 12)
            ++m_p;
        if (m_p >= m_end || *m_p != u';')
            return false;
        const QStringView ref(start, m_p - start);
        ++m_p;
        if (ref == QLatin1String("lt"))
            out += QLatin1Char('<');
        else if (ref == QLatin1String("gt"))
            out += QLatin1Char('>');
        else if (ref == QLatin1String("amp"))
            out += QLatin1Char('&');
        else if (ref == QLatin1String("quot"))
            out += QLatin1Char('"');
        else if (ref == QLatin1String("apos"))
            out += QLatin1Char('\'');
        else if (ref.size() >= 2 && ref.at(0) == QLatin1Char('#')) {
            const bool hex = ref.at(1) == QLatin1Char('x');
            const QStringView digits = ref.sliced(hex ? 2 : 1);
            if (digits.isEmpty() || digits.size() > 8)
                return false;
            for (QChar d : digits) {
                const char16_t u = d.unicode();
                const bool decimal = u >= u'0' && u <= u'9';
                const bool ok = decimal || (hex && ((u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')));
                if (!ok)
                    return false;
            }
            bool ok = false;
            const uint code = digits.toUInt(&ok, hex ? 16 : 10);
            if (!ok || !isXmlChar(code))
                return false;
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        } else {
            return false;
        }
        return true;
    }

    bool attributes(qint32 node, bool *selfClosing)
    {
        Document::Node *n = &m_doc.m_nodes[size_t(node)];
        n->firstAttr = qint32(m_doc.m_attrs.size());
        for (;;) {
            const char16_t *before = m_p;
            skipSpace();
            if (m_p >= m_end)
                return false;
            if (*m_p == u'>') {
                ++m_p;
                *selfClosing = false;
                return true;
            }
            if (*m_p == u'/') {
                if (m_p + 1 >= m_end || m_p[1] != u'>')
                    return false;
                m_p += 2;
                *selfClosing = true;
                return true;
            }
            if (m_p == before) // attributes are separated by white space
                return false;
            QStringView attrName;
            if (!name(&attrName))
                return false;
            skipSpace();
            if (m_p >= m_end || *m_p != u'=')
                return false;
            ++m_p;
            skipSpace();
            if (m_p >= m_end || (*m_p != u'"' && *m_p != u'\''))
                return false;
            const char16_t quote = *m_p++;
            QString value;
            for (;;) {
                if (m_p >= m_end)
                    return false;
                const char16_t c = *m_p;
                if (c == quote) {
                    ++m_p;
                    break;
                }
                if (c == u'<')
                    return false;
                if (c == u'&') {
                    if (!reference(value))
                        return false;
                    continue;
                }
                if (c == u'\r') {
                    // A line break, however written, is one blank in an attribute value.
                    value += QLatin1Char(' ');
                    ++m_p;
                    if (m_p < m_end && *m_p == u'\n')
                        ++m_p;
                    continue;
                }
                value += (c == u'\t' || c == u'\n') ? QChar(u' ') : QChar(c);
                ++m_p;
            }
            for (qint32 i = n->firstAttr; i < qint32(m_doc.m_attrs.size()); ++i) {
                if (m_doc.m_attrs[size_t(i)].name == attrName)
                    return false;
            }
            m_doc.m_attrs.push_back({attrName, value});
            n = &m_doc.m_nodes[size_t(node)];
            n->attrCount = qint32(m_doc.m_attrs.size()) - n->firstAttr;
        }
    }

    bool startTag(qint32 parent, qint32 *node, bool *selfClosing)
    {
        ++m_p; // '<'
        QStringView tag;
        if (!name(&tag))
            return false;
        *node = m_doc.addNode(parent, false);
        m_doc.m_nodes[size_t(*node)].name = tag;
        return attributes(*node, selfClosing);
    }

    void addText(qint32 parent, QString &&text, bool keepBlank)
    {
        if (text.isEmpty() || (!keepBlank && allSpace(text)))
            return;
        const qint32 t = m_doc.addNode(parent, true);
        m_doc.m_nodes[size_t(t)].text = std::move(text);
    }

    // Character data up to the next markup, with references resolved and line
    // breaks folded to LF.
    bool textRun(qint32 parent)
    {
        const char16_t *start = m_p;
        while (m_p < m_end && *m_p != u'<' && *m_p != u'&' && *m_p != u'\r' && *m_p != u']')
            ++m_p;
        if (m_p >= m_end || *m_p == u'<') {
            addText(parent, QString(reinterpret_cast<const QChar *>(start), m_p - start), false);
            return true;
        }
        QString text;
        text.reserve((m_p - start) + 64);
        text.append(reinterpret_cast<const QChar *>(start), m_p - start);
        while (m_p < m_end && *m_p != u'<') {
            const char16_t c = *m_p;
            if (c == u'&') {
                if (!reference(text))
                    return false;
            } else if (c == u'\r') {
                text += QLatin1Char('\n');
                ++m_p;
                if (m_p < m_end && *m_p == u'\n')
                    ++m_p;
            } else if (c == u']' && startsWith(u"]]>")) {
                return false;
            } else {
                // Plain characters are taken a stretch at a time.
                const char16_t *run = m_p++;
                while (m_p < m_end && *m_p != u'<' && *m_p != u'&' && *m_p != u'\r' && *m_p != u']')
                    ++m_p;
                text.append(reinterpret_cast<const QChar *>(run), m_p - run);
            }
        }
        addText(parent, std::move(text), false);
        return true;
    }

    bool cdata(qint32 parent)
    {
        m_p += 9;
        QStringView body;
        if (!skipPast(u"]]>", &body))
            return false;
        QString text = body.toString();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        addText(parent, std::move(text), true);
        return true;
    }

    bool element()
    {
        qint32 node = -1;
        bool selfClosing = false;
        if (!startTag(-1, &node, &selfClosing))
            return false;
        m_doc.m_root = node;
        if (selfClosing)
            return true;
        qint32 current = node;
        int depth = 1;
        if (depth > m_maxDepth)
            return false;
        while (current >= 0) {
            if (m_p >= m_end)
                return false;
            if (*m_p != u'<') {
                if (!textRun(current))
                    return false;
                continue;
            }
            if (startsWith(u"</")) {
                m_p += 2;
                QStringView endName;
                if (!name(&endName) || endName != m_doc.m_nodes[size_t(current)].name)
                    return false;
                skipSpace();
                if (m_p >= m_end || *m_p != u'>')
                    return false;
                ++m_p;
                current = m_doc.m_nodes[size_t(current)].parent;
                --depth;
            } else if (startsWith(u"<!--")) {
                if (!comment())
                    return false;
            } else if (startsWith(u"<![CDATA[")) {
                if (!cdata(current))
                    return false;
            } else if (startsWith(u"<?")) {
                if (!processingInstruction())
                    return false;
            } else {
                qint32 child = -1;
                if (!startTag(current, &child, &selfClosing))
                    return false;
                if (!selfClosing) {
                    if (++depth > m_maxDepth)
                        return false;
                    current = child;
                }
            }
        }
        return true;
    }

    Document &m_doc;
    const int m_maxDepth;
    const char16_t *m_p = nullptr;
    const char16_t *m_end = nullptr;
};

bool Document::parse(const QByteArray &utf8, int maxDepth)
{
    m_nodes.clear();
    m_attrs.clear();
    m_root = -1;
    QByteArrayView bytes(utf8);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    // The mark was taken off above; a second one is content, left for the DOM to judge.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    m_source = decoder.decode(bytes);
    if (decoder.hasError()) {
        m_source.clear();
        return false;
    }
    m_nodes.reserve(size_t(bytes.size() / 24 + 16));
    Parser parser(*this, maxDepth);
    if (!parser.run()) {
        m_nodes.clear();
        m_attrs.clear();
        m_root = -1;
        return false;
    }
    return true;
}

} // namespace pellux::xmllite
