#pragma once

#include <QString>

namespace pellux {

/**
 * Numbers of the failures the mail code finds itself. They lie above libcurl's
 * codes (below 100) and the SMTP reply codes (200 to 599), the two other kinds of
 * number a mail error carries, so the number alone says where a failure came from.
 */
enum MailErrorNumber : int {
    MailErrorInvalidServer = 1001,
    MailErrorInvalidAddress = 1002,
    MailErrorNoRecipient = 1003,
    MailErrorClearTextLogin = 1004,
    MailErrorNotConnected = 1005,
    MailErrorFile = 1006,
    MailErrorCompose = 1007,
    MailErrorCancelled = 1008,
    MailErrorBusy = 1009,
};

/**
 * A failure of the mail transport or composer. `number` is the server's SMTP reply
 * code when the server refused (535 for a wrong password, 550 for a refused
 * recipient), libcurl's error code for other transport failures, or one of
 * MailErrorNumber; 0 means no error.
 */
struct MailError
{
    int number = 0;
    QString description;

    bool isError() const { return number != 0; }
};

} // namespace pellux
