#pragma once
// The mail settings of the user: the server, the sender and the message template live in the user's
// program settings file (QSettings), not in the data tables, so a backup of the data carries no mail
// credentials. The password lives in the desktop's secret store; where there is none, it is kept in
// memory until the program ends and asked for again at the next run.
#include <QString>

#include "mail/MailSender.h"

namespace mail {

// The settings file: the user's "corvane.conf" unless a test points elsewhere.
extern QString SettingsFile;

ServerSettings LoadServerSettings();
// False when the settings file could not be written.
bool SaveServerSettings(const ServerSettings& settings);

// The body a new message starts with; {document}, {number}, {date}, {total}, {balance} and {company}
// are filled in (FillTemplate).
QString MessageTemplate();
bool SaveMessageTemplate(const QString& text);
QString DefaultMessageTemplate();

struct DocumentFacts {
    QString document;  // "Invoice", "Bill", "Statement"
    QString number, date, total, balance, company;
};
QString FillTemplate(const QString& text, const DocumentFacts& facts);

// The desktop's secret store, installed like the dialog facade: the program installs the QtKeychain
// one, tests a fake.
class SecretStore {
public:
    enum class Result { Ok, NotFound, Unavailable, Failed };
    virtual ~SecretStore() = default;
    virtual Result read(const QString& key, QString* secret) = 0;
    virtual Result write(const QString& key, const QString& secret) = 0;
    virtual Result remove(const QString& key) = 0;
};
SecretStore& secretStore();
SecretStore* setSecretStore(SecretStore* store);  // not owned; returns the previous one

// The password for the settings' account: from this session's memory, else from the secret store.
// Empty when neither holds one (a server without login needs none).
QString FindPassword(const ServerSettings& settings);
enum class Kept { InStore, InMemoryOnly };
// Keeps the password for the account: in the secret store, and in memory for the session either way
// (when the store is missing or refuses, only there). *failure: why the store did not take it.
Kept KeepPassword(const ServerSettings& settings, const QString& password, QString* failure = nullptr);
// Forgets the session's passwords (tests; and the program never needs to).
void ForgetSessionPasswords();

}  // namespace mail
