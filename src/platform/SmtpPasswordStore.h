#pragma once

#include "platform/SecretStore.h"

#include <QString>

namespace pellux {

/**
 * Where the SMTP password lives: in the desktop's secret store, not in the settings
 * file. Where no secret store answers, the hex "SMTPPassword" setting keeps serving,
 * and usingFallback() says so for the options dialog to show.
 *
 * A hex "SMTPPassword" found in the settings is moved into the secret store on the
 * first read and then removed from the settings; while no store answers it stays
 * where it is. The settings' copy is the newer one when both hold a password (it
 * was written while the store was away), so it wins.
 *
 * The settings writer must leave "SMTPPassword" alone except through this class,
 * or it would put the password back into the file.
 */
class SmtpPasswordStore
{
public:
    SmtpPasswordStore(SecretStore &store, SettingsAccess &settings);

    /// The stored password, empty when there is none (or none can be reached).
    QString password();
    /// Stores \a password; an empty one removes it from both places. Never loses it:
    /// when the secret store does not take it, it goes to the settings.
    void setPassword(const QString &password);

    /// True when the last attempt found no secret store; asks the store if nothing has yet.
    bool usingFallback();
    /// Why the secret store is not used (the store's own words), empty when it is.
    QString fallbackReason() const { return m_reason; }

    static const QString SecretKey;      ///< "SMTPPassword"
    static const QString Section;        ///< "Settings"
    static const QString SettingKey;     ///< "SMTPPassword"

private:
    void noteAnswer(const SecretResult &r);

    SecretStore &m_store;
    SettingsAccess &m_settings;
    bool m_asked = false;
    bool m_fallback = false;
    QString m_reason;
};

} // namespace pellux
