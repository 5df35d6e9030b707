// The mail settings in the user's settings file and the password in the secret store (a fake one: no
// real keyring is touched). A desktop without a store is the e-mail window's test.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "FakeSecretStore.h"
#include "mail/MailSettings.h"

namespace mail_test {
namespace {

class MailSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = mail::SettingsFile;
        mail::SettingsFile = m_dir.filePath(QStringLiteral("corvane.conf"));
    }
    void TearDown() override { mail::SettingsFile = m_previous; }
    QByteArray settingsText() const {
        QFile f(mail::SettingsFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static mail::ServerSettings account() {
        mail::ServerSettings s;
        s.host = QStringLiteral("smtp.example.com");
        s.port = 465;
        s.security = mail::Security::Tls;
        s.user = QStringLiteral("clerk@example.com");
        s.fromAddress = QStringLiteral("office@example.com");
        s.fromName = QStringLiteral("Harbour Stationers");
        s.timeoutSeconds = 45;
        return s;
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

TEST_F(MailSettingsTest, ServerSettingsAndTemplateComeBackFromTheFile) {
    const mail::ServerSettings fresh = mail::LoadServerSettings();
    EXPECT_EQ(fresh.port, 587);
    EXPECT_EQ(fresh.security, mail::Security::StartTls);
    EXPECT_EQ(mail::MessageTemplate(), mail::DefaultMessageTemplate());

    ASSERT_TRUE(mail::SaveServerSettings(account()));
    ASSERT_TRUE(mail::SaveMessageTemplate(QStringLiteral("Invoice {number}, due {balance}")));
    const mail::ServerSettings back = mail::LoadServerSettings();
    EXPECT_EQ(back.host, QStringLiteral("smtp.example.com"));
    EXPECT_EQ(back.port, 465);
    EXPECT_EQ(back.security, mail::Security::Tls);
    EXPECT_EQ(back.user, QStringLiteral("clerk@example.com"));
    EXPECT_EQ(back.fromAddress, QStringLiteral("office@example.com"));
    EXPECT_EQ(back.fromName, QStringLiteral("Harbour Stationers"));
    EXPECT_EQ(back.timeoutSeconds, 45);
    mail::DocumentFacts facts;
    facts.number = QStringLiteral("1042");
    facts.balance = QStringLiteral("12.50");
    EXPECT_EQ(mail::FillTemplate(mail::MessageTemplate(), facts), QStringLiteral("Invoice 1042, due 12.50"));
}

TEST_F(MailSettingsTest, ThePasswordGoesToTheSecretStoreNeverTheFile) {
    FakeSecretStore store;
    ASSERT_TRUE(mail::SaveServerSettings(account()));
    EXPECT_EQ(mail::FindPassword(account()), QString());
    EXPECT_EQ(mail::KeepPassword(account(), QStringLiteral("pa55word")), mail::Kept::InStore);
    mail::ForgetSessionPasswords();  // a later run
    EXPECT_EQ(mail::FindPassword(account()), QStringLiteral("pa55word"));
    EXPECT_FALSE(settingsText().contains("pa55word"));
    // Another account on the same server has a password of its own.
    mail::ServerSettings other = account();
    other.user = QStringLiteral("boss@example.com");
    EXPECT_EQ(mail::FindPassword(other), QString());
}

}  // namespace
}  // namespace mail_test
