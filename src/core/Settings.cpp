#include "core/Settings.h"

#include "core/LocaleText.h"
#include "core/store/StoreTextForms.h"
#include "core/TextRules.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace pellux {

namespace {

const QString SectionSettings = QStringLiteral("Settings");
const QString SectionColors = QStringLiteral("Colors");
const QString SectionFont = QStringLiteral("Font");

std::optional<int> roundedToInt(double v)
{
    const double r = std::nearbyint(v); // ties to even under the default rounding mode
    if (!std::isfinite(r) || r < double(std::numeric_limits<int>::min())
        || r > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(r);
}

} // namespace

std::optional<int> ParseSettingInt(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok)
        return v;
    // Only a plain decimal fraction; no exponent, no words.
    for (QChar c : t) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')))
            return std::nullopt;
    }
    const double d = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return roundedToInt(d);
}

std::optional<int> ParseAutoSave(const QString &text)
{
    // The leading number of the text, as a number is read from the start of a line:
    // blanks first, a sign, digits, a fraction; whatever follows is ignored.
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    QString number;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        number += text.at(i++);
    bool digits = false;
    while (i < n && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9') {
        number += text.at(i++);
        digits = true;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        number += text.at(i++);
        while (i < n && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9') {
            number += text.at(i++);
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const std::optional<int> minutes = roundedToInt(v);
    if (!minutes || *minutes < 0)
        return std::nullopt;
    return *minutes == 0 ? 5 : *minutes;
}

std::optional<float> ParseFontSize(const QString &text, const QLocale &locale)
{
    const std::optional<double> v = ParseDecimalText(text, locale);
    if (!v || *v <= 0.0 || *v > 1638.0)
        return std::nullopt;
    return float(*v);
}

QString SettingDateText(const QDate &date, const QLocale &locale)
{
    if (!date.isValid())
        return {};
    return locale.toString(date, ShortDateFormat4(locale));
}

std::optional<QDate> ParseSettingDate(const QString &text, const QLocale &locale)
{
    return ParseShortDate(text, locale);
}

std::optional<int> ParseCheckValue(const QString &text)
{
    const QString t = text.trimmed();
    if (t == QLatin1String("0"))
        return 0;
    if (t == QLatin1String("1"))
        return 1;
    return std::nullopt;
}

// -------------------------------------------------------------------------------------
// The text forms.

namespace {

template <typename T>
std::optional<QVariant> converted(const std::optional<T> &value)
{
    if (!value)
        return std::nullopt;
    return QVariant::fromValue(*value);
}

QString integerText(const QVariant &value, const QLocale &)
{
    return QString::number(value.toInt());
}

QString plainText(const QVariant &value, const QLocale &)
{
    return value.toString();
}

} // namespace

namespace settingforms {

const SettingForm Integer{
    QMetaType::fromType<int>(),
    [](const QString &text, const QLocale &) { return converted(ParseSettingInt(text)); },
    integerText,
};
const SettingForm &Twips = Integer;
const SettingForm &Colour = Integer;

const SettingForm Check{
    QMetaType::fromType<int>(),
    [](const QString &text, const QLocale &) { return converted(ParseCheckValue(text)); },
    [](const QVariant &value, const QLocale &) { return value.toInt() ? QStringLiteral("1") : QStringLiteral("0"); },
};

const SettingForm Minutes{
    QMetaType::fromType<int>(),
    [](const QString &text, const QLocale &) { return converted(ParseAutoSave(text)); },
    integerText,
};

const SettingForm BoolWord{
    QMetaType::fromType<bool>(),
    [](const QString &text, const QLocale &) { return converted(ParseBoolWord(text)); },
    [](const QVariant &value, const QLocale &) { return pellux::BoolWord(value.toBool()); },
};

const SettingForm PointSize{
    QMetaType::fromType<float>(),
    [](const QString &text, const QLocale &locale) { return converted(ParseFontSize(text, locale)); },
    [](const QVariant &value, const QLocale &locale) { return PointSizeText(value.toFloat(), locale); },
};

const SettingForm Text{
    QMetaType::fromType<QString>(),
    [](const QString &text, const QLocale &) { return std::optional<QVariant>(text); },
    plainText,
};

const SettingForm FontName{
    QMetaType::fromType<QString>(),
    [](const QString &text, const QLocale &) {
        // A font has a name: blank text keeps the default font.
        return text.trimmed().isEmpty() ? std::nullopt : std::optional<QVariant>(text);
    },
    plainText,
};

const SettingForm HexText{
    QMetaType::fromType<QString>(),
    [](const QString &text, const QLocale &) { return std::optional<QVariant>(HexDecode(text)); },
    [](const QVariant &value, const QLocale &) { return HexEncode(value.toString()); },
};

const SettingForm Date{
    QMetaType::fromType<QDate>(),
    [](const QString &text, const QLocale &locale) { return converted(ParseSettingDate(text, locale)); },
    [](const QVariant &value, const QLocale &locale) { return SettingDateText(value.toDate(), locale); },
};

} // namespace settingforms

// -------------------------------------------------------------------------------------
// The table.

namespace {

template <auto Member>
QVariant readField(const ProgramSettings &s)
{
    return QVariant::fromValue(s.*Member);
}

template <auto Member>
void writeField(ProgramSettings &s, const QVariant &value)
{
    using T = std::remove_cvref_t<decltype(s.*Member)>;
    s.*Member = value.value<T>();
}

template <auto Member>
QVariant readStyleField(const ProgramSettings &s)
{
    return QVariant::fromValue(s.sample.*Member);
}

template <auto Member>
void writeStyleField(ProgramSettings &s, const QVariant &value)
{
    using T = std::remove_cvref_t<decltype(s.sample.*Member)>;
    s.sample.*Member = value.value<T>();
}

template <auto Member>
constexpr SettingField field{&readField<Member>, &writeField<Member>};
template <auto Member>
constexpr SettingField styleField{&readStyleField<Member>, &writeStyleField<Member>};
constexpr SettingField notHeld{};

using P = ProgramSettings;
using F = NoteStyle;
using W = SettingWriter;
namespace form = settingforms;

std::vector<SettingRow> makeRows()
{
    const QString S = SectionSettings;
    const QString C = SectionColors;
    const QString T = SectionFont;
    const NoteStyle font;
    // Each row: key, section, name, default, text form, who writes it, where the program holds it.
    return {
        {Setting::Top, S, QStringLiteral("Top"), 100, &form::Twips, W::SaveSettingsWhileVisible, field<&P::Top>},
        {Setting::Left, S, QStringLiteral("Left"), 100, &form::Twips, W::SaveSettingsWhileVisible, field<&P::Left>},
        {Setting::Fore, C, QStringLiteral("Fore"), SystemWindowText, &form::Colour, W::SaveSettings, styleField<&F::foreColor>},
        {Setting::Back, C, QStringLiteral("Back"), DefaultNoteBack, &form::Colour, W::SaveSettings, styleField<&F::backColor>},
        // The "Font" defaults stand in for the panel list's font, which load is given.
        {Setting::FontName, T, QStringLiteral("Name"), font.fontName, &form::FontName, W::SaveSettings, styleField<&F::fontName>},
        {Setting::FontSize, T, QStringLiteral("Size"), font.fontSize, &form::PointSize, W::SaveSettings, styleField<&F::fontSize>},
        {Setting::FontBold, T, QStringLiteral("Bold"), font.bold, &form::BoolWord, W::SaveSettings, styleField<&F::bold>},
        {Setting::FontItalic, T, QStringLiteral("Italic"), font.italic, &form::BoolWord, W::SaveSettings,
         styleField<&F::italic>},
        {Setting::FontUnderline, T, QStringLiteral("Underline"), font.underline, &form::BoolWord, W::SaveSettings,
         styleField<&F::underline>},
        {Setting::FontStrikethrough, T, QStringLiteral("Strikethrough"), font.strikethru, &form::BoolWord,
         W::SaveSettings, styleField<&F::strikethru>},
        {Setting::AutoSave, S, QStringLiteral("AutoSave"), 5, &form::Minutes, W::SaveSettings, field<&P::AutoSave>},
        {Setting::TaskbarIcon, S, QStringLiteral("TaskbarIcon"), 0, &form::Integer, W::SaveSettings,
         field<&P::TaskbarIcon>},
        {Setting::SystemTrayIcon, S, QStringLiteral("SystemTrayIcon"), 1, &form::Integer, W::SaveSettings,
         field<&P::SystemTrayIcon>},
        {Setting::SMTPServer, S, QStringLiteral("SMTPServer"), QString(), &form::Text, W::SaveSettings,
         field<&P::SMTPServer>},
        {Setting::ReturnEMail, S, QStringLiteral("ReturnEMail"), QString(), &form::Text, W::SaveSettings,
         field<&P::ReturnEMail>},
        {Setting::EMailType, S, QStringLiteral("EMailType"), 0, &form::Integer, W::SaveSettings, field<&P::EMailType>},
        {Setting::SMTPUserID, S, QStringLiteral("SMTPUserID"), QString(), &form::Text, W::SaveSettings,
         field<&P::SMTPUserID>},
        // The password lives in the desktop's secret store; this key is only the fallback
        // where none answers, written by the password store alone (SmtpPasswordStore).
        {Setting::SMTPPassword, S, QStringLiteral("SMTPPassword"), QString(), &form::HexText, W::OwnMoment,
         notHeld},
        {Setting::NoteShortMenus, S, QStringLiteral("NoteShortMenus"), false, &form::BoolWord, W::SaveSettings,
         field<&P::NoteShortMenus>},
        {Setting::NoteDTPrint, S, QStringLiteral("NoteDTPrint"), true, &form::BoolWord, W::SaveSettings,
         field<&P::NoteDTPrint>},
        {Setting::AlwaysOnTop, S, QStringLiteral("AlwaysOnTop"), 0, &form::Check, W::SaveSettings,
         field<&P::AlwaysOnTop>},
        {Setting::DynamicTitle, S, QStringLiteral("DynamicTitle"), 1, &form::Check, W::SaveSettings,
         field<&P::DynamicTitle>},
        {Setting::RollUp, S, QStringLiteral("RollUp"), 0, &form::Check, W::SaveSettings, field<&P::RollUp>},
        // Written for use outside the program; never read.
        {Setting::NotePath, S, QStringLiteral("NotePath"), QString(), &form::Text, W::SaveSettings, notHeld},
        {Setting::AppPath, S, QStringLiteral("AppPath"), QString(), &form::Text, W::SaveSettings, notHeld},
        {Setting::Version, S, QStringLiteral("Version"), QStringLiteral("N/A"), &form::Text, W::SaveSettings,
         field<&P::Version>},
        {Setting::High, S, QStringLiteral("High"), 3000, &form::Twips, W::OwnMoment, field<&P::High>},
        {Setting::Wide, S, QStringLiteral("Wide"), 3000, &form::Twips, W::OwnMoment, field<&P::Wide>},
        {Setting::WindowState, S, QStringLiteral("WindowState"), 0, &form::Integer, W::OwnMoment,
         field<&P::WindowState>},
        // Load is given today, the default of this one.
        {Setting::NextUpdateCheck, S, QStringLiteral("NextUpdateCheck"), QDate(), &form::Date, W::OwnMoment,
         field<&P::NextUpdateCheck>},
    };
}

} // namespace

const std::vector<SettingRow> &SettingRows()
{
    static const std::vector<SettingRow> rows = makeRows();
    return rows;
}

const SettingRow &SettingRowOf(Setting key)
{
    const std::vector<SettingRow> &rows = SettingRows();
    const auto it = std::find_if(rows.begin(), rows.end(), [key](const SettingRow &r) { return r.key == key; });
    if (it == rows.end())
        qFatal("Pellux: the settings key %d has no row", int(key));
    return *it;
}

ProgramSettings::ProgramSettings()
{
    for (const SettingRow &row : SettingRows()) {
        if (row.field)
            row.field.write(*this, row.defaultValue);
    }
}

// -------------------------------------------------------------------------------------

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("PelluxNotes")))
{
}

