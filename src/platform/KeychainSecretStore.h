#pragma once

#include "platform/SecretStore.h"

namespace pellux {

/**
 * SecretStore on QtKeychain. QtKeychain works asynchronously; each call here runs
 * its job in a local event loop (user input held back) until it finishes or the
 * time-out passes, so a store that never answers, or a locked one whose unlock
 * prompt nobody answers, costs at most the time-out and then counts as unavailable.
 * A job that is abandoned this way finishes on its own and frees itself.
 * Needs a QCoreApplication; works on any thread that has one.
 */
class KeychainSecretStore : public SecretStore
{
public:
    explicit KeychainSecretStore(const QString &service = QStringLiteral("PelluxNotes"),
                                 int timeoutMs = DefaultTimeoutMs);

    SecretResult readSecret(const QString &key) override;
    SecretResult writeSecret(const QString &key, const QString &secret) override;
    SecretResult deleteSecret(const QString &key) override;

    /// Long enough to type the keyring's password when the store asks for it.
    static constexpr int DefaultTimeoutMs = 30000;

private:
    QString m_service;
    int m_timeoutMs;
};

} // namespace pellux
