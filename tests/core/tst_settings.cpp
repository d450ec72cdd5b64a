#include "core/Settings.h"
#include "support/TestEnvironment.h"

#include <QSettings>
#include <QtTest>

using namespace pellux;

namespace {

const QLocale US(QLocale::English, QLocale::UnitedStates);
const QLocale DE(QLocale::German, QLocale::Germany);
const QDate Today(2026, 12, 10);

NoteStyle listFont()
{
    NoteStyle f;
    f.fontName = QStringLiteral("List Face");
    f.fontSize = 9.75f;
    f.bold = true;
    return f;
}

/// One loaded field as text, so a table can name the field it checks.
QString field(const ProgramSettings &s, const QString &name)
{
    if (name == QLatin1String("TaskbarIcon")) return QString::number(s.TaskbarIcon);
    if (name == QLatin1String("SystemTrayIcon")) return QString::number(s.SystemTrayIcon);
    if (name == QLatin1String("High")) return QString::number(s.High);
    if (name == QLatin1String("Wide")) return QString::number(s.Wide);
    if (name == QLatin1String("Top")) return QString::number(s.Top);
    if (name == QLatin1String("Left")) return QString::number(s.Left);
    if (name == QLatin1String("WindowState")) return QString::number(s.WindowState);
    if (name == QLatin1String("Name")) return s.sample.fontName;
    if (name == QLatin1String("Size")) return QString::number(s.sample.fontSize);
    if (name == QLatin1String("Bold")) return QString::number(s.sample.bold);
    if (name == QLatin1String("Strikethrough")) return QString::number(s.sample.strikethru);
    if (name == QLatin1String("Fore")) return QString::number(s.sample.foreColor);
    if (name == QLatin1String("Back")) return QString::number(s.sample.backColor);
    if (name == QLatin1String("AlwaysOnTop")) return QString::number(s.AlwaysOnTop);
    if (name == QLatin1String("DynamicTitle")) return QString::number(s.DynamicTitle);
    if (name == QLatin1String("RollUp")) return QString::number(s.RollUp);
    if (name == QLatin1String("AutoSave")) return QString::number(s.AutoSave);
    if (name == QLatin1String("NoteShortMenus")) return QString::number(s.NoteShortMenus);
    if (name == QLatin1String("NoteDTPrint")) return QString::number(s.NoteDTPrint);
    if (name == QLatin1String("SMTPServer")) return s.SMTPServer;
    if (name == QLatin1String("EMailType")) return QString::number(s.EMailType);
    if (name == QLatin1String("Version")) return s.Version;
    if (name == QLatin1String("NextUpdateCheck")) return s.NextUpdateCheck.toString(Qt::ISODate);
    qFatal("unknown field %s", qPrintable(name));
    return {};
}

/// A value of the row's type other than its default, as a user could set it.
QVariant sampleValue(const SettingRow &row)
{
    if (row.form == &settingforms::Check)
        return row.defaultValue.toInt() ? 0 : 1;
    if (row.form == &settingforms::Minutes)
        return 12;
    switch (row.form->type.id()) {
    case QMetaType::Int:
        return -123456;
    case QMetaType::Bool:
        return !row.defaultValue.toBool();
    case QMetaType::Float:
        return 10.5f;
    case QMetaType::QDate:
        return QDate(2027, 1, 31);
    case QMetaType::QString:
        // Commas, quotes and an equals sign the settings file must not take apart;
        // letters beyond ASCII for the hex-encoded password.
        return QStringLiteral("p\u00e4ss, w\u00f6rd; \"x=y\"");
    default:
        qFatal("no sample for the type %s", row.form->type.name());
        return {};
    }
}

/// Stored text that does not convert to the row's type; null where every text is a value.
QString unconvertibleText(const SettingRow &row)
{
    if (row.form == &settingforms::Check)
        return QStringLiteral("2");
    if (row.form == &settingforms::Minutes)
        return QStringLiteral("often");
    if (row.form == &settingforms::FontName)
        return QStringLiteral("   ");
    switch (row.form->type.id()) {
    case QMetaType::Int:
        return QStringLiteral("12px");
    case QMetaType::Bool:
        return QStringLiteral("maybe");
    case QMetaType::Float:
        return QStringLiteral("huge");
    case QMetaType::QDate:
        return QStringLiteral("soon");
    default:
        return QString();
    }
}

QByteArray rowName(const SettingRow &row)
{
    return (row.section + QLatin1Char('/') + row.name).toUtf8();
}

ProgramSettings unusualSettings()
{
    ProgramSettings s;
    s.TaskbarIcon = 1;
    s.SystemTrayIcon = 0;
    s.Top = 2400;
    s.Left = -150;
    s.sample = NoteStyle{QStringLiteral("Courier New"), 10.5f, false, true, true, true, 0x336699, qint32(0x8000000F)};
    s.AlwaysOnTop = 1;
    s.DynamicTitle = 0;
    s.RollUp = 1;
    s.AutoSave = 12;
    s.NoteShortMenus = true;
    s.NoteDTPrint = false;
    s.SMTPServer = QStringLiteral("smtp.example.org, backup.example.org");
    s.ReturnEMail = QStringLiteral("me@example.org");
    s.EMailType = 1;
    s.SMTPUserID = QStringLiteral("me");
    return s;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void defaultsWhenNothingStored();
    void savedFileLayout();
    void savedTextForms();
    void topLeftOnlyWhileVisible();
    void saveLeavesOtherKeysAlone();
    void saveLeavesThePasswordAlone();
    void saveLoadRoundTrip_data();
    void saveLoadRoundTrip();
    void storedTextLoads_data();
    void storedTextLoads();
    void handEditedCommaText();
    void otherWriters();

    void keysAreDistinct();
    void everyKeyDefaultsWhenMissing_data();
    void everyKeyDefaultsWhenMissing();
    void everyKeyRoundTrips_data();
    void everyKeyRoundTrips();
    void everyKeyRefusesUnconvertibleText_data();
    void everyKeyRefusesUnconvertibleText();

    void parseAutoSave_data();
    void parseAutoSave();
    void parseSettingInt_data();
    void parseSettingInt();
    void parseFontSize_data();
    void parseFontSize();

private:
    void writeConf(const QByteArray &content) { QVERIFY(test::TestEnvironment::writeFile(m_env->settingsFile(), content)); }
    QString stored(const QString &key) const
    {
        QSettings raw(m_env->settingsFile(), QSettings::IniFormat);
        return raw.value(key).toString();
    }

    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestSettings::defaultsWhenNothingStored()
{
    SettingsStore store;
    const ProgramSettings s = store.load(listFont(), Today, US);
    ProgramSettings expected;
    expected.sample.takeFont(listFont());
    expected.NextUpdateCheck = Today;
    QCOMPARE(s, expected);
    // The values new notes start from: the system window-text colour on yellow,
    // dynamic titles on, on-top and roll-up off, auto-save every 5 minutes, tray icon
    // on, no taskbar button.
    QCOMPARE(s.sample.foreColor, qint32(-2147483640));
    QCOMPARE(s.sample.backColor, 65535);
    QCOMPARE(s.DynamicTitle, 1);
    QCOMPARE(s.AlwaysOnTop, 0);
    QCOMPARE(s.RollUp, 0);
    QCOMPARE(s.AutoSave, 5);
    QCOMPARE(s.SystemTrayIcon, 1);
    QCOMPARE(s.TaskbarIcon, 0);
    QCOMPARE(s.Version, QStringLiteral("N/A"));
    QVERIFY(!QFile::exists(m_env->settingsFile()));
}

void TestSettings::savedFileLayout()
{
    {
        SettingsStore store;
        store.save(ProgramSettings(), true, QStringLiteral("/data/"), QStringLiteral("/app"), QStringLiteral("3.2.155"), US);
        QCOMPARE(store.location(), m_env->settingsFile());
    }
    QVERIFY(QFile::exists(m_env->settingsFile()));
    const QByteArray conf = test::TestEnvironment::readFile(m_env->settingsFile());
    QVERIFY(conf.contains("[Colors]\n"));
    QVERIFY(conf.contains("[Font]\n"));
    QVERIFY(conf.contains("[Settings]\n"));
    QSettings raw(m_env->settingsFile(), QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), QStringList({"Colors", "Font", "Settings"}));
}

void TestSettings::savedTextForms()
{
    ProgramSettings s = unusualSettings();
    {
        SettingsStore store;
        store.save(s, true, QStringLiteral("/data/Brackwel Systems/Pellux/"), QStringLiteral("/opt/pellux"),
                   QStringLiteral("3.2.155"), US);
    }
    const QList<QPair<QString, QString>> expected{
        {"Settings/Top", "2400"},
        {"Settings/Left", "-150"},
        {"Colors/Fore", "3368601"},
        {"Colors/Back", "-2147483633"},
        {"Font/Name", "Courier New"},
        {"Font/Size", "10.5"},
        {"Font/Bold", "False"},
        {"Font/Italic", "True"},
        {"Font/Underline", "True"},
        {"Font/Strikethrough", "True"},
        {"Settings/AutoSave", "12"},
        {"Settings/TaskbarIcon", "1"},
        {"Settings/SystemTrayIcon", "0"},
        {"Settings/SMTPServer", "smtp.example.org, backup.example.org"},
        {"Settings/ReturnEMail", "me@example.org"},
        {"Settings/EMailType", "1"},
        {"Settings/SMTPUserID", "me"},
        {"Settings/NoteShortMenus", "True"},
        {"Settings/NoteDTPrint", "False"},
        {"Settings/AlwaysOnTop", "1"},
        {"Settings/DynamicTitle", "0"},
        {"Settings/RollUp", "1"},
        {"Settings/NotePath", "/data/Brackwel Systems/Pellux/"},
        {"Settings/AppPath", "/opt/pellux"},
        {"Settings/Version", "3.2.155"},
    };
    QSettings raw(m_env->settingsFile(), QSettings::IniFormat);
    for (const auto &[key, text] : expected) {
        const QVariant v = raw.value(key);
        QCOMPARE(v.typeId(), int(QMetaType::QString));
        QCOMPARE(qPrintable(key + QLatin1Char('=') + v.toString()), qPrintable(key + QLatin1Char('=') + text));
    }
    QCOMPARE(raw.allKeys().size(), expected.size());
}

void TestSettings::topLeftOnlyWhileVisible()
{
    writeConf("[Settings]\nTop=555\nLeft=666\n");
    ProgramSettings s;
    s.Top = 1;
    s.Left = 2;
    {
        SettingsStore store;
        store.save(s, false, QString(), QString(), QString(), US);
    }
    QCOMPARE(stored("Settings/Top"), QStringLiteral("555"));
    QCOMPARE(stored("Settings/Left"), QStringLiteral("666"));
    {
        SettingsStore store;
        store.save(s, true, QString(), QString(), QString(), US);
    }
    QCOMPARE(stored("Settings/Top"), QStringLiteral("1"));
    QCOMPARE(stored("Settings/Left"), QStringLiteral("2"));
}

void TestSettings::saveLeavesOtherKeysAlone()
{
    writeConf("[Settings]\nHigh=4000\nWide=5000\nWindowState=2\nNextUpdateCheck=1/2/2027\n");
    {
        SettingsStore store;
        ProgramSettings s;
        s.High = 1;
        s.Wide = 1;
        s.WindowState = 0;
        s.NextUpdateCheck = QDate(2000, 1, 1);
        store.save(s, true, QString(), QString(), QString(), US);
    }
    QCOMPARE(stored("Settings/High"), QStringLiteral("4000"));
    QCOMPARE(stored("Settings/Wide"), QStringLiteral("5000"));
    QCOMPARE(stored("Settings/WindowState"), QStringLiteral("2"));
    QCOMPARE(stored("Settings/NextUpdateCheck"), QStringLiteral("1/2/2027"));
}

void TestSettings::saveLeavesThePasswordAlone()
{
    // The SMTP password is the secret store's (or, where none answers, its fallback's):
    // saving the settings neither writes it nor clears one that is there.
    {
        SettingsStore store;
        store.write(QStringLiteral("Settings"), QStringLiteral("SMTPPassword"), QStringLiteral("616263"));
        store.save(unusualSettings(), true, QString(), QString(), QString(), US);
    }
    SettingsStore store;
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("SMTPPassword"), QString()), QStringLiteral("616263"));
    // The fallback is hex text: three letters are six digits, damaged digits read as far as they go.
    QCOMPARE(store.get<QString>(Setting::SMTPPassword), QStringLiteral("abc"));
    store.write(QStringLiteral("Settings"), QStringLiteral("SMTPPassword"), QStringLiteral("6162ZZ6"));
    QCOMPARE(store.get<QString>(Setting::SMTPPassword), QStringLiteral("ab"));
    {
        SettingsStore fresh;
        fresh.remove(QStringLiteral("Settings"), QStringLiteral("SMTPPassword"));
        fresh.save(ProgramSettings(), true, QString(), QString(), QString(), US);
    }
    QVERIFY(!SettingsStore().contains(QStringLiteral("Settings"), QStringLiteral("SMTPPassword")));
}

