#pragma once

#include "core/NoteRecord.h"

#include <QDate>
#include <QLocale>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

namespace pellux {

/**
 * Every program setting, as held in memory after loading. Default-constructed it
 * holds each key's default from SettingRows() (the "Font" keys then hold those of
 * a default NoteStyle, and "NextUpdateCheck" a null date, until load gives the
 * panel list's font and today).
 */
struct ProgramSettings
{
    ProgramSettings();

    int TaskbarIcon{};
    int SystemTrayIcon{};
    int High{};                 ///< twips
    int Wide{};                 ///< twips
    int Top{};                  ///< twips
    int Left{};                 ///< twips
    int WindowState{};
    /// The new-note font and colours: the "Font" keys, "Fore" and "Back".
    NoteStyle sample;
    int AlwaysOnTop{};
    int DynamicTitle{};
    int RollUp{};
    int AutoSave{};
    bool NoteShortMenus{};
    bool NoteDTPrint{};
    QString SMTPServer;
    QString ReturnEMail;
    int EMailType{};
    QString SMTPUserID;
    QString Version;
    QDate NextUpdateCheck;

    bool operator==(const ProgramSettings &) const = default;
};

/**
 * Parsing rules of the stored text forms. Text that does not convert gives nullopt.
 * An integer is decimal digits with an optional sign (blanks around are ignored); a
 * plain decimal fraction ("1500.0") is rounded to the nearest whole, ties to even.
 * Values outside the signed 32-bit range do not convert.
 */
std::optional<int> ParseSettingInt(const QString &text);
/**
 * "AutoSave": the leading number ("7 minutes" is 7; "." is the decimal sign), nearest
 * whole (ties to even); 0 becomes 5; no leading number, a negative number or one
 * beyond the int range gives nullopt (the caller's default, 5 minutes).
 */
std::optional<int> ParseAutoSave(const QString &text);
/// A point size, "." or the locale's decimal sign; only sizes above 0 and up to 1638 convert.
std::optional<float> ParseFontSize(const QString &text, const QLocale &locale = QLocale());
/// The short date format with a four-digit year (en_US "M/d/yyyy"); a null date is empty text.
QString SettingDateText(const QDate &date, const QLocale &locale = QLocale());
std::optional<QDate> ParseSettingDate(const QString &text, const QLocale &locale = QLocale());
/// A check value: "0" or "1" (anything else does not convert).
std::optional<int> ParseCheckValue(const QString &text);

/// The settings keys, in code. SettingRows() gives each its section, name, default and text form.
enum class Setting {
    // What SaveSettings writes, in the order it writes them.
    Top,
    Left,
    Fore,
    Back,
    FontName,
    FontSize,
    FontBold,
    FontItalic,
    FontUnderline,
    FontStrikethrough,
    AutoSave,
    TaskbarIcon,
    SystemTrayIcon,
    SMTPServer,
    ReturnEMail,
    EMailType,
    SMTPUserID,
    SMTPPassword,
    NoteShortMenus,
    NoteDTPrint,
    AlwaysOnTop,
    DynamicTitle,
    RollUp,
    NotePath,
    AppPath,
    Version,
    // Written at moments of their own.
    High,
    Wide,
    WindowState,
    NextUpdateCheck,
};

/**
 * A text form of the settings: the type of the value, how stored text is read
 * (nullopt when it does not convert) and how a value is written.
 */
struct SettingForm
{
    QMetaType type;
    std::optional<QVariant> (*parse)(const QString &text, const QLocale &locale);
    QString (*format)(const QVariant &value, const QLocale &locale);
};

/// The text forms the keys use.
namespace settingforms {
extern const SettingForm Integer;   ///< decimal digits with an optional sign (ParseSettingInt)
extern const SettingForm &Twips;    ///< a distance in twips, an integer
extern const SettingForm &Colour;   ///< a colour value, a signed 32-bit integer
extern const SettingForm Check;     ///< "0" or "1" (ParseCheckValue)
extern const SettingForm Minutes;   ///< "AutoSave": written as an integer, read by ParseAutoSave
extern const SettingForm BoolWord;  ///< "True"/"False"
extern const SettingForm PointSize; ///< a decimal point size in the locale's decimal sign (ParseFontSize)
extern const SettingForm Text;      ///< any text as it stands
extern const SettingForm FontName;  ///< text; blank text does not convert
extern const SettingForm HexText;   ///< text held decoded, stored through HexEncode
extern const SettingForm Date;      ///< the short date format with a four-digit year
} // namespace settingforms

/// Who writes a key.
enum class SettingWriter {
    SaveSettings,               ///< every SettingsStore::save
    SaveSettingsWhileVisible,   ///< SettingsStore::save while the panel is visible (its position)
    OwnMoment,                  ///< never save: the panel when resized, shutdown, the version check
};

/// Where ProgramSettings holds a key's value.
struct SettingField
{
    QVariant (*read)(const ProgramSettings &) = nullptr;
    void (*write)(ProgramSettings &, const QVariant &) = nullptr;
    explicit operator bool() const { return read != nullptr; }
};

/// One key of the settings.
struct SettingRow
{
    Setting key;
    QString section;
    QString name;
    QVariant defaultValue;      ///< of form->type
    const SettingForm *form;
    SettingWriter writer;
    /// Empty for the keys written for use outside the program and never read.
    SettingField field;
};

/// Every key, in the order SettingsStore::save writes them, then the others.
const std::vector<SettingRow> &SettingRows();
const SettingRow &SettingRowOf(Setting key);

/**
 * The per-user settings store: application "PelluxNotes", sections "Settings",
 * "Colors", "Font", every value as text. A missing key, or a value that does not
 * convert to its type, yields the key's default.
 */
class SettingsStore
{
public:
    /// The production store (QSettings native format, user scope, "PelluxNotes").
    SettingsStore();
    /// A store on a given QSettings (tests).
    explicit SettingsStore(std::unique_ptr<QSettings> settings);
    ~SettingsStore();

