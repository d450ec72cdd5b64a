#pragma once

#include "features/Features.h"
#include "support/ProgramFixture.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMap>
#include <QSettings>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <utility>

namespace pellux::test {

/**
 * Stands in for Halotray's control: the same properties, method and events, reached
 * by name as the panel reaches the real one. It records what the panel did to it;
 * a test raises its events to play the user's clicks.
 */
class FakeTrayControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString TrayTip MEMBER tip)
    Q_PROPERTY(bool InTray READ InTray WRITE setInTray)
    Q_PROPERTY(QIcon TrayIcon READ TrayIcon WRITE setTrayIcon)

public:
    using QObject::QObject;

    QString tip = QStringLiteral("Brackwel System Tray Control");
    QIcon icon;
    bool inTray = false;
    QList<bool> inTrayWrites;
    int refreshes = 0;

    QIcon TrayIcon() const { return icon; }
    void setTrayIcon(const QIcon &i) { icon = i; }
    bool InTray() const { return inTray; }
    void setInTray(bool on)
    {
        inTray = on;
        inTrayWrites.append(on);
    }
    Q_INVOKABLE void Refresh() { ++refreshes; }

signals:
    void MouseClick(int Button);
    void MouseDblClick(int Button);
    void MouseUp(int Button);
    void MouseDown(int Button);
    void MouseMove();
};

/// Scripted prompts that can run a step of the test while a dialog is up, as events do.
class HookedPrompts : public ScriptedPrompts
{
public:
    /// Runs once, when the next message, input box or password dialog comes up.
    std::function<void()> beforeAnswer;

    using ScriptedPrompts::message;
    MsgResult message(const MessageRequest &request) override
    {
        runHook();
        return ScriptedPrompts::message(request);
    }
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        runHook();
        return ScriptedPrompts::input(prompt, title, defaultText);
    }
    QString password(const QString &title, const QString &label, bool confirm, int maxLength) override
    {
        runHook();
        return ScriptedPrompts::password(title, label, confirm, maxLength);
    }

private:
    void runHook()
    {
        if (auto hook = std::exchange(beforeAnswer, nullptr))
            hook();
    }
};

/// A whole program whose panel gets the fake tray control (or none, as without the plugin).
class TrayProgramFixture : public ProgramFixture
{
public:
    HookedPrompts prompts;              ///< hides the plain scripted prompts of the base
    QPointer<FakeTrayControl> tray;
    bool withControl = true;            ///< false: the plugin is missing
    bool notificationArea = true;       ///< whether the desktop shows tray icons

    /// \a settings are stored in section "Settings" before the program starts.
    explicit TrayProgramFixture(const QMap<QString, QString> &settings = {})
    {
        if (!settings.isEmpty()) {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
            for (auto it = settings.cbegin(); it != settings.cend(); ++it)
                s.setValue(QStringLiteral("Settings/") + it.key(), it.value());
            s.sync();
        }
        // The same program as the base builds, on the prompts that can play events.
        program = std::make_unique<Program>(services(prompts));
        InstallFeatures(*program);
        program->endProcess = [this](int code) { endedWith = code; };
        program->appPath = QCoreApplication::applicationDirPath();
        program->workingDirectory = env.workDir();
        program->createTrayControl = [this](QWidget *host, QString *why) -> QObject * {
            if (!withControl) {
                *why = QStringLiteral("no plugin in this test");
                return nullptr;
            }
            tray = new FakeTrayControl(host);
            return tray;
        };
        program->trayAvailable = [this] { return notificationArea; };
    }
    ~TrayProgramFixture()
    {
        // The program goes before the prompts it was built on.
        program.reset();
    }
};

} // namespace pellux::test
