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

/// Parsing rules of the stored text forms. Text that does not convert gives nullopt.
std::optional<int> ParseSettingInt(const QString &text);
/// "AutoSave": the leading number, nearest whole (ties to even); 0 becomes 5; no number gives nullopt.
std::optional<int> ParseAutoSave(const QString &text);
std::optional<float> ParseFontSize(const QString &text, const QLocale &locale = QLocale());
QString SettingDateText(const QDate &date, const QLocale &locale = QLocale());
std::optional<QDate> ParseSettingDate(const QString &text, const QLocale &locale = QLocale());

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

    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace pellux