void TestSettings::saveLoadRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("English") << US;
    QTest::newRow("German") << DE;
}

void TestSettings::saveLoadRoundTrip()
{
    QFETCH(QLocale, locale);
    ProgramSettings s = unusualSettings();
    {
        SettingsStore store;
        store.save(s, true, QString(), QString(), QStringLiteral("3.2.155"), locale);
        store.set(Setting::High, 4500, locale);
        store.set(Setting::Wide, 6000, locale);
        store.set(Setting::WindowState, 1, locale);
        store.set(Setting::NextUpdateCheck, QDate(2027, 1, 31), locale);
    }
    s.High = 4500;
    s.Wide = 6000;
    s.WindowState = 1;
    s.Version = QStringLiteral("3.2.155");
    s.NextUpdateCheck = QDate(2027, 1, 31);
    SettingsStore store;
    QCOMPARE(store.load(listFont(), Today, locale), s);
}

void TestSettings::storedTextLoads_data()
{
    QTest::addColumn<QString>("key");      // Section/Key
    QTest::addColumn<QString>("text");     // as stored in the file
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("loaded");

    QTest::newRow("AutoSave 0 becomes 5") << "Settings/AutoSave" << "0" << "AutoSave" << "5";
    QTest::newRow("AutoSave 2.5 ties to even") << "Settings/AutoSave" << "2.5" << "AutoSave" << "2";
    QTest::newRow("AutoSave 3.5 ties to even") << "Settings/AutoSave" << "3.5" << "AutoSave" << "4";
    QTest::newRow("AutoSave leading number") << "Settings/AutoSave" << "7 minutes" << "AutoSave" << "7";
    QTest::newRow("AutoSave no number") << "Settings/AutoSave" << "often" << "AutoSave" << "5";
    QTest::newRow("AutoSave empty") << "Settings/AutoSave" << "" << "AutoSave" << "5";
    QTest::newRow("AutoSave negative") << "Settings/AutoSave" << "-3" << "AutoSave" << "5";
    QTest::newRow("TaskbarIcon word") << "Settings/TaskbarIcon" << "yes" << "TaskbarIcon" << "0";
    QTest::newRow("SystemTrayIcon 0") << "Settings/SystemTrayIcon" << "0" << "SystemTrayIcon" << "0";
    QTest::newRow("Top decimal") << "Settings/Top" << "1500.0" << "Top" << "1500";
    QTest::newRow("Top beyond int") << "Settings/Top" << "99999999999" << "Top" << "100";
    QTest::newRow("Top off screen kept for the program") << "Settings/Top" << "90000" << "Top" << "90000";
    QTest::newRow("Wide word") << "Settings/Wide" << "wide" << "Wide" << "3000";
    QTest::newRow("WindowState") << "Settings/WindowState" << "2" << "WindowState" << "2";
    QTest::newRow("Font name") << "Font/Name" << "Arial" << "Name" << "Arial";
    QTest::newRow("Font name empty") << "Font/Name" << "" << "Name" << "List Face";
    QTest::newRow("Font size") << "Font/Size" << "12" << "Size" << "12";
    QTest::newRow("Font size word") << "Font/Size" << "huge" << "Size" << "9.75";
    QTest::newRow("Font size zero") << "Font/Size" << "0" << "Size" << "9.75";
    QTest::newRow("Font size comma in English") << "Font/Size" << "8,25" << "Size" << "9.75";
    QTest::newRow("Bold word case") << "Font/Bold" << "FALSE" << "Bold" << "0";
    QTest::newRow("Bold bad") << "Font/Bold" << "bold" << "Bold" << "1";
    QTest::newRow("Strikethrough number") << "Font/Strikethrough" << "-1" << "Strikethrough" << "1";
    QTest::newRow("Fore") << "Colors/Fore" << "255" << "Fore" << "255";
    QTest::newRow("Fore system") << "Colors/Fore" << "-2147483643" << "Fore" << "-2147483643";
    QTest::newRow("Fore bad") << "Colors/Fore" << "red" << "Fore" << "-2147483640";
    QTest::newRow("Back beyond 32 bits") << "Colors/Back" << "4294967295" << "Back" << "65535";
    QTest::newRow("AlwaysOnTop 1") << "Settings/AlwaysOnTop" << "1" << "AlwaysOnTop" << "1";
    QTest::newRow("AlwaysOnTop bad") << "Settings/AlwaysOnTop" << "True" << "AlwaysOnTop" << "0";
    QTest::newRow("DynamicTitle 0") << "Settings/DynamicTitle" << "0" << "DynamicTitle" << "0";
    QTest::newRow("DynamicTitle 7") << "Settings/DynamicTitle" << "7" << "DynamicTitle" << "1";
    QTest::newRow("RollUp bad") << "Settings/RollUp" << "x" << "RollUp" << "0";
    QTest::newRow("NoteShortMenus") << "Settings/NoteShortMenus" << "True" << "NoteShortMenus" << "1";
    QTest::newRow("NoteDTPrint 0") << "Settings/NoteDTPrint" << "0" << "NoteDTPrint" << "0";
    QTest::newRow("NoteDTPrint bad") << "Settings/NoteDTPrint" << "maybe" << "NoteDTPrint" << "1";
    QTest::newRow("EMailType bad") << "Settings/EMailType" << "HTML" << "EMailType" << "0";
    QTest::newRow("Version") << "Settings/Version" << "3.1.0" << "Version" << "3.1.0";
    QTest::newRow("NextUpdateCheck") << "Settings/NextUpdateCheck" << "3/20/2026" << "NextUpdateCheck" << "2026-03-20";
    QTest::newRow("NextUpdateCheck two-digit year") << "Settings/NextUpdateCheck" << "3/20/26" << "NextUpdateCheck"
                                                    << "2026-03-20";
    QTest::newRow("NextUpdateCheck unreadable is today") << "Settings/NextUpdateCheck" << "soon" << "NextUpdateCheck"
                                                         << "2026-12-10";
    QTest::newRow("NextUpdateCheck empty is today") << "Settings/NextUpdateCheck" << "" << "NextUpdateCheck" << "2026-12-10";
}