    /// The stored value of \a key, or its row's default when missing or unconvertible.
    QVariant value(Setting key, const QLocale &locale = QLocale()) const;
    /// The stored value of \a key; nullopt when missing or unconvertible.
    std::optional<QVariant> storedValue(Setting key, const QLocale &locale = QLocale()) const;
    /// Writes \a value in the key's text form (not synced: see sync()).
    void set(Setting key, const QVariant &value, const QLocale &locale = QLocale());

    /// value() as the key's type.
    template <typename T>
    T get(Setting key, const QLocale &locale = QLocale()) const
    {
        Q_ASSERT(QMetaType::fromType<T>() == SettingRowOf(key).form->type);
        return value(key, locale).template value<T>();
    }
    /// As get(), with \a fallback for a default known only at run time (the list
    /// font of the "Font" keys, today for "NextUpdateCheck").
    template <typename T>
    T get(Setting key, const T &fallback, const QLocale &locale = QLocale()) const
    {
        Q_ASSERT(QMetaType::fromType<T>() == SettingRowOf(key).form->type);
        const std::optional<QVariant> v = storedValue(key, locale);
        return v ? v->template value<T>() : fallback;
    }

    /**
     * The stored text, or \a defaultText when the key is missing. Text with commas
     * comes back whole even where the settings file would split it into a list.
     */
    QString read(const QString &section, const QString &key, const QString &defaultText) const;
    void write(const QString &section, const QString &key, const QString &text);
    bool contains(const QString &section, const QString &key) const;
    void remove(const QString &section, const QString &key);

    /**
     * Reads every key. \a listFont is the default of the "Font" keys (the panel
     * list's font); \a today the default of "NextUpdateCheck".
     */
    ProgramSettings load(const NoteStyle &listFont, const QDate &today,
                         const QLocale &locale = QLocale()) const;

    /**
     * Writes what SaveSettings writes: "Top"/"Left" only when \a panelVisible, then
     * colours, font, the options, "NotePath", "AppPath", "Version". "High", "Wide",
     * "WindowState" and "NextUpdateCheck" are not written here.
     */
    void save(const ProgramSettings &values, bool panelVisible, const QString &notePath,
              const QString &appPath, const QString &versionText, const QLocale &locale = QLocale());

    /// The file or place the settings live in (for messages and tests).
    QString location() const;

    void sync();

private:
    std::optional<QVariant> storedValueOf(const SettingRow &row, const QLocale &locale) const;

    std::unique_ptr<QSettings> m_settings;
};

} // namespace pellux
