#pragma once

#include <QString>
#include <QStringList>

namespace pellux {

/**
 * The bare addresses (local@domain) of an address list as typed in a header:
 * "a@x.org, Bea <b@y.org>" gives a@x.org and b@y.org; groups are opened. Returns an
 * empty list with \a error set when the text holds a control character (which could
 * smuggle a command into the SMTP dialogue) or no address at all.
 */
QStringList MailboxAddresses(const QString &text, QString *error = nullptr);

} // namespace pellux