void TestSettings::storedTextLoads()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, fieldName);
    QFETCH(QString, loaded);
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        raw.setValue(key, text);
    }
    SettingsStore store;
    QCOMPARE(field(store.load(listFont(), Today, US), fieldName), loaded);
}

void TestSettings::handEditedCommaText()
{
    // Written by hand without quotes, the settings file would hand this back as a list.
    writeConf("[Settings]\nSMTPServer=smtp.a.org,smtp.b.org\nReturnEMail=\"x,y\"\n");
    SettingsStore store;
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("SMTPServer"), QString()),
             QStringLiteral("smtp.a.org,smtp.b.org"));
    const ProgramSettings s = store.load(listFont(), Today, US);
    QCOMPARE(s.SMTPServer, QStringLiteral("smtp.a.org,smtp.b.org"));
    QCOMPARE(s.ReturnEMail, QStringLiteral("x,y"));
    QCOMPARE(store.read(QStringLiteral("Settings"), QStringLiteral("Missing"), QStringLiteral("dflt")), QStringLiteral("dflt"));
}

void TestSettings::otherWriters()
{
    {
        SettingsStore store;
        store.set(Setting::High, 4000);
        store.set(Setting::Wide, 5000);
        store.set(Setting::WindowState, 2);
        store.set(Setting::NotePath, QStringLiteral("/d/"));
        store.set(Setting::AppPath, QStringLiteral("/a"));
        store.set(Setting::Version, QStringLiteral("3.2.155"));
        store.set(Setting::NextUpdateCheck, QDate(2026, 3, 5), US);
    }
    QCOMPARE(stored("Settings/High"), QStringLiteral("4000"));
    QCOMPARE(stored("Settings/Wide"), QStringLiteral("5000"));
    QCOMPARE(stored("Settings/WindowState"), QStringLiteral("2"));
    QCOMPARE(stored("Settings/NotePath"), QStringLiteral("/d/"));
    QCOMPARE(stored("Settings/AppPath"), QStringLiteral("/a"));
    QCOMPARE(stored("Settings/Version"), QStringLiteral("3.2.155"));
    QCOMPARE(stored("Settings/NextUpdateCheck"), QStringLiteral("3/5/2026"));
    QCOMPARE(SettingDateText(QDate(2026, 3, 5), DE), QStringLiteral("05.03.2026"));
}

