#include "QtTrayShell.h"

namespace halotray {

QtTrayShell::QtTrayShell(QObject *iconParent, Availability trayAvailable)
    : m_iconParent(iconParent)
    , m_trayAvailable(trayAvailable ? std::move(trayAvailable) : Availability(&QSystemTrayIcon::isSystemTrayAvailable))
{
}

QtTrayShell::~QtTrayShell()
{
    delete m_icon;
}

QList<int> QtTrayShell::messagesFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger: return {513, 514};
    // Qt reports a double click as Trigger then DoubleClick, which together make the
    // shell's down, up, double click, up.
    case QSystemTrayIcon::DoubleClick: return {515, 514};
    case QSystemTrayIcon::Context: return {516, 517};
    case QSystemTrayIcon::MiddleClick: return {519, 520};
    case QSystemTrayIcon::Unknown: break;
    }
    return {};
}

void QtTrayShell::apply(const TrayIconRecord &record)
{
    if (record.flags & TrayFlagMessage) {
        m_owner = record.owner;
        m_callbackMessage = record.callbackMessage;
    }
    if (record.flags & TrayFlagIcon)
        m_icon->setIcon(record.icon);
    if (record.flags & TrayFlagTip)
        m_icon->setToolTip(displayTrayTip(record.tip));
}

bool QtTrayShell::add(const TrayIconRecord &record)
{
    if (record.size != TrayIconRecord::kRecordSize)
        return false;
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(m_iconParent);
        QObject::connect(m_icon, &QSystemTrayIcon::activated, m_icon,
                         [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    }
    apply(record);
    m_icon->show();
    // Without a notification area the icon waits hidden; Qt docks it when one appears.
    return m_trayAvailable();
}

bool QtTrayShell::modify(const TrayIconRecord &record)
{
    if (record.size != TrayIconRecord::kRecordSize)
        return false;
    // A missing or hidden icon, or no notification area at all, means the shell has
    // lost the icon: refuse, so that the caller adds it again.
    if (!m_icon || !m_icon->isVisible() || !m_trayAvailable())
        return false;
    apply(record);
    return true;
}

bool QtTrayShell::remove(const TrayIconRecord &)
{
    if (!m_icon)
        return false;
    m_icon->hide();
    // Removal may be asked for from inside the icon's own activation signal.
    QObject::disconnect(m_icon, &QSystemTrayIcon::activated, nullptr, nullptr);
    m_icon->deleteLater();
    m_icon = nullptr;
    m_owner = nullptr;
    return true;
}

void QtTrayShell::activated(QSystemTrayIcon::ActivationReason reason)
{
    const QList<int> messages = messagesFor(reason);
    for (int message : messages) {
        // The owner may remove the icon from an event handler; stop replaying then.
        if (!m_owner)
            return;
        m_owner->shellNotify(m_callbackMessage, message);
    }
}

} // namespace halotray
