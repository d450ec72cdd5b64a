#include "core/store/StoreWriter.h"

#include "core/Colors.h"
#include "core/TextRules.h"
#include "core/store/StoreSyntax.h"

#include <QXmlStreamWriter>

#include <array>

namespace pellux {

using namespace storedetail;

namespace {

const QByteArray StoreMarker = QByteArrayLiteral("<!--Pellux NoteData 4-->\r\n");

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
    // Last, and only for a protected note: a store of unprotected notes is the same as
    // ever, and a reader that looks for its elements by name never meets this one.
    if (!note.passwordHash.isEmpty())
        textElement(sink, TagPasswordHash, note.passwordHash);
    sink.endElement();
}

template <typename Build>
QDomElement buildElement(QDomDocument &doc, Build build)
{
    DomSink sink(doc);
    build(sink);
    return sink.result();
}

} // namespace

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
