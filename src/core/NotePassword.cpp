#include "core/NotePassword.h"

#include <QByteArray>

#include <sodium.h>

namespace pellux {

namespace {

// libsodium's "interactive" cost: about a tenth of a second and 64 MiB per hash on a
// desktop, which a person typing a password does not notice and a guesser does.
constexpr unsigned long long OpsLimit = crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE;
constexpr size_t MemLimit = crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE;

bool sodiumReady()
{
    // sodium_init is safe to call more than once; 1 means "already initialised".
    static const bool ready = sodium_init() >= 0;
    return ready;
}

/// The UTF-8 bytes of \a text, wiped when they go.
class SecretBytes
{
public:
    explicit SecretBytes(const QString &text) : m_bytes(text.toUtf8()) {}
    ~SecretBytes() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;
    const char *data() const { return m_bytes.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

} // namespace

QString HashNotePassword(const QString &password)
{
    if (password.isEmpty() || !sodiumReady())
        return QString();
    const SecretBytes bytes(password);
    char out[crypto_pwhash_argon2id_STRBYTES];
    if (crypto_pwhash_argon2id_str(out, bytes.data(), bytes.size(), OpsLimit, MemLimit) != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool VerifyNotePassword(const QString &hash, const QString &typed)
{
    if (typed.isEmpty() || !IsNotePasswordHash(hash))
        return false;
    const QByteArray stored = hash.toLatin1();
    const SecretBytes bytes(typed);
    return crypto_pwhash_argon2id_str_verify(stored.constData(), bytes.data(), bytes.size()) == 0;
}

bool IsNotePasswordHash(const QString &text)
{
    if (text.isEmpty() || text.size() >= qsizetype(crypto_pwhash_argon2id_STRBYTES) || !sodiumReady())
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return false;
    }
    const QByteArray latin = text.toLatin1();
    if (!latin.startsWith(crypto_pwhash_argon2id_STRPREFIX))
        return false;
    // -1: not a string of this algorithm at all; 0 or 1: well formed (1 only says its
    // cost differs from today's, which verifying does not mind).
    return crypto_pwhash_argon2id_str_needs_rehash(latin.constData(), OpsLimit, MemLimit) != -1;
}

} // namespace pellux