SettingsStore::SettingsStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString &section, const QString &key, const QString &defaultText) const
{
    const QString path = section + QLatin1Char('/') + key;
    if (!m_settings->contains(path))
        return defaultText;
    const QVariant value = m_settings->value(path);
    // A hand-edited value with commas is handed back as a list; the program only
    // ever stores text, so put it back together.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QString>())
        return value.toString();
    return defaultText;
}

void SettingsStore::write(const QString &section, const QString &key, const QString &text)
{
    m_settings->setValue(section + QLatin1Char('/') + key, text);
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(section + QLatin1Char('/') + key);
}

void SettingsStore::remove(const QString &section, const QString &key)
{
    m_settings->remove(section + QLatin1Char('/') + key);
}

std::optional<QVariant> SettingsStore::storedValueOf(const SettingRow &row, const QLocale &locale) const
{
    if (!contains(row.section, row.name))
        return std::nullopt;
    return row.form->parse(read(row.section, row.name, QString()), locale);
}

std::optional<QVariant> SettingsStore::storedValue(Setting key, const QLocale &locale) const
{
    return storedValueOf(SettingRowOf(key), locale);
}

QVariant SettingsStore::value(Setting key, const QLocale &locale) const
{
    const SettingRow &row = SettingRowOf(key);
    return storedValueOf(row, locale).value_or(row.defaultValue);
}

