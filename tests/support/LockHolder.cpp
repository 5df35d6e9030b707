#include "support/LockHolder.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "xbase/FileLocks.h"

namespace testing_support {

RecordLockHolder::RecordLockHolder(const std::string& path, long recno) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0) return;
    if (::pipe(release) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The child does only what is safe after a fork: open, lock, tell, wait, leave.
        char answer = 'n';
        const int fd = ::open(path.c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = off_t(xbase::kLockBase + uint64_t(recno));
        lock.l_len = 1;
        if (fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) answer = 'y';
        (void)!::write(ready[1], &answer, 1);
        char go = 0;
        (void)!::read(release[0], &go, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    if (pid < 0) {
        ::close(ready[0]);
        ::close(release[1]);
        return;
    }
    m_pid = pid;
    m_release = release[1];
    char answer = 'n';
    m_held = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
}

RecordLockHolder::~RecordLockHolder() {
    if (m_release >= 0) {
        const char go = 'g';
        (void)!::write(m_release, &go, 1);
        ::close(m_release);
    }
    if (m_pid > 0) ::waitpid(m_pid, nullptr, 0);
}

}  // namespace testing_support
