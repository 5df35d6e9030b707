#pragma once
// A mail message as the program sends it: the addresses typed by the user, a plain-text body and one
// document attached, composed into MIME text (multipart/mixed, the body quoted-printable UTF-8, the
// attachment base64) with every line within SMTP's limits. No header value may carry a line break:
// composing refuses it, so no typed text can add a header of its own.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace mail {

struct Attachment {
    QString fileName;     // as the recipient sees it: "Invoice-1042.pdf"
    QString contentType;  // "application/pdf"
    QByteArray data;
};

struct Message {
    QString fromName;     // the sender's display name; may be empty
    QString fromAddress;
    QStringList to, cc;   // bare addresses
    QString subject;
    QString body;         // plain text, any line endings
    QList<Attachment> attachments;
};

// What the e-mail window opens with for one document.
struct Draft {
    QString to;          // as typed: addresses separated by commas or semicolons
    QString subject;
    QString body;
    Attachment attachment;
    QString reference;   // what the mail log names: "Invoice 1042", "Statement Ann Lee"
};

// A bare address: one "@" with text on both sides, no blanks, brackets, quotes or control characters.
bool IsAddress(const QString& text);
// "a@x.org, Ann <b@y.org>; c@z.org": the addresses, split at commas and semicolons, blanks around them
// dropped, a display name around "<...>" dropped. False (with *bad the piece) when a piece is no address.
bool ParseAddressList(const QString& text, QStringList* addresses, QString* bad);
bool HasLineBreak(const QString& text);
// The refusal of a line break in the field named.
QString LineBreakIn(const QString& field);

// What stops the message from being sent as it is, in words for the user; empty when nothing does.
QString ProblemWith(const Message& message);

// "<random@domain of the sender>"
QString NewMessageId(const QString& fromAddress);

// The message as MIME text, lines ended by CR LF. REQUIRES: ProblemWith(message) is empty.
QByteArray ComposeMime(const Message& message, const QDateTime& date, const QString& messageId);

}  // namespace mail
