#pragma once

#include "platform/SecretStore.h"

#include <QMap>
#include <QString>

namespace pellux::test {

/// A secret store in memory that the test can switch off.
class FakeSecretStore : public SecretStore
{
public:
    QMap<QString, QString> secrets;
    bool available = true;
    int reads = 0;
    int writes = 0;
    int deletes = 0;

    SecretResult readSecret(const QString &key) override
    {
        ++reads;
        if (!available)
            return down();
        if (!secrets.contains(key))
            return {SecretResult::Status::NotFound, {}, {}};
        return {SecretResult::Status::Ok, secrets.value(key), {}};
    }
    SecretResult writeSecret(const QString &key, const QString &secret) override
    {
        ++writes;
        if (!available)
            return down();
        secrets.insert(key, secret);
        return {SecretResult::Status::Ok, {}, {}};
    }
    SecretResult deleteSecret(const QString &key) override
    {
        ++deletes;
        if (!available)
            return down();
        return {secrets.remove(key) ? SecretResult::Status::Ok : SecretResult::Status::NotFound, {}, {}};
    }

private:
    static SecretResult down() { return {SecretResult::Status::Unavailable, {}, QStringLiteral("No secret store answers.")}; }
};

} // namespace pellux::test
