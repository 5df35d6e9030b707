#pragma once
// E-mailing the customer documents of the report buffer: to the one customer they belong to, as the
// PDF the renderer writes for them (the report window's PDF export, byte for byte), with the subject
// and the body the settings' template makes of them.
#include <QString>

#include "mail/MailMessage.h"

namespace reports {

// Why the buffer cannot be sent; empty when it can (it holds documents of one customer).
QString EmailBlocker();
// The message for the buffer. False (with *error for the user) when the PDF could not be written.
// REQUIRES: EmailBlocker() is empty.
bool DraftForBuffer(mail::Draft* draft, QString* error);

}  // namespace reports
