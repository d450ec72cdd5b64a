#pragma once

#include "core/NoteRecord.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <memory>

class QSettings;

namespace pellux {

/// Font of the new-note sample as the settings hold it.
struct FontSetting
{
    QString name;
    float size = 8.25f;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const FontSetting &) const = default;
};

/// The font part of a note style, as the "Font" settings hold it.
inline FontSetting FontSettingOf(const NoteStyle &style)
{
    return FontSetting{style.fontName, style.fontSize, style.bold, style.italic, style.underline, style.strikethru};
}

inline void ApplyFontSetting(NoteStyle &style, const FontSetting &font)
{
    style.fontName = font.name;
    style.fontSize = font.size;
    style.bold = font.bold;
    style.italic = font.italic;
    style.underline = font.underline;
    style.strikethru = font.strikethrough;
}

/// Every program setting, as held in memory after loading.
struct ProgramSettings
{
    int TaskbarIcon = 0;
    int SystemTrayIcon = 1;
    int High = 3000;            ///< twips
    int Wide = 3000;            ///< twips
    int Top = 100;              ///< twips
    int Left = 100;             ///< twips
    int WindowState = 0;
    FontSetting font;
    ColorValue Fore = SystemWindowText;
    ColorValue Back = DefaultNoteBack;
    int AlwaysOnTop = 0;
    int DynamicTitle = 1;
    int RollUp = 0;
    int AutoSave = 5;
    bool NoteShortMenus = false;
    bool NoteDTPrint = true;
    QString SMTPServer;
    QString ReturnEMail;
    int EMailType = 0;
    QString SMTPUserID;
    QString SMTPPassword;       ///< held decoded
    QString Version = QStringLiteral("N/A");
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

    /**
     * The stored text, or \a defaultText when the key is missing. Text with commas
     * comes back whole even where the settings file would split it into a list.
     */
    QString read(const QString &section, const QString &key, const QString &defaultText) const;
    void write(const QString &section, const QString &key, const QString &text);
    bool contains(const QString &section, const QString &key) const;

    /**
     * Reads every key. \a listFont is the default of the "Font" keys (the panel
     * list's font); \a today the default of "NextUpdateCheck".
     */
    ProgramSettings load(const FontSetting &listFont, const QDate &today,
                         const QLocale &locale = QLocale()) const;

    /**
     * Writes what SaveSettings writes: "Top"/"Left" only when \a panelVisible, then
     * colours, font, the options, "NotePath", "AppPath", "Version". "High", "Wide",
     * "WindowState" and "NextUpdateCheck" are not written here.
     */
    void save(const ProgramSettings &values, bool panelVisible, const QString &notePath,
              const QString &appPath, const QString &versionText, const QLocale &locale = QLocale());

    /// The keys other moments write, in the same text forms.
    void savePanelSize(int high, int wide);          ///< "High", "Wide" (twips)
    void saveWindowState(int state);                 ///< "WindowState"
    void saveStorePaths(const QString &notePath, const QString &appPath);  ///< "NotePath", "AppPath"
    void saveVersion(const QString &versionText);   ///< "Version"
    void saveNextUpdateCheck(const QDate &date, const QLocale &locale = QLocale());

    /// The file or place the settings live in (for messages and tests).
    QString location() const;

    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace pellux
