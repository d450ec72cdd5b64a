#pragma once

#include "TrayShell.h"

#include <QList>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>

class QObject;

namespace halotray {

/**
 * The notification area through QSystemTrayIcon. Qt reports activations rather than
 * raw mouse messages, so each activation is replayed to the record's owner as the
 * message sequence it stands for.
 */
class QtTrayShell final : public TrayShell
{
public:
    using Availability = std::function<bool()>;

    /// \a iconParent owns the QSystemTrayIcon, so it never outlives the control.
    explicit QtTrayShell(QObject *iconParent, Availability trayAvailable = {});
    ~QtTrayShell() override;

    bool add(const TrayIconRecord &record) override;
    bool modify(const TrayIconRecord &record) override;
    bool remove(const TrayIconRecord &record) override;

    /// The icon while one is shown, else nullptr.
    QSystemTrayIcon *icon() const { return m_icon; }

    /// The shell mouse messages that one Qt activation stands for.
    static QList<int> messagesFor(QSystemTrayIcon::ActivationReason reason);

private:
    void apply(const TrayIconRecord &record);
    void activated(QSystemTrayIcon::ActivationReason reason);

    QObject *m_iconParent;
    Availability m_trayAvailable;
    QPointer<QSystemTrayIcon> m_icon;
    TrayNotifySink *m_owner = nullptr;
    quint32 m_callbackMessage = 0;
};

} // namespace halotray
