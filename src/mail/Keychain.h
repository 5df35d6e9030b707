#pragma once
// The secret store of the desktop session through QtKeychain (never its plain-file fallback). The
// program installs it at start-up (mail::setSecretStore); a desktop without a store answers Unavailable.
#include "mail/MailSettings.h"

namespace mail {

class KeychainStore : public SecretStore {
public:
    Result read(const QString& key, QString* secret) override;
    Result write(const QString& key, const QString& secret) override;
    Result remove(const QString& key) override;
};

}  // namespace mail
