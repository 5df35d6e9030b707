#pragma once
// Another user, for real: a second process that holds a write lock on one record of a table (at the
// offset the engine's record locks use) until the object goes, so that the program's own write of
// that record meets the lock as it would on a shared data directory.
#include <string>

namespace testing_support {

class RecordLockHolder {
public:
    // Locks record recno of the table file at path; ok() tells whether the lock is held.
    RecordLockHolder(const std::string& path, long recno);
    ~RecordLockHolder();
    RecordLockHolder(const RecordLockHolder&) = delete;
    RecordLockHolder& operator=(const RecordLockHolder&) = delete;

    bool ok() const { return m_held; }

private:
    int m_pid = -1;
    int m_release = -1;  // writing to it lets the holder go
    bool m_held = false;
};

}  // namespace testing_support
