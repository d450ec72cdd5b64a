#include "core/store/StoreReading.h"

#include "core/Colors.h"
#include "core/Settings.h"
#include "core/TextRules.h"

#include <array>

namespace pellux::storedetail {

namespace {

std::optional<int> parseAlarmType(const QString &text)
{
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok);
    if (ok && v <= 255)
        return int(v);
    return std::nullopt;
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

bool knownNoteType(const QString &type)
{
    return type == QLatin1String("TextNote") || type == QLatin1String("TextNote30")
        || type == QLatin1String("CheckList") || type == QLatin1String("CheckList30");
}

} // namespace

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
    // Taken as written; whether it is a hash at all is the loader's to judge, which can
    // tell the user.
    n.passwordHash = note.childText(TagPasswordHash).value_or(QString());

    if (const auto title = note.childText(TagTitle)) {
        n.title = *title;
    } else {
        // No title stored: name the note after its content, as a dynamic title would.
        n.title = DynamicTitle(n.isTextNote() ? n.text : (n.rows.isEmpty() ? QString() : n.rows.first().text));
    }
    return n;
}

void NoteCollector::add(const XmlElement &e)
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

StoreReadResult failure(const QString &error)
{
    StoreReadResult result;
    result.error = error;
    return result;
}

} // namespace pellux::storedetail