void TestSettings::keysAreDistinct()
{
    QSet<int> keys;
    QSet<QString> names;
    for (const SettingRow &row : SettingRows()) {
        QVERIFY2(!keys.contains(int(row.key)), rowName(row));
        QVERIFY2(!names.contains(QString::fromUtf8(rowName(row))), rowName(row));
        keys.insert(int(row.key));
        names.insert(QString::fromUtf8(rowName(row)));
        QCOMPARE(&SettingRowOf(row.key), &row);
    }
}

void TestSettings::everyKeyDefaultsWhenMissing_data()
{
    QTest::addColumn<int>("key");
    for (const SettingRow &row : SettingRows())
        QTest::newRow(rowName(row).constData()) << int(row.key);
}

void TestSettings::everyKeyDefaultsWhenMissing()
{
    QFETCH(int, key);
    const SettingRow &row = SettingRowOf(Setting(key));
    QVERIFY2(row.defaultValue.metaType() == row.form->type, row.defaultValue.metaType().name());
    SettingsStore store;
    QVERIFY(!store.contains(row.section, row.name));
    QVERIFY(!store.storedValue(row.key, US));
    QCOMPARE(store.value(row.key, US), row.defaultValue);
    if (row.field) {
        QCOMPARE(row.field.read(ProgramSettings()), row.defaultValue);
        // Given the table's own font and no date, load holds every default as it stands.
        QCOMPARE(row.field.read(store.load(NoteStyle(), QDate(), US)), row.defaultValue);
    }
    QVERIFY(!QFile::exists(m_env->settingsFile()));
}

