#include "app/SmtpPassword.h"

#include "core/Settings.h"

namespace pellux {

std::optional<QString> SettingsStoreAccess::value(const QString &section, const QString &key) const
{
    if (!m_store.contains(section, key))
        return std::nullopt;
    return m_store.read(section, key, QString());
}

void SettingsStoreAccess::setValue(const QString &section, const QString &key, const QString &text)
{
    m_store.write(section, key, text);
    m_store.sync();
}

void SettingsStoreAccess::remove(const QString &section, const QString &key)
{
    m_store.remove(section, key);
    m_store.sync();
}

} // namespace pellux
