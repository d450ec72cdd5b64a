#include "core/NoteStore.h"

#include "core/Colors.h"
#include "core/LocaleText.h"
#include "core/Settings.h"
#include "core/TextRules.h"
#include "core/XmlLite.h"

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <limits>

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

bool isBlank(const QString &text)
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

std::optional<std::array<bool, 7>> parseDow(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 7)
        return std::nullopt;
    std::array<bool, 7> days{};
    for (int i = 0; i < 7; ++i) {
        const std::optional<bool> b = ParseBoolWord(parts.at(i));
        if (!b)
            return std::nullopt;
        days[size_t(i)] = *b;
    }
    return days;
}

// The readers below serve both the DOM (the loader's elements) and the fast store
// parser, whose elements answer the same calls.
template <typename E>
std::optional<QString> childText(const E &parent, const QString &name)
{
    const E e = parent.firstChildElement(name);
    if (e.isNull())
        return std::nullopt;
    return e.text();
}

template <typename E>
bool readBool(const E &parent, const QString &name, bool fallback)
{
    const std::optional<QString> t = childText(parent, name);
    if (!t)
        return fallback;
    return ParseBoolWord(*t).value_or(fallback);
}

template <typename E>
std::optional<int> readPixels(const E &parent, const QString &name, int twipsPerPixel,
                              bool mustBePositive)
{
    const std::optional<QString> t = childText(parent, name);
    if (!t)
        return std::nullopt;
    std::optional<int> v = ParsePixelNumber(*t, twipsPerPixel);
    if (v && mustBePositive && *v <= 0)
        return std::nullopt;
    return v;
}

template <typename E>
NoteStyle readStyle(const E &note, const NoteStyle &defaults, const QLocale &locale)
{
    NoteStyle style = defaults;
    const E font = note.firstChildElement(TagFont);
    if (!font.isNull()) {
        if (const auto name = childText(font, QStringLiteral("name")); name && !name->trimmed().isEmpty())
            style.fontName = *name;
        if (const auto size = childText(font, QStringLiteral("size")))
            style.fontSize = ParseFontSize(*size, locale).value_or(defaults.fontSize);
        style.bold = readBool(font, QStringLiteral("bold"), defaults.bold);
        style.italic = readBool(font, QStringLiteral("italic"), defaults.italic);
        style.underline = readBool(font, QStringLiteral("underline"), defaults.underline);
        style.strikethru = readBool(font, QStringLiteral("strikethru"), defaults.strikethru);
    }
    const E color = note.firstChildElement(TagColor);
    if (!color.isNull()) {
        if (const auto fore = childText(color, QStringLiteral("fore")))
            style.foreColor = HtmlToColorChecked(*fore).value_or(defaults.foreColor);
        if (const auto back = childText(color, QStringLiteral("back")))
            style.backColor = HtmlToColorChecked(*back).value_or(defaults.backColor);
    }
    return style;
}

// A store is four levels deep (notedata, note, data, item). The DOM parser's time
// grows with the square of the nesting depth, so a document nested far deeper than
// any store could freeze the program for minutes; it is refused before parsing.
constexpr int MaxStoreDepth = 64;

