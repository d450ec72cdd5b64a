#include "core/Settings.h"

#include "core/LocaleText.h"
#include "core/store/StoreTextForms.h"
#include "core/TextRules.h"

#include <QSettings>
#include <QStringList>

#include <cmath>
#include <limits>

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

ProgramSettings SettingsStore::load(const FontSetting &listFont, const QDate &today, const QLocale &locale) const
{
    ProgramSettings s;

    // A missing key, or one whose text does not convert, keeps the default.
    auto text = [&](const QString &section, const QString &key) -> std::optional<QString> {
        if (!contains(section, key))
            return std::nullopt;
        return read(section, key, QString());
    };
    auto typed = [&](const QString &section, const QString &key, auto parse, auto fallback) {
        const std::optional<QString> t = text(section, key);
        if (!t)
            return fallback;
        const auto parsed = parse(*t);
        return parsed ? decltype(fallback)(*parsed) : fallback;
    };
    auto integer = [&](const QString &section, const QString &key, int fallback) {
        return typed(section, key, ParseSettingInt, fallback);
    };
    auto boolean = [&](const QString &section, const QString &key, bool fallback) {
        return typed(section, key, ParseBoolWord, fallback);
    };
    auto check = [&](const QString &key, int fallback) {
        return typed(SectionSettings, key, ParseCheckValue, fallback);
    };

    s.TaskbarIcon = integer(SectionSettings, QStringLiteral("TaskbarIcon"), s.TaskbarIcon);
    s.SystemTrayIcon = integer(SectionSettings, QStringLiteral("SystemTrayIcon"), s.SystemTrayIcon);
    s.High = integer(SectionSettings, QStringLiteral("High"), s.High);
    s.Wide = integer(SectionSettings, QStringLiteral("Wide"), s.Wide);
    s.Top = integer(SectionSettings, QStringLiteral("Top"), s.Top);
    s.Left = integer(SectionSettings, QStringLiteral("Left"), s.Left);
    s.WindowState = integer(SectionSettings, QStringLiteral("WindowState"), s.WindowState);

    s.font = listFont;
    if (const auto name = text(SectionFont, QStringLiteral("Name")); name && !name->trimmed().isEmpty())
        s.font.name = *name;
    s.font.size = typed(
        SectionFont, QStringLiteral("Size"), [&](const QString &t) { return ParseFontSize(t, locale); },
        listFont.size);
    s.font.bold = boolean(SectionFont, QStringLiteral("Bold"), listFont.bold);
    s.font.italic = boolean(SectionFont, QStringLiteral("Italic"), listFont.italic);
    s.font.underline = boolean(SectionFont, QStringLiteral("Underline"), listFont.underline);
    s.font.strikethrough = boolean(SectionFont, QStringLiteral("Strikethrough"), listFont.strikethrough);
    s.Fore = integer(SectionColors, QStringLiteral("Fore"), s.Fore);
    s.Back = integer(SectionColors, QStringLiteral("Back"), s.Back);

    s.AlwaysOnTop = check(QStringLiteral("AlwaysOnTop"), s.AlwaysOnTop);
    s.DynamicTitle = check(QStringLiteral("DynamicTitle"), s.DynamicTitle);
    s.RollUp = check(QStringLiteral("RollUp"), s.RollUp);
    s.AutoSave = typed(SectionSettings, QStringLiteral("AutoSave"), ParseAutoSave, s.AutoSave);

    s.NoteShortMenus = boolean(SectionSettings, QStringLiteral("NoteShortMenus"), s.NoteShortMenus);
    s.NoteDTPrint = boolean(SectionSettings, QStringLiteral("NoteDTPrint"), s.NoteDTPrint);
    s.SMTPServer = text(SectionSettings, QStringLiteral("SMTPServer")).value_or(QString());
    s.ReturnEMail = text(SectionSettings, QStringLiteral("ReturnEMail")).value_or(QString());
    s.EMailType = integer(SectionSettings, QStringLiteral("EMailType"), s.EMailType);
    s.SMTPUserID = text(SectionSettings, QStringLiteral("SMTPUserID")).value_or(QString());
    s.SMTPPassword = HexDecode(text(SectionSettings, QStringLiteral("SMTPPassword")).value_or(QString()));
    s.Version = text(SectionSettings, QStringLiteral("Version")).value_or(s.Version);
    s.NextUpdateCheck = typed(
        SectionSettings, QStringLiteral("NextUpdateCheck"),
        [&](const QString &t) { return ParseSettingDate(t, locale); }, today);
    return s;
}

