#include "core/store/StoreStreamReader.h"

#include "core/store/StoreDomReader.h"
#include "core/store/StoreReading.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <expat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace pellux {

using namespace storedetail;

namespace {

/**
 * UTF-8 from the parser as a string, every character kept: QString::fromUtf8 would
 * drop a U+FEFF at the start, where the DOM's parser keeps it (a note's text may
 * begin with one, and a note type so written is no known type).
 */
QString textFromUtf8(QByteArrayView utf8)
{
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

/**
 * \a utf8 (an element name, an attribute value or a field's text as the parser hands
 * it over) as a string. A store repeats a few dozen names and values thousands of
 * times over (every note has its "title", every row its checked="False", every note
 * a dozen "True" and "False" fields); those share one string each instead of costing
 * a conversion and an allocation every time. Looked up by length, then by bytes: the
 * words are few and short, and this runs for nearly every piece of the store.
 */
QString sharedText(QByteArrayView utf8)
{
    struct Word
    {
        QByteArray bytes;
        QString text;
    };
    constexpr qsizetype Longest = 16;
    static const std::array<std::vector<Word>, Longest + 1> known = [] {
        const QString words[] = {
            TagNote, TagTitle, TagNid, TagTop, TagLeft, TagWidth, TagHeight, TagVisible, TagRollup, TagOntop,
            TagAlarm, TagData, TagDynamicTitle, TagFont, TagColor, TagPasswordHash, TagItem, AttrType, AttrChecked,
            QStringLiteral("enabled"), QStringLiteral("sound"), QStringLiteral("time"), QStringLiteral("date"),
            QStringLiteral("dow"), QStringLiteral("name"), QStringLiteral("size"), QStringLiteral("bold"),
            QStringLiteral("italic"), QStringLiteral("underline"), QStringLiteral("strikethru"),
            QStringLiteral("fore"), QStringLiteral("back"), QStringLiteral("True"), QStringLiteral("False"),
            QStringLiteral("TextNote"), QStringLiteral("TextNote30"), QStringLiteral("CheckList"),
            QStringLiteral("CheckList30")};
        std::array<std::vector<Word>, Longest + 1> table;
        for (const QString &w : words)
            table[size_t(w.size())].push_back({w.toUtf8(), w});
        return table;
    }();
    if (utf8.size() <= Longest) {
        for (const Word &w : known[size_t(utf8.size())]) {
            if (w.bytes.front() == utf8.front() && std::memcmp(w.bytes.constData(), utf8.data(), size_t(utf8.size())) == 0)
                return w.text;
        }
    }
    return textFromUtf8(utf8);
}

/**
 * The store's fast reader: one pass of expat, each note handed to the collector as
 * soon as it ends. The verdict on a document stays the DOM's (ReadNoteStoreThroughDom
 * and the loader's walk over ParseStoreDocument), so a store reads the same whichever
 * way it is read. Every document this reader does not take whole, for an error or for
 * anything the two parsers might see differently, is handed back to the DOM reader,
 * which then gives the result and its error in its own words; for a store as the
 * writer makes it that never happens.
 */
class ExpatStoreReader
{
public:
    enum class Outcome { Read, NotAStore, LeaveToDom };

    explicit ExpatStoreReader(NoteCollector &notes) : m_notes(notes), m_parser(XML_ParserCreate(nullptr))
    {
        if (!m_parser)
            return;
        XML_SetUserData(m_parser, this);
        // No external entity is ever loaded: none of those handlers is set, parameter
        // entities are never parsed, and a document type sends the whole document to
        // the DOM reader before any declaration in it takes effect.
        XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetXmlDeclHandler(m_parser, &ExpatStoreReader::onXmlDecl);
        XML_SetStartDoctypeDeclHandler(m_parser, &ExpatStoreReader::onDoctype);
        XML_SetEntityDeclHandler(m_parser, &ExpatStoreReader::onEntityDecl);
        XML_SetElementHandler(m_parser, &ExpatStoreReader::onStart, &ExpatStoreReader::onEnd);
        XML_SetCharacterDataHandler(m_parser, &ExpatStoreReader::onText);
        XML_SetCdataSectionHandler(m_parser, &ExpatStoreReader::onCdataStart, &ExpatStoreReader::onCdataEnd);
        XML_SetCommentHandler(m_parser, &ExpatStoreReader::onComment);
        XML_SetProcessingInstructionHandler(m_parser, &ExpatStoreReader::onPi);
    }
    ~ExpatStoreReader()
    {
        if (m_parser)
            XML_ParserFree(m_parser);
    }
    ExpatStoreReader(const ExpatStoreReader &) = delete;
    ExpatStoreReader &operator=(const ExpatStoreReader &) = delete;

    Outcome read(const QByteArray &document)
    {
        if (!m_parser || !looksLikeUtf8(document))
            return Outcome::LeaveToDom;
        // One call for any real store; a document beyond what one call takes goes in pieces.
        constexpr qsizetype Piece = 1 << 30;
        const char *data = document.constData();
        qsizetype left = document.size();
        do {
            const int len = int(std::min(left, Piece));
            left -= len;
            if (XML_Parse(m_parser, data, len, left == 0 ? XML_TRUE : XML_FALSE) != XML_STATUS_OK || m_leave)
                return Outcome::LeaveToDom;
            data += len;
        } while (left > 0);
        return m_isStore ? Outcome::Read : Outcome::NotAStore;
    }

private:
    static ExpatStoreReader &self(void *userData) { return *static_cast<ExpatStoreReader *>(userData); }

    /**
     * UTF-16 and UTF-32 documents (a byte-order mark or a zero byte up front) are left
     * to the DOM reader, like a declared encoding other than UTF-8: the writer never
     * makes one, and only the DOM's own reading of them counts.
     */
    static bool looksLikeUtf8(const QByteArray &document)
    {
        for (qsizetype i = 0; i < std::min<qsizetype>(document.size(), 2); ++i) {
            const uchar c = uchar(document.at(i));
            if (c == 0x00 || c == 0xFE || c == 0xFF)
                return false;
        }
        return true;
    }

    void leave()
    {
        if (!m_leave) {
            m_leave = true;
            XML_StopParser(m_parser, XML_FALSE);
        }
    }

    /**
     * Element, attribute and processing instruction names with a colon go to the DOM
     * reader: without namespace processing expat takes any name with colons in it, the
     * DOM's parser only "prefix:local" and no colon at all in a target.
     */
    bool plainName(const XML_Char *name)
    {
        if (std::strchr(name, ':')) {
            leave();
            return false;
        }
        return true;
    }

    static void XMLCALL onXmlDecl(void *userData, const XML_Char *version, const XML_Char *encoding, int)
    {
        // The DOM's parser knows XML 1.0 alone, and reads other encodings its own way.
        ExpatStoreReader &r = self(userData);
        if ((version && std::strcmp(version, "1.0") != 0) || (encoding && qstricmp(encoding, "UTF-8") != 0))
            r.leave();
    }

    static void XMLCALL onDoctype(void *userData, const XML_Char *, const XML_Char *, const XML_Char *, int)
    {
        self(userData).leave();
    }

    static void XMLCALL onEntityDecl(void *userData, const XML_Char *, int, const XML_Char *, int, const XML_Char *,
                                     const XML_Char *, const XML_Char *, const XML_Char *)
    {
        self(userData).leave();
    }

    static void XMLCALL onStart(void *userData, const XML_Char *name, const XML_Char **attributes)
    {
        ExpatStoreReader &r = self(userData);
        if (r.m_leave)
            return;
        r.endTextRun();
        // Deeper than the guard: the DOM reader refuses it (or names an error before it).
        if (++r.m_depth > MaxStoreDepth || !r.plainName(name)) {
            r.leave();
            return;
        }
        for (const XML_Char **a = attributes; *a; a += 2) {
            if (!r.plainName(*a))
                return;
        }
        const int level = r.m_depth - 2;
        if (level < 0)
            r.m_isStore = QString::fromUtf8(name).toLower() == QLatin1String("notedata");
        if (r.m_isStore && level >= 0 && level <= NoteFieldLevels) {
            XmlElement *e = &r.m_note;
            if (level > 0) {
                std::vector<XmlElement> &siblings = r.m_open[size_t(level - 1)]->children;
                if (siblings.capacity() == 0)
                    siblings.reserve(16);
                e = &siblings.emplace_back();
            }
            r.m_open[size_t(level)] = e;
            e->name = sharedText(name);
            for (const XML_Char **a = attributes; *a; a += 2)
                e->attributes.append({sharedText(a[0]), sharedText(a[1])});
        }
        r.startTextRun();
    }

    static void XMLCALL onEnd(void *userData, const XML_Char *)
    {
        ExpatStoreReader &r = self(userData);
        if (r.m_leave)
            return;
        r.endTextRun();
        const int level = r.m_depth - 2;
        --r.m_depth;
        if (r.m_isStore && level >= 1 && level <= NoteFieldLevels) {
            std::string &text = r.m_text[size_t(level)];
            r.m_open[size_t(level)]->text = sharedText(QByteArrayView(text.data(), qsizetype(text.size())));
            if (level > 1)
                r.m_text[size_t(level - 1)] += text;
            text.clear();
        } else if (r.m_isStore && level == 0) {
            r.m_notes.add(r.m_note);
            r.m_note.attributes.clear();
            r.m_note.children.clear();
        }
        r.startTextRun();
    }

    // Text counts for every open element from the note's children down; the note's own
    // loose text and the root's are never read. The DOM's parser hands on the text
    // between two pieces of markup (character and entity references included) as one
    // piece, and leaves it out when it is all white space: expat's pieces are gathered
    // up to the next piece of markup and then judged the same way. A CDATA section is
    // a piece of its own, and always kept. The text of the open child or grandchild is
    // gathered as UTF-8 and made a string once, when the element ends; a grandchild's
    // text (with anything deeper) then goes on into its parent's.

    static void XMLCALL onText(void *userData, const XML_Char *text, int len)
    {
        ExpatStoreReader &r = self(userData);
        if (r.m_textLevel > 0 && !r.m_leave)
            r.m_text[size_t(r.m_textLevel)].append(text, size_t(len));
    }

    static void XMLCALL onCdataStart(void *userData)
    {
        ExpatStoreReader &r = self(userData);
        r.endTextRun();
        r.m_inCdata = true;
    }

    static void XMLCALL onCdataEnd(void *userData)
    {
        ExpatStoreReader &r = self(userData);
        r.endTextRun();
        r.m_inCdata = false;
    }

    static void XMLCALL onComment(void *userData, const XML_Char *) { self(userData).endTextRun(); }
    static void XMLCALL onPi(void *userData, const XML_Char *target, const XML_Char *)
    {
        ExpatStoreReader &r = self(userData);
        r.endTextRun();
        r.plainName(target);
    }

    /// After an element starts or ends: where the text from here on goes.
    void startTextRun()
    {
        m_textLevel = m_isStore && m_depth >= 3 ? std::min(m_depth - 2, NoteFieldLevels) : 0;
        m_runStart = m_textLevel > 0 ? m_text[size_t(m_textLevel)].size() : 0;
    }

    /// At a piece of markup: the text since the last one stays, or goes if it is all blank.
    void endTextRun()
    {
        if (m_textLevel == 0)
            return;
        std::string &text = m_text[size_t(m_textLevel)];
        if (!m_inCdata && isBlankUtf8(QByteArrayView(text).sliced(qsizetype(m_runStart))))
            text.resize(m_runStart);
        m_runStart = text.size();
    }

    /// isBlank on UTF-8 as expat hands it over (always well formed).
    static bool isBlankUtf8(QByteArrayView text)
    {
        for (qsizetype i = 0; i < text.size();) {
            const uchar c = uchar(text[i]);
            if (c < 0x80) {
                if (c != ' ' && (c < '\t' || c > '\r'))
                    return false;
                ++i;
                continue;
            }
            const qsizetype n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            if (!isBlank(textFromUtf8(text.sliced(i, n))))
                return false;
            i += n;
        }
        return true;
    }

    NoteCollector &m_notes;
    XML_Parser m_parser;
    bool m_leave = false;       // the document goes to the DOM reader
    int m_depth = 0;            // of the open element: the root is at 1, the notes at 2
    bool m_isStore = false;     // the root is a "notedata" element
    bool m_inCdata = false;
    int m_textLevel = 0;        // the level of the element whose text is gathered now; 0: none
    size_t m_runStart = 0;      // where the text since the last piece of markup begins in it
    // The note being read, and the child and the grandchild open inside it. Each
    // element is made in place in its parent, and the note's own storage serves the
    // next note again; so do the text buffers.
    XmlElement m_note;
    std::array<XmlElement *, NoteFieldLevels + 1> m_open{};
    std::array<std::string, NoteFieldLevels + 1> m_text;
};

} // namespace

StoreReadResult ReadNoteStore(const QByteArray &document, const PixelScale &scale,
                              const NoteDefaults &defaults, const QLocale &locale)
{
    NoteCollector notes(scale, defaults, locale);
    ExpatStoreReader reader(notes);
    switch (reader.read(document)) {
    case ExpatStoreReader::Outcome::Read:
        return notes.finish();
    case ExpatStoreReader::Outcome::NotAStore:
        return failure(NoRootMessage);
    case ExpatStoreReader::Outcome::LeaveToDom:
        break;
    }
    return ReadNoteStoreThroughDom(document, scale, defaults, locale);
}

} // namespace pellux