void TestSettings::everyKeyRoundTrips_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QLocale>("locale");
    for (const SettingRow &row : SettingRows()) {
        QTest::addRow("%s English", rowName(row).constData()) << int(row.key) << US;
        // The forms that follow the locale: decimal comma, day-first dates.
        if (row.form == &settingforms::PointSize || row.form == &settingforms::Date)
            QTest::addRow("%s German", rowName(row).constData()) << int(row.key) << DE;
    }
}

void TestSettings::everyKeyRoundTrips()
{
    QFETCH(int, key);
    QFETCH(QLocale, locale);
    const SettingRow &row = SettingRowOf(Setting(key));
    const QVariant sample = sampleValue(row);
    QVERIFY(sample != row.defaultValue);
    {
        SettingsStore store;
        store.set(row.key, sample, locale);
    }
    QSettings raw(m_env->settingsFile(), QSettings::IniFormat);
    QCOMPARE(raw.allKeys(), QStringList{QString::fromUtf8(rowName(row))});
    SettingsStore store;
    QCOMPARE(store.value(row.key, locale), sample);
    if (row.field)
        QCOMPARE(row.field.read(store.load(NoteStyle(), Today, locale)), sample);
}

void TestSettings::everyKeyRefusesUnconvertibleText_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    for (const SettingRow &row : SettingRows()) {
        const QString text = unconvertibleText(row);
        if (!text.isNull())
            QTest::newRow(rowName(row).constData()) << int(row.key) << text;
    }
}

