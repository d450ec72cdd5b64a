#include "platform/SmtpPasswordStore.h"

#include "core/TextRules.h"

namespace pellux {

const QString SmtpPasswordStore::SecretKey = QStringLiteral("SMTPPassword");
const QString SmtpPasswordStore::Section = QStringLiteral("Settings");
const QString SmtpPasswordStore::SettingKey = QStringLiteral("SMTPPassword");

SmtpPasswordStore::SmtpPasswordStore(SecretStore &store, SettingsAccess &settings)
    : m_store(store), m_settings(settings)
{
}

void SmtpPasswordStore::noteAnswer(const SecretResult &r)
{
    m_asked = true;
    m_fallback = !r.answered();
    m_reason = m_fallback ? r.error : QString();
}

QString SmtpPasswordStore::password()
{
    // An empty value means "no password here", as it always has; it is not a request
    // to delete what the secret store holds.
    const QString hex = m_settings.value(Section, SettingKey).value_or(QString());
    if (!hex.isEmpty()) {
        const QString pw = HexDecode(hex);
        const SecretResult w = m_store.writeSecret(SecretKey, pw);
        noteAnswer(w);
        if (w.ok())
            m_settings.remove(Section, SettingKey);
        return pw;
    }
    const SecretResult r = m_store.readSecret(SecretKey);
    noteAnswer(r);
    return r.ok() ? r.secret : QString();
}

void SmtpPasswordStore::setPassword(const QString &password)
{
    if (password.isEmpty()) {
        noteAnswer(m_store.deleteSecret(SecretKey));
        m_settings.remove(Section, SettingKey);
        return;
    }
    const SecretResult w = m_store.writeSecret(SecretKey, password);
    noteAnswer(w);
    if (w.ok())
        m_settings.remove(Section, SettingKey);
    else
        m_settings.setValue(Section, SettingKey, HexEncode(password));
}

bool SmtpPasswordStore::usingFallback()
{
    if (!m_asked)
        password();
    return m_fallback;
}

} // namespace pellux