void SettingsStore::save(const ProgramSettings &v, bool panelVisible, const QString &notePath,
                         const QString &appPath, const QString &versionText, const QLocale &locale)
{
    // The position of a hidden panel is not its own (it may be minimised or
    // off-screen), so the last visible one is kept.
    if (panelVisible) {
        write(SectionSettings, QStringLiteral("Top"), QString::number(v.Top));
        write(SectionSettings, QStringLiteral("Left"), QString::number(v.Left));
    }
    write(SectionColors, QStringLiteral("Fore"), QString::number(v.Fore));
    write(SectionColors, QStringLiteral("Back"), QString::number(v.Back));
    write(SectionFont, QStringLiteral("Name"), v.font.name);
    write(SectionFont, QStringLiteral("Size"), PointSizeText(v.font.size, locale));
    write(SectionFont, QStringLiteral("Bold"), BoolWord(v.font.bold));
    write(SectionFont, QStringLiteral("Italic"), BoolWord(v.font.italic));
    write(SectionFont, QStringLiteral("Underline"), BoolWord(v.font.underline));
    write(SectionFont, QStringLiteral("Strikethrough"), BoolWord(v.font.strikethrough));
    write(SectionSettings, QStringLiteral("AutoSave"), QString::number(v.AutoSave));
    write(SectionSettings, QStringLiteral("TaskbarIcon"), QString::number(v.TaskbarIcon));
    write(SectionSettings, QStringLiteral("SystemTrayIcon"), QString::number(v.SystemTrayIcon));
    write(SectionSettings, QStringLiteral("SMTPServer"), v.SMTPServer);
    write(SectionSettings, QStringLiteral("ReturnEMail"), v.ReturnEMail);
    write(SectionSettings, QStringLiteral("EMailType"), QString::number(v.EMailType));
    write(SectionSettings, QStringLiteral("SMTPUserID"), v.SMTPUserID);
    write(SectionSettings, QStringLiteral("SMTPPassword"), HexEncode(v.SMTPPassword));
    write(SectionSettings, QStringLiteral("NoteShortMenus"), BoolWord(v.NoteShortMenus));
    write(SectionSettings, QStringLiteral("NoteDTPrint"), BoolWord(v.NoteDTPrint));
    write(SectionSettings, QStringLiteral("AlwaysOnTop"), v.AlwaysOnTop ? QStringLiteral("1") : QStringLiteral("0"));
    write(SectionSettings, QStringLiteral("DynamicTitle"), v.DynamicTitle ? QStringLiteral("1") : QStringLiteral("0"));
    write(SectionSettings, QStringLiteral("RollUp"), v.RollUp ? QStringLiteral("1") : QStringLiteral("0"));
    write(SectionSettings, QStringLiteral("NotePath"), notePath);
    write(SectionSettings, QStringLiteral("AppPath"), appPath);
    write(SectionSettings, QStringLiteral("Version"), versionText);
    sync();
}

void SettingsStore::savePanelSize(int high, int wide)
{
    write(SectionSettings, QStringLiteral("High"), QString::number(high));
    write(SectionSettings, QStringLiteral("Wide"), QString::number(wide));
    sync();
}

void SettingsStore::saveWindowState(int state)
{
    write(SectionSettings, QStringLiteral("WindowState"), QString::number(state));
    sync();
}

void SettingsStore::saveStorePaths(const QString &notePath, const QString &appPath)
{
    write(SectionSettings, QStringLiteral("NotePath"), notePath);
    write(SectionSettings, QStringLiteral("AppPath"), appPath);
    sync();
}

void SettingsStore::saveVersion(const QString &versionText)
{
    write(SectionSettings, QStringLiteral("Version"), versionText);
    sync();
}

void SettingsStore::saveNextUpdateCheck(const QDate &date, const QLocale &locale)
{
    write(SectionSettings, QStringLiteral("NextUpdateCheck"), SettingDateText(date, locale));
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
