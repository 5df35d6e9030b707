#include "xbase/FileLocks.h"

#include <chrono>
#include <thread>

namespace xbase {

Status acquireLock(File& file, uint64_t off, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Status s = file.lock(off, 1, LockKind::Write, false);
        if (s.code != kErrLock || std::chrono::steady_clock::now() >= deadline) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace xbase