void TestSettings::everyKeyRefusesUnconvertibleText()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    const SettingRow &row = SettingRowOf(Setting(key));
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        raw.setValue(QString::fromUtf8(rowName(row)), text);
    }
    SettingsStore store;
    QVERIFY(store.contains(row.section, row.name));
    QVERIFY(!store.storedValue(row.key, US));
    QCOMPARE(store.value(row.key, US), row.defaultValue);
    if (row.field)
        QCOMPARE(row.field.read(store.load(NoteStyle(), QDate(), US)), row.defaultValue);
}

void TestSettings::parseAutoSave_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minutes"); // -1: no value
    QTest::newRow("plain") << "10" << 10;
    QTest::newRow("leading blanks") << "  3" << 3;
    QTest::newRow("plus sign") << "+4" << 4;
    QTest::newRow("half rounds to even down") << "0.5" << 5;
    QTest::newRow("just under a half") << "1.49" << 1;
    QTest::newRow("fraction only") << ".7" << 1;
    QTest::newRow("trailing dot") << "6." << 6;
    QTest::newRow("comma ends the number") << "2,9" << 2;
    QTest::newRow("dot alone") << "." << -1;
    QTest::newRow("sign alone") << "-" << -1;
    QTest::newRow("too large") << "99999999999" << -1;
}

