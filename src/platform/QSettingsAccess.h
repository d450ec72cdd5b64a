#pragma once

#include "platform/SecretStore.h"

class QSettings;

namespace pellux {

/// SettingsAccess on a QSettings, a value at "section/key".
class QSettingsAccess : public SettingsAccess
{
public:
    explicit QSettingsAccess(QSettings &settings) : m_settings(settings) {}

    std::optional<QString> value(const QString &section, const QString &key) const override;
    void setValue(const QString &section, const QString &key, const QString &text) override;
    void remove(const QString &section, const QString &key) override;

private:
    QSettings &m_settings;
};

} // namespace pellux
