#pragma once
// One copy of the program per data directory: a lock file there, held for the whole run. A lock left
// by a copy that crashed is taken over (QLockFile sees that its process is gone).
#include <QLockFile>
#include <QString>

#include <memory>

namespace store {

class DataLock {
public:
    // Takes the lock of dir; false when another copy holds it or it cannot be written (message() says).
    // True without a lock in a folder this user may not write (the data open read-only there).
    bool acquire(const QString& dir);
    bool held() const { return m_lock && m_lock->isLocked(); }
    // Why acquire() failed, in the words shown to the user.
    QString message() const { return m_message; }

    static QString fileName();

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_message;
};

}  // namespace store
