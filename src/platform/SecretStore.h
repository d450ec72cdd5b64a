#pragma once

#include <QString>
#include <optional>

namespace pellux {

/// The answer of a secret store to one request.
struct SecretResult
{
    enum class Status {
        Ok,
        NotFound,      ///< the store answered: no such secret
        Unavailable,   ///< no store answered, it refused, or it did not answer in time
    };
    Status status = Status::Unavailable;
    QString secret;    ///< what a read found
    QString error;     ///< why the store is unavailable, for the user

    bool ok() const { return status == Status::Ok; }
    bool answered() const { return status != Status::Unavailable; }
};

/**
 * The desktop's store of secrets (Secret Service on Linux, Credential Manager on
 * Windows). Every call returns within the store's time-out; none blocks for good.
 */
class SecretStore
{
public:
    virtual ~SecretStore() = default;
    virtual SecretResult readSecret(const QString &key) = 0;
    virtual SecretResult writeSecret(const QString &key, const QString &secret) = 0;
    /// Deleting what is not there succeeds (Ok or NotFound: Secret Service does not tell them apart).
    virtual SecretResult deleteSecret(const QString &key) = 0;
};

/// The program settings as the password seam needs them: text values by section and key.
class SettingsAccess
{
public:
    virtual ~SettingsAccess() = default;
    /// nullopt when the key is missing.
    virtual std::optional<QString> value(const QString &section, const QString &key) const = 0;
    virtual void setValue(const QString &section, const QString &key, const QString &text) = 0;
    virtual void remove(const QString &section, const QString &key) = 0;
};

} // namespace pellux
