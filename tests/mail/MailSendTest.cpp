// Composing and sending through the program's own code to a real mail server on 127.0.0.1, the message
// read back with Python's email package. The roads on which the server says no are the window's tests.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "SmtpServer.h"
#include "mail/MailMessage.h"

namespace mail_test {
namespace {

using mail::Message;

TEST(MailAddressTest, ListsSplitAtCommasAndSemicolons) {
    const struct {
        const char* typed;
        QStringList addresses;
        const char* bad;  // nullptr: the list is accepted
    } cases[] = {
        {"ann@x.org, bob@y.org;carl@z.org", {"ann@x.org", "bob@y.org", "carl@z.org"}, nullptr},
        {"  ann@x.org ; ; ,bob@y.org  ", {"ann@x.org", "bob@y.org"}, nullptr},
        {"Ann Lee <ann@x.org>; bob@y.org", {"ann@x.org", "bob@y.org"}, nullptr},
        {"", {}, nullptr},
        {"ann@x.org bob@y.org", {}, "ann@x.org bob@y.org"},
        {"ann.x.org", {}, "ann.x.org"},
        {"ann@x.org, @y.org", {}, "@y.org"},
        {"ann@x.org\r\nBcc: eve@z.org", {}, "ann@x.org\r\nBcc: eve@z.org"},
        {"m\xc3\xbcller@x.org", {}, "m\xc3\xbcller@x.org"},
    };
    for (const auto& c : cases) {
        QStringList addresses;
        QString bad;
        const bool ok = mail::ParseAddressList(QString::fromUtf8(c.typed), &addresses, &bad);
        EXPECT_EQ(ok, c.bad == nullptr) << c.typed;
        if (ok) EXPECT_EQ(addresses, c.addresses) << c.typed;
        else EXPECT_EQ(bad, QString::fromUtf8(c.bad)) << c.typed;
    }
}

TEST(MailAddressTest, HeadersRefuseLineBreaksAndBadAddresses) {
    Message good;
    good.fromAddress = QStringLiteral("office@corvane.test");
    good.to = {QStringLiteral("ann@x.org")};
    good.subject = QStringLiteral("Invoice 1042");
    EXPECT_EQ(mail::ProblemWith(good), QString());
    const struct {
        const char* what;
        std::function<void(Message&)> change;
        const char* says;
    } cases[] = {
        {"LF in subject", [](Message& m) { m.subject += "\nBcc: eve@z.org"; }, "The Subject holds a line break"},
        {"CR in subject", [](Message& m) { m.subject += "\r"; }, "The Subject holds a line break"},
        {"CR LF in sender name", [](Message& m) { m.fromName = "Shop\r\nBcc: eve@z.org"; }, "sender's name holds"},
        {"no recipient", [](Message& m) { m.to.clear(); }, "Type the address the message goes to."},
        {"sender not set", [](Message& m) { m.fromAddress.clear(); }, "The sender's address"},
        {"bad cc", [](Message& m) { m.cc = {"eve@z.org\nX: y"}; }, "is not an e-mail address"},
    };
    for (const auto& c : cases) {
        Message m = good;
        c.change(m);
        EXPECT_TRUE(mail::ProblemWith(m).contains(QLatin1String(c.says))) << c.what << ": " << mail::ProblemWith(m).toStdString();
    }
}

// Every byte value, so that any mangling of the attachment shows.
QByteArray binaryAttachment() {
    QByteArray data;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b) data.append(char(b));
    return data;
}

Message invoiceMessage() {
    Message m;
    m.fromName = QStringLiteral("Harbour Stationers");
    m.fromAddress = QStringLiteral("office@corvane.test");
    m.to = {QStringLiteral("ann@x.org"), QStringLiteral("bob@y.org")};
    m.cc = {QStringLiteral("books@corvane.test")};
    // Non-ASCII and longer than a header line: encoded and folded, read back whole.
    m.subject = QStringLiteral("Rechnung 1042 für Müller & Söhne — Bürobedarf, Papier, Tinte und alles andere im Dezember");
    m.body = QStringLiteral("Dear Ms Müller,\n\n.a line that starts with a dot\n") + QString(200, QLatin1Char('x')) +
             QStringLiteral(" \nTotal: 1,234.50 €\n");
    m.attachments = {{QStringLiteral("Invoice-1042.pdf"), QStringLiteral("application/pdf"), binaryAttachment()}};
    return m;
}

mail::SendOutcome sendTo(const mail::ServerSettings& settings, const Message& m, const QString& password = {}) {
    const std::atomic<bool> cancel{false};
    const QByteArray mime = mail::ComposeMime(m, QDateTime::currentDateTime(), mail::NewMessageId(m.fromAddress));
    return mail::SendMail(settings, password, m.to + m.cc, mime, cancel);
}

TEST(MailSendTest, TheServerReceivesTheMessageAsComposed) {
    SmtpServer server;
    const Message m = invoiceMessage();
    const mail::SendOutcome outcome = sendTo(localServer(server.port()), m);
    ASSERT_TRUE(outcome.sent) << outcome.text.toStdString();
    const QJsonObject got = server.received();
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got["mail_from"].toString(), m.fromAddress);
    EXPECT_EQ(got["rcpt_tos"].toVariant().toStringList(), m.to + m.cc);
    EXPECT_EQ(got["to"].toString(), QStringLiteral("ann@x.org, bob@y.org"));
    EXPECT_EQ(got["cc"].toString(), QStringLiteral("books@corvane.test"));
    EXPECT_EQ(got["from"].toString(), QStringLiteral("Harbour Stationers <office@corvane.test>"));
    EXPECT_EQ(got["subject"].toString(), m.subject);
    EXPECT_EQ(got["content_type"].toString(), QStringLiteral("multipart/mixed"));
    EXPECT_EQ(got["body_charset"].toString(), QStringLiteral("utf-8"));
    EXPECT_EQ(got["body"].toString().replace(QLatin1String("\r\n"), QLatin1String("\n")), m.body);
    EXPECT_TRUE(got["message_id_ok"].toBool());
    EXPECT_TRUE(got["date_ok"].toBool());
    EXPECT_EQ(got["defects"].toInt(), 0);
    EXPECT_LE(got["longest_line"].toInt(), 78);
    const QJsonArray files = got["attachments"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0]["filename"].toString(), QStringLiteral("Invoice-1042.pdf"));
    EXPECT_EQ(files[0]["type"].toString(), QStringLiteral("application/pdf"));
    EXPECT_EQ(SmtpServer::fileBytes(files[0]["path"].toString()), binaryAttachment());
}

TEST(MailSendTest, WithoutSecurityOnlyToThisComputer) {
    mail::ServerSettings settings = localServer(25);
    settings.host = QStringLiteral("smtp.example.com");
    const mail::SendOutcome outcome = sendTo(settings, invoiceMessage());
    EXPECT_FALSE(outcome.sent);
    EXPECT_TRUE(outcome.text.contains(QLatin1String("only to a relay on this computer"))) << outcome.text.toStdString();
    for (const char* local : {"127.0.0.1", "localhost", "::1"}) {
        settings.host = QLatin1String(local);
        EXPECT_EQ(mail::SettingsProblem(settings), QString()) << local;
    }
}

}  // namespace
}  // namespace mail_test