void TestSettings::parseAutoSave()
{
    QFETCH(QString, text);
    QFETCH(int, minutes);
    const std::optional<int> v = ParseAutoSave(text);
    QCOMPARE(v.has_value(), minutes >= 0);
    if (v)
        QCOMPARE(*v, minutes);
}

void TestSettings::parseSettingInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << true << 42;
    QTest::newRow("negative") << "-7" << true << -7;
    QTest::newRow("blanks") << " 8 " << true << 8;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("tie to even") << "2.5" << true << 2;
    QTest::newRow("exponent") << "1e3" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("trailing word") << "12px" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("overflow") << "2147483648" << false << 0;
}

void TestSettings::parseSettingInt()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const std::optional<int> v = ParseSettingInt(text);
    QCOMPARE(v.has_value(), valid);
    if (v)
        QCOMPARE(*v, value);
}

void TestSettings::parseFontSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<float>("size"); // 0: does not convert
    QTest::newRow("English") << "8.25" << US << 8.25f;
    QTest::newRow("German comma") << "8,25" << DE << 8.25f;
    QTest::newRow("dot in German") << "8.25" << DE << 8.25f;
    QTest::newRow("group separator refused") << "1,000" << US << 0.0f;
    QTest::newRow("negative") << "-3" << US << 0.0f;
    QTest::newRow("too large") << "5000" << US << 0.0f;
    QTest::newRow("largest") << "1638" << US << 1638.0f;
    QTest::newRow("not a number") << "nan" << US << 0.0f;
}

void TestSettings::parseFontSize()
{
    QFETCH(QString, text);
    QFETCH(QLocale, locale);
    QFETCH(float, size);
    const std::optional<float> v = ParseFontSize(text, locale);
    QCOMPARE(v.has_value(), size > 0);
    if (v)
        QCOMPARE(*v, size);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
