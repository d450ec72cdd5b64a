#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace pellux::test {

/**
 * A private D-Bus session bus (no service activation) and, when asked, a real Secret
 * Service on it: gnome-keyring-daemon with a throw-away home, its login keyring
 * unlocked with a known password. Everything started is stopped with the object.
 * Nothing touches the user's own bus or keyring.
 */
class SecretServiceSession
{
public:
    ~SecretServiceSession();

    /// Starts the bus only.
    bool startBus(QString *error);
    /// Starts the bus (if need be) and gnome-keyring-daemon, and waits for it on the bus.
    bool startKeyring(QString *error);

    QString address() const { return m_address; }

    /// The number of items in the default keyring, asked over D-Bus past QtKeychain; -1 on failure.
    int defaultCollectionItems() const;

private:
    QTemporaryDir m_dir;
    /// Short, whatever TMPDIR says: a socket's path has room for about 100 bytes.
    QTemporaryDir m_socketDir{QStringLiteral("/tmp/pellux-bus-XXXXXX")};
    QProcess m_bus;
    QProcess m_keyring;
    QString m_address;
};

} // namespace pellux::test
