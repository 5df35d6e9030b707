#include "mail/Keychain.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace mail {
namespace {

const QString kService = QStringLiteral("Corvane Invoicing mail");

// Runs a keychain job to its end (some end inside start()).
SecretStore::Result runJob(QKeychain::Job& job) {
    bool done = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.start();
    if (!done) loop.exec();
    switch (job.error()) {
    case QKeychain::NoError: return SecretStore::Result::Ok;
    case QKeychain::EntryNotFound: return SecretStore::Result::NotFound;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
    case QKeychain::OtherError: return SecretStore::Result::Unavailable;
    default: return SecretStore::Result::Failed;
    }
}

}  // namespace

SecretStore::Result KeychainStore::read(const QString& key, QString* secret) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(key);
    const Result result = runJob(job);
    if (result == Result::Ok) *secret = job.textData();
    return result;
}

SecretStore::Result KeychainStore::write(const QString& key, const QString& secret) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(key);
    job.setTextData(secret);
    return runJob(job);
}

SecretStore::Result KeychainStore::remove(const QString& key) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(key);
    return runJob(job);
}

}  // namespace mail