bool nestingWithin(const QByteArray &document, int limit)
{
    QXmlStreamReader reader(document);
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

template <typename E>
AlarmRecord readAlarm(const E &note, TextForms &forms)
{
    AlarmRecord alarm;
    const E e = note.firstChildElement(TagAlarm);
    if (e.isNull())
        return alarm;

    bool enabled = false;
    if (const auto t = childText(e, QStringLiteral("enabled")))
        enabled = ParseBoolWord(*t).value_or(false);
    alarm.Sound = childText(e, QStringLiteral("sound")).value_or(QString());
    if (const auto t = childText(e, QStringLiteral("type")))
        alarm.AlarmType = quint8(parseAlarmType(*t).value_or(0));

    bool timeKnown = false;
    if (const auto t = childText(e, QStringLiteral("time"))) {
        if (const auto time = forms.time(*t)) {
            alarm.AlarmTime = *time;
            timeKnown = true;
        }
    }
    bool dateKnown = false;
    if (const auto t = childText(e, QStringLiteral("date"))) {
        if (const auto date = forms.date(*t)) {
            alarm.AlarmDate = *date;
            dateKnown = true;
        }
    }
    bool daysKnown = false;
    if (const auto t = childText(e, QStringLiteral("dow"))) {
        if (const auto days = parseDow(*t)) {
            alarm.DaysOfWeek = *days;
            daysKnown = true;
        }
    }
    const bool whenKnown = timeKnown && (alarm.AlarmType == 0 ? dateKnown : daysKnown);
    alarm.Enabled = enabled && whenKnown;
    return alarm;
}

template <typename E>
std::optional<StoredNote> readNote(const E &note, const PixelScale &scale, const NoteDefaults &defaults,
                                   TextForms &forms, QString *skipReason)
{
    auto skip = [&](const QString &reason) -> std::optional<StoredNote> {
        if (skipReason)
            *skipReason = reason;
        return std::nullopt;
    };
    if (note.isNull())
        return skip(QStringLiteral("There is no note element."));
    if (note.tagName() != TagNote)
        return skip(QStringLiteral("The element \"%1\" is not a note.").arg(note.tagName()));
    if (!note.hasAttribute(AttrType))
        return skip(QStringLiteral("The note has no type."));
    const QString type = note.attribute(AttrType);
    if (!knownNoteType(type))
        return skip(QStringLiteral("The note type \"%1\" is unknown.").arg(type));

    StoredNote n;
    n.type = type;
    n.nid = childText(note, TagNid).value_or(QString());
    n.top = readPixels(note, TagTop, scale.y, false);
    n.left = readPixels(note, TagLeft, scale.x, false);
    n.width = readPixels(note, TagWidth, scale.x, true);
    n.height = readPixels(note, TagHeight, scale.y, true);
    n.visible = readBool(note, TagVisible, true);
    n.rollup = readBool(note, TagRollup, defaults.rollup);
    n.ontop = readBool(note, TagOntop, defaults.ontop);
    n.alarm = readAlarm(note, forms);

    const E data = note.firstChildElement(TagData);
    if (n.isTextNote()) {
        // The parser has folded every line break to LF; the note keeps CR LF.
        n.text = data.isNull() ? QString() : toCrLf(data.text());
        n.dynamicTitle = readBool(note, TagDynamicTitle, defaults.dynamicTitle);
    } else if (!data.isNull()) {
        for (E item = data.firstChildElement(TagItem); !item.isNull();
             item = item.nextSiblingElement(TagItem)) {
            CheckRow row;
            row.checked = ParseBoolWord(item.attribute(AttrChecked)).value_or(false);
            row.text = item.text();
            n.rows.append(row);
        }
    }
    n.style = readStyle(note, defaults.style, forms.locale());

    if (const auto title = childText(note, TagTitle)) {
        n.title = *title;
    } else {
        // No title stored: name the note after its content, as a dynamic title would.
        n.title = DynamicTitle(n.isTextNote() ? n.text : (n.rows.isEmpty() ? QString() : n.rows.first().text));
    }
    return n;
}

const QString NoRootMessage = QStringLiteral("The note store has no \"notedata\" element.");

template <typename E>
void readNotes(const E &root, const PixelScale &scale, const NoteDefaults &defaults, const QLocale &locale,
               StoreReadResult &result)
{
    result.ok = true;
    TextForms forms(locale);
    int position = 0;
    for (E e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        ++position;
        QString reason;
        std::optional<StoredNote> note = readNote(e, scale, defaults, forms, &reason);
        if (note) {
            result.notes.append(std::move(*note));
        } else {
            SkippedNote s;
            s.position = position;
            s.title = childText(e, TagTitle).value_or(QString());
            s.reason = reason;
            result.skipped.append(s);
        }
    }
}

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
    const QString t = text.trimmed();
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
    return readAlarm(note, forms);
}

std::optional<StoredNote> ReadNoteElement(const QDomElement &note, const PixelScale &scale,
                                          const NoteDefaults &defaults, const QLocale &locale,
                                          QString *skipReason)
{
    TextForms forms(locale);
    return readNote(note, scale, defaults, forms, skipReason);
}

StoreDocument ParseStoreDocument(const QByteArray &bytes)
{
    StoreDocument result;
    if (!nestingWithin(bytes, MaxStoreDepth)) {
        result.error = QStringLiteral("The note store is nested more than %1 levels deep; it is not a note store.")
                           .arg(MaxStoreDepth);
        return result;
    }
    QString message;
    int line = 0;
    int column = 0;
    if (!result.document.setContent(bytes, &message, &line, &column)) {
        result.error = QStringLiteral("The note store is not a readable XML document (line %1, column %2: %3).")
                           .arg(line)
                           .arg(column)
                           .arg(message);
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
    StoreReadResult result;
    const StoreDocument doc = ParseStoreDocument(document);
    if (!doc.ok()) {
        result.error = doc.error;
        return result;
    }
    readNotes(doc.root, scale, defaults, locale, result);
    return result;
}

StoreReadResult ReadNoteStore(const QByteArray &document, const PixelScale &scale,
                              const NoteDefaults &defaults, const QLocale &locale)
{
    // The store as this program writes it goes through the fast parser; anything
    // that parser does not take (another encoding, a document type, damage) goes
    // through the DOM, which also words the error.
    xmllite::Document doc;
    if (doc.parse(document, MaxStoreDepth)) {
        StoreReadResult result;
        const xmllite::Element root = doc.documentElement();
        if (root.tagName().toLower() != QLatin1String("notedata")) {
            result.error = NoRootMessage;
            return result;
        }
        readNotes(root, scale, defaults, locale, result);
        return result;
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
