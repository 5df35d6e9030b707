#pragma once
// A secret store for tests, installed for its lifetime: a map, or a desktop without any store.
#include <QMap>

#include "mail/MailSettings.h"

namespace mail_test {

class FakeSecretStore : public mail::SecretStore {
public:
    explicit FakeSecretStore(bool available = true) : m_available(available), m_previous(mail::setSecretStore(this)) {}
    ~FakeSecretStore() override {
        mail::setSecretStore(m_previous);
        mail::ForgetSessionPasswords();
    }
    Result read(const QString& key, QString* secret) override {
        if (!m_available) return Result::Unavailable;
        if (!secrets.contains(key)) return Result::NotFound;
        *secret = secrets.value(key);
        return Result::Ok;
    }
    Result write(const QString& key, const QString& secret) override {
        if (!m_available) return Result::Unavailable;
        secrets.insert(key, secret);
        return Result::Ok;
    }
    Result remove(const QString& key) override {
        if (!m_available) return Result::Unavailable;
        return secrets.remove(key) ? Result::Ok : Result::NotFound;
    }

    QMap<QString, QString> secrets;

private:
    bool m_available;
    mail::SecretStore* m_previous;
};

}  // namespace mail_test