void SettingsStore::set(Setting key, const QVariant &value, const QLocale &locale)
{
    const SettingRow &row = SettingRowOf(key);
    QVariant typed = value;
    const bool converts = typed.convert(row.form->type);
    Q_ASSERT_X(converts, "SettingsStore::set", "the value is not of the key's type");
    if (!converts)
        return;
    write(row.section, row.name, row.form->format(typed, locale));
}

ProgramSettings SettingsStore::load(const NoteStyle &listFont, const QDate &today, const QLocale &locale) const
{
    ProgramSettings s;
    // The defaults known only now.
    s.sample.takeFont(listFont);
    s.NextUpdateCheck = today;
    // A missing key, or one whose text does not convert, keeps the default.
    for (const SettingRow &row : SettingRows()) {
        if (!row.field)
            continue;
        if (const std::optional<QVariant> v = storedValueOf(row, locale))
            row.field.write(s, *v);
    }
    return s;
}

void SettingsStore::save(const ProgramSettings &v, bool panelVisible, const QString &notePath,
                         const QString &appPath, const QString &versionText, const QLocale &locale)
{
    for (const SettingRow &row : SettingRows()) {
        if (row.writer == SettingWriter::OwnMoment)
            continue;
        // The position of a hidden panel is not its own (it may be minimised or
        // off-screen), so the last visible one is kept.
        if (row.writer == SettingWriter::SaveSettingsWhileVisible && !panelVisible)
            continue;
        QVariant value;
        switch (row.key) {
        case Setting::NotePath:
            value = notePath;
            break;
        case Setting::AppPath:
            value = appPath;
            break;
        case Setting::Version:
            value = versionText;
            break;
        default:
            value = row.field.read(v);
            break;
        }
        write(row.section, row.name, row.form->format(value, locale));
    }
    sync();
}

QString SettingsStore::location() const
{
    return m_settings->fileName();
}

void SettingsStore::sync()
{
    m_settings->sync();
}

} // namespace pellux
