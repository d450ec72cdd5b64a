#pragma once

// Shared by the mail units that use GMime; not for use outside src/core/mail.

// GLib's headers name a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

#include <utility>

namespace pellux::gmime {

/// g_mime_init once per process, from whichever thread gets here first.
void ensureInitialized();


/// Owns one reference of a GObject.
template<typename T>
class Ref
{
public:
    Ref() = default;
    explicit Ref(T *object) : m_p(object) {}
    ~Ref() { reset(); }
    Ref(const Ref &) = delete;
    Ref &operator=(const Ref &) = delete;
    Ref(Ref &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    Ref &operator=(Ref &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    void reset(T *object = nullptr)
    {
        if (m_p)
            g_object_unref(m_p);
        m_p = object;
    }
    T *get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T *m_p = nullptr;
};

/**
 * GMime's reading of an address list as typed, where ";" between addresses (as
 * Windows mail programs write lists) counts as ",". Caller owns the result; null
 * when nothing could be read.
 */
InternetAddressList *parseAddressList(const char *utf8);
/// The number of addresses the list holds by a plain reading of its separators.
int countAddresses(const char *utf8);

} // namespace pellux::gmime
