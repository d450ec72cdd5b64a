#include "platform/QSettingsAccess.h"

#include <QSettings>

namespace pellux {

std::optional<QString> QSettingsAccess::value(const QString &section, const QString &key) const
{
    const QString path = section + QLatin1Char('/') + key;
    if (!m_settings.contains(path))
        return std::nullopt;
    return m_settings.value(path).toString();
}

void QSettingsAccess::setValue(const QString &section, const QString &key, const QString &text)
{
    m_settings.setValue(section + QLatin1Char('/') + key, text);
    m_settings.sync();
}

void QSettingsAccess::remove(const QString &section, const QString &key)
{
    m_settings.remove(section + QLatin1Char('/') + key);
    m_settings.sync();
}

} // namespace pellux
