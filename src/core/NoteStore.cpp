#include "core/NoteStore.h"

#include "core/Colors.h"
#include "core/LocaleText.h"
#include "core/Settings.h"
#include "core/TextRules.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringList>
#include <QVarLengthArray>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <expat.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace pellux {

namespace {

const QString TagNote = QStringLiteral("note");
const QString TagTitle = QStringLiteral("title");
const QString TagNid = QStringLiteral("nid");
const QString TagTop = QStringLiteral("top");
const QString TagLeft = QStringLiteral("left");
const QString TagWidth = QStringLiteral("width");
const QString TagHeight = QStringLiteral("height");
const QString TagVisible = QStringLiteral("visible");
const QString TagRollup = QStringLiteral("rollup");
const QString TagOntop = QStringLiteral("ontop");
const QString TagAlarm = QStringLiteral("pelluxalarm");
const QString TagData = QStringLiteral("data");
const QString TagDynamicTitle = QStringLiteral("dynamictitle");
const QString TagFont = QStringLiteral("font");
const QString TagColor = QStringLiteral("color");
const QString TagItem = QStringLiteral("item");
const QString AttrType = QStringLiteral("type");
const QString AttrChecked = QStringLiteral("checked");

const QByteArray StoreMarker = QByteArrayLiteral("<!--Pellux NoteData 4-->\r\n");

const QDate ZeroDate(1899, 12, 30);

std::optional<QTime> parseTime(const QString &text, const LocaleForms &forms)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (const QString *format : {&forms.longTime, &forms.shortTime}) {
        const QTime time = forms.locale.toTime(t, *format);
        if (time.isValid())
            return time;
    }
    for (const char *format : {"H:mm:ss", "H:mm"}) {
        const QTime time = QTime::fromString(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

std::optional<QDate> parseDate(const QString &text, const LocaleForms &forms)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (const std::optional<QDate> date = ParseShortDate(t, forms))
        return *date == ZeroDate ? QDate() : *date;
    // A time with no date part is a value on the zero date: that is how the
    // zero date has always been written.
    if (parseTime(t, forms))
        return QDate();
    return std::nullopt;
}

/**
 * The text forms of one locale for a whole store. Reading a date or time through
 * the locale is slow, and a store repeats the same few texts (every unset alarm
 * has the same midnight texts), so each distinct text is read once.
 */
struct TextForms
{
    explicit TextForms(const QLocale &l) : forms(l), midnight(l.toString(QTime(0, 0), forms.longTime)) {}

    const QLocale &locale() const { return forms.locale; }

    QString timeText(const QTime &time) const
    {
        if (!time.isValid() || time == QTime(0, 0))
            return midnight;
        return forms.locale.toString(time, forms.longTime);
    }
    QString dateText(const QDate &date) const
    {
        if (!date.isValid() || date == ZeroDate)
            return midnight;
        return forms.locale.toString(date, forms.date4);
    }
    std::optional<QTime> time(const QString &text)
    {
        auto it = times.constFind(text);
        if (it == times.cend())
            it = times.insert(text, parseTime(text, forms));
        return *it;
    }
    std::optional<QDate> date(const QString &text)
    {
        auto it = dates.constFind(text);
        if (it == dates.cend())
            it = dates.insert(text, parseDate(text, forms));
        return *it;
    }

    LocaleForms forms;
    QString midnight;
    QHash<QString, std::optional<QTime>> times;
    QHash<QString, std::optional<QDate>> dates;
};

// ---------------------------------------------------------------------------------
// One description of the element forms, two outputs: the DOM (for the note windows'
// fragments) and the stream writer (for the store, which needs raw CR LF in text).

class XmlSink
{
public:
    virtual ~XmlSink() = default;
    virtual void startElement(const QString &name) = 0;
    virtual void attribute(const QString &name, const QString &value) = 0;
    virtual void characters(const QString &text) = 0;
    virtual void cdata(const QString &text) = 0;
    virtual void endElement() = 0;
};

class StreamSink final : public XmlSink
{
public:
    explicit StreamSink(QXmlStreamWriter &w) : m_w(w) {}
    void startElement(const QString &name) override { m_w.writeStartElement(name); }
    void attribute(const QString &name, const QString &value) override { m_w.writeAttribute(name, value); }
    void characters(const QString &text) override { m_w.writeCharacters(text); }
    void cdata(const QString &text) override { m_w.writeCDATA(text); }
    void endElement() override { m_w.writeEndElement(); }

private:
    QXmlStreamWriter &m_w;
};

class DomSink final : public XmlSink
{
public:
    explicit DomSink(QDomDocument &doc) : m_doc(doc) {}
    void startElement(const QString &name) override
    {
        QDomElement e = m_doc.createElement(name);
        if (!m_open.isEmpty())
            m_open.last().appendChild(e);
        else
            m_result = e;
        m_open.append(e);
    }
    void attribute(const QString &name, const QString &value) override { m_open.last().setAttribute(name, value); }
    void characters(const QString &text) override { m_open.last().appendChild(m_doc.createTextNode(text)); }
    void cdata(const QString &text) override { m_open.last().appendChild(m_doc.createCDATASection(text)); }
    void endElement() override { m_open.removeLast(); }
    QDomElement result() const { return m_result; }

private:
    QDomDocument &m_doc;
    QList<QDomElement> m_open;
    QDomElement m_result;
};

bool isBlank(QStringView text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

void writeText(XmlSink &sink, const QString &text)
{
    // An element with no text is written as <name/> by both outputs alike.
    if (text.isEmpty())
        return;
    const QString safe = XmlSafeText(text);
    // The DOM reader drops text made only of white space (any Unicode space, the
    // no-break space included); a CDATA section keeps it, so a note holding only
    // empty lines or blanks comes back as it was saved.
    if (isBlank(safe))
        sink.cdata(safe);
    else
        sink.characters(safe);
}

void textElement(XmlSink &sink, const QString &name, const QString &text)
{
    sink.startElement(name);
    writeText(sink, text);
    sink.endElement();
}

void writeFont(XmlSink &sink, const NoteStyle &style, const TextForms &forms)
{
    sink.startElement(TagFont);
    textElement(sink, QStringLiteral("name"), style.fontName);
    textElement(sink, QStringLiteral("size"), PointSizeText(style.fontSize, forms.locale()));
    textElement(sink, QStringLiteral("bold"), BoolWord(style.bold));
    textElement(sink, QStringLiteral("italic"), BoolWord(style.italic));
    textElement(sink, QStringLiteral("underline"), BoolWord(style.underline));
    textElement(sink, QStringLiteral("strikethru"), BoolWord(style.strikethru));
    sink.endElement();
}

void writeColor(XmlSink &sink, const NoteStyle &style)
{
    sink.startElement(TagColor);
    textElement(sink, QStringLiteral("fore"), ColorToHtml(style.foreColor));
    textElement(sink, QStringLiteral("back"), ColorToHtml(style.backColor));
    sink.endElement();
}

QString dowText(const std::array<bool, 7> &days)
{
    QString out;
    for (size_t i = 0; i < days.size(); ++i) {
        if (i)
            out += QLatin1Char(',');
        out += BoolWord(days[i]);
    }
    return out;
}

void writeAlarm(XmlSink &sink, const AlarmRecord &alarm, const TextForms &forms)
{
    sink.startElement(TagAlarm);
    textElement(sink, QStringLiteral("enabled"), BoolWord(alarm.Enabled));
    textElement(sink, QStringLiteral("sound"), alarm.Sound);
    textElement(sink, QStringLiteral("type"), QString::number(alarm.AlarmType));
    textElement(sink, QStringLiteral("time"), forms.timeText(alarm.AlarmTime));
    textElement(sink, QStringLiteral("date"), forms.dateText(alarm.AlarmDate));
    textElement(sink, QStringLiteral("dow"), dowText(alarm.DaysOfWeek));
    sink.endElement();
}

void writeCheckListData(XmlSink &sink, const QList<CheckRow> &rows)
{
    sink.startElement(TagData);
    for (const CheckRow &row : rows) {
        sink.startElement(TagItem);
        sink.attribute(AttrChecked, BoolWord(row.checked));
        writeText(sink, row.text);
        sink.endElement();
    }
    sink.endElement();
}

QString optionalPixels(const std::optional<int> &twips, int twipsPerPixel)
{
    // A field the note never had stays empty, and reads back as "not given".
    return twips ? PixelNumber(*twips, twipsPerPixel) : QString();
}

void writeNote(XmlSink &sink, const StoredNote &note, const PixelScale &scale, const TextForms &forms)
{
    sink.startElement(TagNote);
    sink.attribute(AttrType, XmlSafeText(note.type));
    textElement(sink, TagTitle, note.title);
    textElement(sink, TagNid, note.nid);
    textElement(sink, TagTop, optionalPixels(note.top, scale.y));
    textElement(sink, TagLeft, optionalPixels(note.left, scale.x));
    textElement(sink, TagWidth, optionalPixels(note.width, scale.x));
    textElement(sink, TagHeight, optionalPixels(note.height, scale.y));
    textElement(sink, TagVisible, BoolWord(note.visible));
    textElement(sink, TagRollup, BoolWord(note.rollup));
    textElement(sink, TagOntop, BoolWord(note.ontop));
    writeAlarm(sink, note.alarm, forms);
    if (note.isTextNote()) {
        textElement(sink, TagData, note.text);
        textElement(sink, TagDynamicTitle, BoolWord(note.dynamicTitle));
    } else if (note.isCheckList()) {
        writeCheckListData(sink, note.rows);
    }
    writeFont(sink, note.style, forms);
    writeColor(sink, note.style);
    sink.endElement();
}

template <typename Build>
QDomElement buildElement(QDomDocument &doc, Build build)
{
    DomSink sink(doc);
    build(sink);
    return sink.result();
}

// ---------------------------------------------------------------------------------
// Reading.

std::optional<int> parseAlarmType(const QString &text)
{
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok);
    if (ok && v <= 255)
        return int(v);
    return std::nullopt;
}

std::optional<bool> parseBoolWord(QStringView text)
{
    // The words as the writer spells them, thousands of times in a store, first.
    if (text == QLatin1String("True"))
        return true;
    if (text == QLatin1String("False"))
        return false;
    const QStringView t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v != 0.0;
}

std::optional<std::array<bool, 7>> parseDow(QStringView text)
{
    // Seven words at least, read in place: every note of a store has this field.
    std::array<bool, 7> days{};
    size_t n = 0;
    for (const QStringView part : text.tokenize(u',')) {
        if (n == days.size())
            break;
        const std::optional<bool> b = parseBoolWord(part);
        if (!b)
            return std::nullopt;
        days[n++] = *b;
    }
    if (n < days.size())
        return std::nullopt;
    return days;
}

/**
 * An element as the note reading code sees it: its name, its attributes, all the text
 * inside it (QDomElement::text(): every descendant's character data, pieces made
 * only of white space left out as the DOM parser leaves them out), and its child
 * elements down to the depth at which a note keeps its fields. The store's stream
 * reader and the loader's DOM elements both fill one, so the field rules below are
 * written once.
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
            TagAlarm, TagData, TagDynamicTitle, TagFont, TagColor, TagItem, AttrType, AttrChecked,
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

bool readBool(const XmlElement &parent, const QString &name, bool fallback)
{
    const std::optional<QString> t = parent.childText(name);
    if (!t)
        return fallback;
    return ParseBoolWord(*t).value_or(fallback);
}

std::optional<int> readPixels(const XmlElement &parent, const QString &name, int twipsPerPixel,
                              bool mustBePositive)
{
    const std::optional<QString> t = parent.childText(name);
    if (!t)
        return std::nullopt;
    std::optional<int> v = ParsePixelNumber(*t, twipsPerPixel);
    if (v && mustBePositive && *v <= 0)
        return std::nullopt;
    return v;
}

NoteStyle readStyle(const XmlElement &note, const NoteStyle &defaults, const QLocale &locale)
{
    NoteStyle style = defaults;
    if (const XmlElement *font = note.child(TagFont)) {
        if (const auto name = font->childText(QStringLiteral("name")); name && !name->trimmed().isEmpty())
            style.fontName = *name;
        if (const auto size = font->childText(QStringLiteral("size")))
            style.fontSize = ParseFontSize(*size, locale).value_or(defaults.fontSize);
        style.bold = readBool(*font, QStringLiteral("bold"), defaults.bold);
        style.italic = readBool(*font, QStringLiteral("italic"), defaults.italic);
        style.underline = readBool(*font, QStringLiteral("underline"), defaults.underline);
        style.strikethru = readBool(*font, QStringLiteral("strikethru"), defaults.strikethru);
    }
    if (const XmlElement *color = note.child(TagColor)) {
        if (const auto fore = color->childText(QStringLiteral("fore")))
            style.foreColor = HtmlToColorChecked(*fore).value_or(defaults.foreColor);
        if (const auto back = color->childText(QStringLiteral("back")))
            style.backColor = HtmlToColorChecked(*back).value_or(defaults.backColor);
    }
    return style;
}

// A store is four levels deep (notedata, note, data, item). The DOM parser's time
// grows with the square of the nesting depth, so a document nested far deeper than
// any store could freeze the program for minutes; it is refused before parsing.
// The fast reader hands any document deeper than that to the DOM reader, so the
// two agree.
constexpr int MaxStoreDepth = 64;

const QString NoRootMessage = QStringLiteral("The note store has no \"notedata\" element.");

QString tooDeepMessage()
{
    return QStringLiteral("The note store is nested more than %1 levels deep; it is not a note store.")
        .arg(MaxStoreDepth);
}

QString unreadableMessage(qint64 line, qint64 column, const QString &why)
{
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

bool knownNoteType(const QString &type)
{
    return type == QLatin1String("TextNote") || type == QLatin1String("TextNote30")
        || type == QLatin1String("CheckList") || type == QLatin1String("CheckList30");
}

AlarmRecord readAlarm(const XmlElement &note, TextForms &forms)
{
    AlarmRecord alarm;
    const XmlElement *e = note.child(TagAlarm);
    if (!e)
        return alarm;

    bool enabled = false;
    if (const auto t = e->childText(QStringLiteral("enabled")))
        enabled = ParseBoolWord(*t).value_or(false);
    alarm.Sound = e->childText(QStringLiteral("sound")).value_or(QString());
    if (const auto t = e->childText(QStringLiteral("type")))
        alarm.AlarmType = quint8(parseAlarmType(*t).value_or(0));

    bool timeKnown = false;
    if (const auto t = e->childText(QStringLiteral("time"))) {
        if (const auto time = forms.time(*t)) {
            alarm.AlarmTime = *time;
            timeKnown = true;
        }
    }
    bool dateKnown = false;
    if (const auto t = e->childText(QStringLiteral("date"))) {
        if (const auto date = forms.date(*t)) {
            alarm.AlarmDate = *date;
            dateKnown = true;
        }
    }
    bool daysKnown = false;
    if (const auto t = e->childText(QStringLiteral("dow"))) {
        if (const auto days = parseDow(*t)) {
            alarm.DaysOfWeek = *days;
            daysKnown = true;
        }
    }
    const bool whenKnown = timeKnown && (alarm.AlarmType == 0 ? dateKnown : daysKnown);
    alarm.Enabled = enabled && whenKnown;
    return alarm;
}

std::optional<StoredNote> readNote(const XmlElement &note, const PixelScale &scale, const NoteDefaults &defaults,
                                   TextForms &forms, QString *skipReason)
{
    auto skip = [&](const QString &reason) -> std::optional<StoredNote> {
        if (skipReason)
            *skipReason = reason;
        return std::nullopt;
    };
    if (note.name != TagNote)
        return skip(QStringLiteral("The element \"%1\" is not a note.").arg(note.name));
    const QString *type = note.attribute(AttrType);
    if (!type)
        return skip(QStringLiteral("The note has no type."));
    if (!knownNoteType(*type))
        return skip(QStringLiteral("The note type \"%1\" is unknown.").arg(*type));

    StoredNote n;
    n.type = *type;
    n.nid = note.childText(TagNid).value_or(QString());
    n.top = readPixels(note, TagTop, scale.y, false);
    n.left = readPixels(note, TagLeft, scale.x, false);
    n.width = readPixels(note, TagWidth, scale.x, true);
    n.height = readPixels(note, TagHeight, scale.y, true);
    n.visible = readBool(note, TagVisible, true);
    n.rollup = readBool(note, TagRollup, defaults.rollup);
    n.ontop = readBool(note, TagOntop, defaults.ontop);
    n.alarm = readAlarm(note, forms);

    const XmlElement *data = note.child(TagData);
    if (n.isTextNote()) {
        // The parser has folded every line break to LF; the note keeps CR LF.
        n.text = data ? toCrLf(data->text) : QString();
        n.dynamicTitle = readBool(note, TagDynamicTitle, defaults.dynamicTitle);
    } else if (data) {
        n.rows.reserve(data->children.size());
        for (const XmlElement &item : data->children) {
            if (item.name != TagItem)
                continue;
            CheckRow row;
            const QString *checked = item.attribute(AttrChecked);
            row.checked = checked ? ParseBoolWord(*checked).value_or(false) : false;
            row.text = item.text;
            n.rows.append(row);
        }
    }
    n.style = readStyle(note, defaults.style, forms.locale());

    if (const auto title = note.childText(TagTitle)) {
        n.title = *title;
    } else {
        // No title stored: name the note after its content, as a dynamic title would.
        n.title = DynamicTitle(n.isTextNote() ? n.text : (n.rows.isEmpty() ? QString() : n.rows.first().text));
    }
    return n;
}

/// The children of the root, one by one, into the result: notes read, others skipped.
class NoteCollector
{
public:
    NoteCollector(const PixelScale &scale, const NoteDefaults &defaults, const QLocale &locale)
        : m_scale(scale), m_defaults(defaults), m_forms(locale)
    {
    }

    void add(const XmlElement &e)
    {
        ++m_position;
        QString reason;
        std::optional<StoredNote> note = readNote(e, m_scale, m_defaults, m_forms, &reason);
        if (note) {
            m_result.notes.append(std::move(*note));
        } else {
            SkippedNote s;
            s.position = m_position;
            s.title = e.childText(TagTitle).value_or(QString());
            s.reason = reason;
            m_result.skipped.append(s);
        }
    }

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

StoreReadResult failure(const QString &error)
{
    StoreReadResult result;
    result.error = error;
    return result;
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

// -------------------------------------------------------------------------------------

QString XmlSafeText(const QString &text)
{
    // Position of the first character XML 1.0 cannot hold, from \a from on; -1 if none.
    auto firstBad = [](const char16_t *p, qsizetype from, qsizetype n) -> qsizetype {
        for (qsizetype i = from; i < n; ++i) {
            const char16_t u = p[i];
            if (u >= 0x20 && u < 0xD800)
                continue;
            if (u < 0x20) {
                if (u == 0x9 || u == 0xA || u == 0xD)
                    continue;
                return i;
            }
            if (u <= 0xDBFF) {
                if (i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
                    ++i;
                    continue;
                }
                return i;
            }
            if (u <= 0xDFFF || u == 0xFFFE || u == 0xFFFF)
                return i;
        }
        return -1;
    };

    const qsizetype n = text.size();
    const char16_t *data = reinterpret_cast<const char16_t *>(text.constData());
    // Nearly every text is clean: a branch-free look at blocks of characters (which
    // the compiler turns into vector code) finds the first block worth a closer look.
    constexpr qsizetype Block = 32;
    qsizetype start = 0;
    for (; start + Block <= n; start += Block) {
        bool suspicious = false;
        for (qsizetype i = start; i < start + Block; ++i) {
            const char16_t u = data[i];
            suspicious |= (u < 0x20) & (u != 0x9) & (u != 0xA) & (u != 0xD);
            suspicious |= u >= 0xD800;
        }
        if (suspicious)
            break;
    }
    qsizetype bad = firstBad(data, start, n);
    if (bad < 0)
        return text;
    QString out = text;
    char16_t *p = reinterpret_cast<char16_t *>(out.data());
    while (bad >= 0) {
        p[bad] = u' ';
        bad = firstBad(p, bad + 1, n);
    }
    return out;
}

StoreFormat DetectStoreFormat(const QByteArray &head)
{
    QByteArrayView data(head);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    if (data.isEmpty())
        return StoreFormat::Empty;
    qsizetype end = 0;
    while (end < data.size() && data.at(end) != '\r' && data.at(end) != '\n')
        ++end;
    const QByteArrayView line = data.first(end);
    if (line == "NoteFile 3.0")
        return StoreFormat::RecordStore30;
    if (line == "NoteFile 3.1")
        return StoreFormat::RecordStore31;
    if (line.indexOf(QByteArrayView("Pellux NoteData 4")) >= 0)
        return StoreFormat::NoteData4;
    return StoreFormat::Unknown;
}

QString BoolWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> ParseBoolWord(const QString &text)
{
    return parseBoolWord(text);
}

QString PixelNumber(int twips, int twipsPerPixel)
{
    const int factor = twipsPerPixel >= 1 ? twipsPerPixel : 15;
    if (twips % factor == 0)
        return QString::number(twips / factor);
    return QString::number(double(twips) / factor, 'g', 15);
}

std::optional<int> ParsePixelNumber(const QString &text, int twipsPerPixel)
{
    const int factor = twipsPerPixel >= 1 ? twipsPerPixel : 15;
    // Whole pixels as the writer puts them ("-300"), the common case, without the
    // general number parser.
    if (const qsizetype n = text.size(); n > 0 && n <= 10) {
        const bool negative = text.front() == QLatin1Char('-');
        qint64 pixels = 0;
        qsizetype i = negative ? 1 : 0;
        bool digits = i < n;
        for (; i < n && digits; ++i) {
            const char16_t c = text.at(i).unicode();
            digits = c >= u'0' && c <= u'9';
            pixels = pixels * 10 + (c - u'0');
        }
        if (digits) {
            const qint64 twips = (negative ? -pixels : pixels) * factor;
            if (twips < std::numeric_limits<int>::min() || twips > std::numeric_limits<int>::max())
                return std::nullopt;
            return int(twips);
        }
    }
    const std::optional<double> v = ParseDecimalText(text, QLocale());
    if (!v)
        return std::nullopt;
    // Nearest whole pixel, ties to even (the default rounding mode).
    const double twips = std::nearbyint(*v) * factor;
    if (twips < double(std::numeric_limits<int>::min()) || twips > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(twips);
}

QString AlarmTimeText(const QTime &time, const QLocale &locale)
{
    return TextForms(locale).timeText(time);
}

QString AlarmDateText(const QDate &date, const QLocale &locale)
{
    return TextForms(locale).dateText(date);
}

std::optional<QTime> ParseAlarmTime(const QString &text, const QLocale &locale)
{
    return parseTime(text, LocaleForms(locale));
}

std::optional<QDate> ParseAlarmDate(const QString &text, const QLocale &locale)
{
    return parseDate(text, LocaleForms(locale));
}

// -------------------------------------------------------------------------------------

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

QByteArray WriteNoteStore(const QList<StoredNote> &notes, const PixelScale &scale, const QLocale &locale)
{
    // The writer fills a string, which is turned into UTF-8 once: much faster than
    // letting it encode and write every small piece through a device.
    QString body;
    qsizetype estimate = 64;
    for (const StoredNote &n : notes)
        estimate += 900 + n.text.size() * 11 / 10 + n.rows.size() * 40;
    body.reserve(estimate);
    {
        QXmlStreamWriter writer(&body);
        writer.setAutoFormatting(false);
        StreamSink sink(writer);
        const TextForms forms(locale);
        sink.startElement(QStringLiteral("notedata"));
        sink.attribute(QStringLiteral("version"), QStringLiteral("4"));
        for (const StoredNote &n : notes)
            writeNote(sink, n, scale, forms);
        sink.endElement();
    }
    QByteArray out;
    out.reserve(StoreMarker.size() + body.size() * 11 / 10 + 2);
    out += StoreMarker;
    out += body.toUtf8();
    out += "\r\n";
    return out;
}

QDomElement FontElement(QDomDocument &doc, const NoteStyle &style, const QLocale &locale)
{
    const TextForms forms(locale);
    return buildElement(doc, [&](XmlSink &s) { writeFont(s, style, forms); });
}

QDomElement ColorElement(QDomDocument &doc, const NoteStyle &style)
{
    return buildElement(doc, [&](XmlSink &s) { writeColor(s, style); });
}

QDomElement AlarmElement(QDomDocument &doc, const AlarmRecord &alarm, const QLocale &locale)
{
    const TextForms forms(locale);
    return buildElement(doc, [&](XmlSink &s) { writeAlarm(s, alarm, forms); });
}

QDomElement CheckListDataElement(QDomDocument &doc, const QList<CheckRow> &rows)
{
    return buildElement(doc, [&](XmlSink &s) { writeCheckListData(s, rows); });
}

QDomElement NoteElement(QDomDocument &doc, const StoredNote &note, const PixelScale &scale, const QLocale &locale)
{
    const TextForms forms(locale);
    return buildElement(doc, [&](XmlSink &s) { writeNote(s, note, scale, forms); });
}

} // namespace pellux
