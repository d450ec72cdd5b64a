#pragma once

#include "ClickTimer.h"
#include "TrayIconRecord.h"
#include "TrayMouseDecoder.h"
#include "TrayShell.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

// Hosts reach the control only through its meta-object, so nothing is ever imported;
// the class is still marked as the library's public face.
#define BWSYSTRAY_EXPORT Q_DECL_EXPORT

namespace halotray {
class frmAbout;
}

/**
 * Halotray's notification-area icon control: one icon with a tool-tip, and the shell's
 * mouse notifications for it turned into five events. Hosts create it through the
 * plugin's factory and drive it by property and method name.
 */
class BWSYSTRAY_EXPORT bwSysTray : public QObject, private halotray::TrayNotifySink
{
    Q_OBJECT
    Q_CLASSINFO("ClassName", "bwSysTray6.bwSysTray")
    Q_CLASSINFO("Description", "Brackwel System Tray Icon Control")
    Q_CLASSINFO("Version", "6.0.12")
    Q_CLASSINFO("DispId.TrayTip", "0x68030002")
    Q_CLASSINFO("Description.TrayTip", "The Tool Tip of the Icon in the Tray.")
    Q_CLASSINFO("DispId.InTray", "0x68030001")
    Q_CLASSINFO("Description.InTray", "True/False - Turns the Icon on and off.")
    Q_CLASSINFO("DispId.TrayIcon", "0x68030000")
    Q_CLASSINFO("Description.TrayIcon", "The Icon to put into the System Tray.  Use set to update.")
    Q_CLASSINFO("DispId.ShowAboutBox", "-552")
    Q_CLASSINFO("Description.ShowAboutBox", "Display the About Box")
    Q_CLASSINFO("DispId.Refresh", "0x6003000F")
    Q_CLASSINFO("Description.Refresh",
                "Refreshes the icon display.  This will reinsert the icon if the shell crashes.")
    Q_CLASSINFO("DispId.MouseClick", "1")
    Q_CLASSINFO("Description.MouseClick", "single click, raised after the double-click time")
    Q_CLASSINFO("DispId.MouseDblClick", "2")
    Q_CLASSINFO("Description.MouseDblClick", "double click")
    Q_CLASSINFO("DispId.MouseUp", "3")
    Q_CLASSINFO("Description.MouseUp", "button released")
    Q_CLASSINFO("DispId.MouseDown", "4")
    Q_CLASSINFO("Description.MouseDown", "button pressed")
    Q_CLASSINFO("DispId.MouseMove", "5")
    Q_CLASSINFO("Description.MouseMove", "pointer over the icon")

    Q_PROPERTY(QString TrayTip READ TrayTip WRITE setTrayTip)
    Q_PROPERTY(bool InTray READ InTray WRITE setInTray)
    Q_PROPERTY(QIcon TrayIcon READ TrayIcon WRITE setTrayIcon)

public:
    /**
     * What the control needs from the desktop. Members left empty get the production
     * piece: QSystemTrayIcon, the style hints' double-click time, QTimer, the event
     * loop, the default browser and a modal About box.
     */
    struct Environment
    {
        std::function<std::unique_ptr<halotray::TrayShell>(bwSysTray &control)> makeShell;
        halotray::TrayMouseDecoder::DoubleClickTime doubleClickTime;
        halotray::ClickTimerFactory makeTimer;
        std::function<void()> pumpEvents;
        std::function<void(const QString &address)> openAddress;
        std::function<void(halotray::frmAbout &box)> showAboutModal;
    };

    /// \a userMode is the host's "user mode": true at run time, false in a designer.
    explicit bwSysTray(bool userMode, QObject *parent = nullptr);
    bwSysTray(Environment environment, bool userMode, QObject *parent = nullptr);
    ~bwSysTray() override;

    QString TrayTip() const { return m_tip; }
    void setTrayTip(const QString &tip);
    bool InTray() const { return m_inTray; }
    void setInTray(bool inTray);
    QIcon TrayIcon() const { return m_icon; }
    void setTrayIcon(const QIcon &icon);

    Q_INVOKABLE void ShowAboutBox();
    /// Changes the icon with the last flags, which brings back an icon the shell lost.
    Q_INVOKABLE void Refresh();
    /// Loads a stored instance; keys are matched without regard to case.
    Q_INVOKABLE void ReadProperties(const QVariantMap &properties);
    Q_INVOKABLE QVariantMap WriteProperties() const;

    bool userMode() const { return m_userMode; }
    const halotray::TrayIconRecord &iconRecord() const { return m_record; }
    const halotray::TrayMouseDecoder &mouseDecoder() const { return *m_decoder; }

    static QIcon ownPicture();

signals:
    void MouseClick(int Button);
    void MouseDblClick(int Button);
    void MouseUp(int Button);
    void MouseDown(int Button);
    void MouseMove();
    /// A property was written; hosts that store the control mark themselves dirty.
    void PropertyChanged(const QString &name);

private:
    void shellNotify(quint32 callbackMessage, int mouseMessage) override;
    void raise(halotray::TrayMouseEvent event, int button);
    void addIcon();
    void changeIcon();
    void removeIcon();

    Environment m_env;
    const bool m_userMode;
    QString m_tip;
    bool m_inTray = false;
    QIcon m_icon;
    halotray::TrayIconRecord m_record;
    std::unique_ptr<halotray::TrayShell> m_shell;
    std::unique_ptr<halotray::TrayMouseDecoder> m_decoder;
};
