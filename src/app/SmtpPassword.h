#pragma once

#include "platform/SecretStore.h"
#include "platform/SmtpPasswordStore.h"

#include <memory>

namespace pellux {

class SettingsStore;

/// The program settings as the SMTP password store reads and writes them.
class SettingsStoreAccess : public SettingsAccess
{
public:
    explicit SettingsStoreAccess(SettingsStore &store) : m_store(store) {}
    std::optional<QString> value(const QString &section, const QString &key) const override;
    void setValue(const QString &section, const QString &key, const QString &text) override;
    void remove(const QString &section, const QString &key) override;

private:
    SettingsStore &m_store;
};

/// A secret store that is never there: the SMTP password then stays in the settings.
class NoSecretStore : public SecretStore
{
public:
    SecretResult readSecret(const QString &) override { return none(); }
    SecretResult writeSecret(const QString &, const QString &) override { return none(); }
    SecretResult deleteSecret(const QString &) override { return none(); }

private:
    static SecretResult none()
    {
        return {SecretResult::Status::Unavailable, {}, QStringLiteral("No secret store is in use.")};
    }
};

} // namespace pellux
