#include "mail/MailSettings.h"

#include <QFile>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>

#include <utility>

#include "base/OwnerOnly.h"

namespace mail {
namespace {

struct Keys {
    const char* host = "mail/host";
    const char* port = "mail/port";
    const char* security = "mail/security";
    const char* user = "mail/user";
    const char* fromAddress = "mail/fromAddress";
    const char* fromName = "mail/fromName";
    const char* timeout = "mail/timeoutSeconds";
    const char* messageTemplate = "mail/template";
} const kKeys{};

QString defaultSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/corvane.conf");
}

// Where no store was installed: nothing kept outside this run.
class NoStore : public SecretStore {
public:
    Result read(const QString&, QString*) override { return Result::Unavailable; }
    Result write(const QString&, const QString&) override { return Result::Unavailable; }
    Result remove(const QString&) override { return Result::Unavailable; }
};

NoStore g_noStore;
SecretStore* g_store = &g_noStore;
QHash<QString, QString> g_sessionPasswords;

QString accountKey(const ServerSettings& s) { return s.user + QLatin1Char('@') + s.host.trimmed(); }

QString securityName(Security security) {
    switch (security) {
    case Security::Tls: return QStringLiteral("tls");
    case Security::None: return QStringLiteral("none");
    case Security::StartTls: break;
    }
    return QStringLiteral("starttls");
}

}  // namespace

QString SettingsFile = defaultSettingsFile();

ServerSettings LoadServerSettings() {
    const QSettings q(SettingsFile, QSettings::IniFormat);
    ServerSettings s;
    s.host = q.value(kKeys.host).toString();
    s.port = q.value(kKeys.port, s.port).toInt();
    const QString security = q.value(kKeys.security).toString();
    s.security = security == QLatin1String("tls")    ? Security::Tls
                 : security == QLatin1String("none") ? Security::None
                                                     : Security::StartTls;
    s.user = q.value(kKeys.user).toString();
    s.fromAddress = q.value(kKeys.fromAddress).toString();
    s.fromName = q.value(kKeys.fromName).toString();
    s.timeoutSeconds = q.value(kKeys.timeout, s.timeoutSeconds).toInt();
    return s;
}

bool SaveServerSettings(const ServerSettings& s) {
    QSettings q(SettingsFile, QSettings::IniFormat);
    q.setValue(kKeys.host, s.host.trimmed());
    q.setValue(kKeys.port, s.port);
    q.setValue(kKeys.security, securityName(s.security));
    q.setValue(kKeys.user, s.user.trimmed());
    q.setValue(kKeys.fromAddress, s.fromAddress.trimmed());
    q.setValue(kKeys.fromName, s.fromName.trimmed());
    q.setValue(kKeys.timeout, s.timeoutSeconds);
    q.sync();
    // The server, the user and the sender are this user's business: owner-only, like every other file.
    QFile::setPermissions(SettingsFile, base::kOwnerOnly);
    return q.status() == QSettings::NoError;
}

QString DefaultMessageTemplate() {
    return QStringLiteral(
        "Hello,\n\nPlease find attached {document} {number} of {date} for {total}. The balance due is "
        "{balance}.\n\nThank you for your business.\n\n{company}\n");
}

QString MessageTemplate() {
    return QSettings(SettingsFile, QSettings::IniFormat).value(kKeys.messageTemplate, DefaultMessageTemplate()).toString();
}

bool SaveMessageTemplate(const QString& text) {
    QSettings q(SettingsFile, QSettings::IniFormat);
    q.setValue(kKeys.messageTemplate, text);
    q.sync();
    return q.status() == QSettings::NoError;
}

QString FillTemplate(const QString& text, const DocumentFacts& f) {
    QString out = text;
    const std::pair<const char*, const QString*> fields[] = {{"{document}", &f.document}, {"{number}", &f.number},
                                                            {"{date}", &f.date},         {"{total}", &f.total},
                                                            {"{balance}", &f.balance},   {"{company}", &f.company}};
    for (const auto& [name, value] : fields) out.replace(QLatin1String(name), *value);
    return out;
}

SecretStore& secretStore() { return *g_store; }

SecretStore* setSecretStore(SecretStore* store) {
    SecretStore* previous = g_store == &g_noStore ? nullptr : g_store;
    g_store = store ? store : &g_noStore;
    return previous;
}

QString FindPassword(const ServerSettings& s) {
    const QString key = accountKey(s);
    if (g_sessionPasswords.contains(key)) return g_sessionPasswords.value(key);
    QString secret;
    if (secretStore().read(key, &secret) == SecretStore::Result::Ok) return secret;
    return {};
}

Kept KeepPassword(const ServerSettings& s, const QString& password, QString* failure) {
    const QString key = accountKey(s);
    g_sessionPasswords.insert(key, password);
    switch (secretStore().write(key, password)) {
    case SecretStore::Result::Ok: return Kept::InStore;
    case SecretStore::Result::Unavailable:
        if (failure) *failure = QStringLiteral("This desktop has no secret store");
        break;
    default:
        if (failure) *failure = QStringLiteral("The desktop's secret store did not take the password");
        break;
    }
    return Kept::InMemoryOnly;
}

void ForgetSessionPasswords() { g_sessionPasswords.clear(); }

}  // namespace mail
