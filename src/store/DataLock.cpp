#include "store/DataLock.h"

#include <QDir>
#include <QFileInfo>

#include "base/OwnerOnly.h"

namespace store {
namespace {
const QString kInUse = QStringLiteral("The data files in %1 are in use by another copy of Corvane Invoicing");
const QString kInUseBy = QStringLiteral(" (%1 on %2)");
const QString kCannotLock = QStringLiteral("The data folder %1 cannot be locked for this copy: ");
}  // namespace

QString DataLock::fileName() { return QStringLiteral("corvane.lock"); }

bool DataLock::acquire(const QString& dir) {
    const QString path = QDir(dir).filePath(fileName());
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0);  // a run may last days: only a dead holder makes the lock stale
    if (m_lock->tryLock(0)) {
        // It names this user's host and process: for this user's eyes only, like every other file.
        QFile::setPermissions(path, base::kOwnerOnly);
        return true;
    }
    const QString where = QDir::toNativeSeparators(QDir(dir).absolutePath());
    if (m_lock->error() != QLockFile::LockFailedError) {
        // A folder this user may only read cannot hold the lock, and a copy that can change nothing
        // in it needs none: its tables open for reading, and a save says that the data are read-only.
        if (!QFileInfo(dir).isWritable()) return true;
        m_message = kCannotLock.arg(where) + QStringLiteral("the folder is not writable");
        return false;
    }
    m_message = kInUse.arg(where);
    qint64 pid = 0;
    QString host, application;
    // The lock file names the host; its owner is the user who started that copy.
    const QString user = QFileInfo(path).owner();
    if (m_lock->getLockInfo(&pid, &host, &application) && !host.isEmpty() && !user.isEmpty())
        m_message += kInUseBy.arg(user, host);
    m_message += QLatin1Char('.');
    return false;
}

}  // namespace store
