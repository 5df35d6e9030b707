#pragma once
// Lock offsets of the Clipper convention and a bounded retry for the short locks around each write.
#include <cstdint>

#include "xbase/FileSystem.h"

namespace xbase {

// Records, the header and the memo file are locked far beyond the data so locked bytes stay readable.
constexpr uint64_t kLockBase = 1000000000ULL;       // header/append lock; record r at kLockBase + r
constexpr uint64_t kMaxDataFileSize = kLockBase;    // keep files below the lock region
constexpr uint64_t kMemoLockOffset = 0;             // the DBT's lock: 1 byte at offset 0

// Tries a write lock without waiting, retrying until timeoutMs has passed. Another user's lock is
// held only for the length of one write, so a short wait normally succeeds; a lock held longer
// gives kErrLock instead of hanging the caller.
Status acquireLock(File& file, uint64_t off, int timeoutMs);

}  // namespace xbase
