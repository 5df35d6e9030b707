#pragma once
// The one seam for file access. Every open, read, write, lock, delete and rename of the engine goes
// through a FileSystem, so tests can run on memory and inject faults (fail the Nth write, fill the disk,
// hold a lock from another handle). Results are values: a code, the path and the OS error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xbase/Status.h"

namespace xbase {

enum class Share {
    Shared,     // others may open shared too (DOS "deny none")
    Exclusive,  // nobody else may have the file open (DOS "deny read/write")
};

enum class LockKind { Read, Write };

// One open file description. Locks belong to the description, not to the process: two opens of the
// same file in one process conflict exactly as two processes would (Linux OFD locks, and the same
// rule in the in-memory file system).
class File {
public:
    virtual ~File() = default;
    // Reads up to n bytes at off; *got receives the count (short at end of file).
    virtual Status read(uint64_t off, void* buf, size_t n, size_t* got) = 0;
    virtual Status write(uint64_t off, const void* buf, size_t n) = 0;
    virtual Status size(uint64_t* out) = 0;
    virtual Status truncate(uint64_t len) = 0;
    virtual Status sync() = 0;
    // Whether a read sees every other user's finished writes without holding a lock (a local disk,
    // memory). On a network file system only a lock makes the cache current.
    virtual bool seesWritesWithoutLocks() const { return false; }
    // Byte-range lock. wait=false fails at once with kErrLock when another description holds a
    // conflicting lock.
    virtual Status lock(uint64_t off, uint64_t len, LockKind kind, bool wait) = 0;
    virtual Status unlock(uint64_t off, uint64_t len) = 0;
    // Whether another description holds a lock in [off, off+len) that a lock of kind would conflict
    // with; answers for files opened for reading too, which cannot take a write lock. REQUIRES: this
    // description holds no lock there (the default tries the lock and drops it again).
    virtual bool lockedByOthers(uint64_t off, uint64_t len, LockKind kind);
    virtual const std::string& path() const = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading and writing (readOnly: reading only) and takes the share
    // lock; kErrShare when another description holds a conflicting share lock.
    virtual Status open(const std::string& path, Share share, bool readOnly, std::unique_ptr<File>* out) = 0;
    // Creates or truncates a file at its final name; the truncation happens only after the share lock
    // is held. A symbolic link or anything but a regular file at the name is refused, never followed.
    // A new file's mode is that of createNew().
    virtual Status create(const std::string& path, Share share, std::unique_ptr<File>* out) = 0;
    // Creates path, which must not exist yet: kErrExists when anything is there, a symbolic link
    // included (never followed). A file that takes the place of replaces (when that exists) gets its
    // mode and group. Otherwise the mode keeps customers' data from other users: owner-only (0600),
    // unless the directory is shared by a group (setgid, or another of its files is group-writable);
    // then the file takes the mode and group of that group-writable file.
    virtual Status createNew(const std::string& path, const std::string& replaces, Share share,
                             std::unique_ptr<File>* out) = 0;
    // Every file the engine writes before renaming it (a rebuilt table, memo, index or group file,
    // a sort run) is made here: createNew() on an unpredictable name beside target, so nobody can
    // plant a link at it in advance. *tempPath receives the name.
    Status createTemp(const std::string& target, Share share, std::unique_ptr<File>* out, std::string* tempPath);
    // Whether name (a file name without its directory) is one createTemp() makes for target's name.
    static bool isTempName(const std::string& name, const std::string& targetName);
    virtual bool exists(const std::string& path) = 0;
    virtual Status remove(const std::string& path) = 0;
    // Renames a file over another. Durable when it returns (the directory is synced), so a swap the
    // engine reports done stays done after a power cut.
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    // Makes the entries of a directory ("" the current one) durable: files created, renamed or
    // removed in it. Default: nothing to do (a file system in memory).
    virtual Status syncDirectory(const std::string& dir);
    // Names of the entries of a directory (files only).
    virtual Status list(const std::string& dir, std::vector<std::string>* names) = 0;
    // Makes the writes of several files durable, as one step where the platform can: a durable commit
    // touches the table and several index files, and each file's own sync would wait for its own flush
    // of the disk's cache. Default: each file's sync() in turn.
    virtual Status syncFiles(const std::vector<File*>& files);

    // Finds path's file name in its directory exactly, then without regard to ASCII case.
    // Returns the path as it exists, or path unchanged when no file matches.
    std::string resolve(const std::string& path);
};

// The real file system (POSIX, Linux open-file-description locks).
FileSystem* posixFileSystem();

// A file system in memory, for tests. Same share and lock rules as the POSIX one.
std::unique_ptr<FileSystem> newMemoryFileSystem();

// The memory file system with a power switch, for tests of power cuts. restore() leaves what each file
// held at its last sync, with every creation, rename and removal in effect; restoreAny() one of the
// states a disk may leave: each 4 KiB page of a file one of its versions since the file's last sync,
// its size one of those since then, and the creations, renames and removals up to the last sync
// (any file's, a directory's, or a rename's own) followed by some of the later ones, in order.
class PowerCutFileSystem : public FileSystem {
public:
    // The power goes at the steps-th changing call from now (write, truncate, create, rename,
    // remove; 1 = the next): that call and every later change or sync fails with kErrWrite.
    virtual void cutAt(int steps) = 0;
    virtual bool cut() const = 0;
    // The power is back: every file holds what it held at its last sync, and calls work again.
    virtual void restore() = 0;
    // The power is back on one of the states a cut may leave, chosen by seed.
    virtual void restoreAny(uint64_t seed) = 0;
    // Everything written so far counts as synced (a test's starting data).
    virtual void syncAll() = 0;
    // Changing calls so far.
    virtual int steps() const = 0;
};
std::unique_ptr<PowerCutFileSystem> newPowerCutFileSystem();

// Wraps another file system and injects faults, for tests.
class FaultFileSystem : public FileSystem {
public:
    explicit FaultFileSystem(FileSystem* base);
    ~FaultFileSystem() override;

    // The Nth write from now (1 = the next) fails with code (kErrWrite or kErrDiskFull), and every
    // later write too when sticky.
    void failWrite(int nth, int code = kErrWrite, bool sticky = false);
    // Writes fail with kErrDiskFull once the total bytes written from now exceed budget.
    void diskFullAfter(uint64_t budget);
    // Every write fails with kErrReadOnly.
    void setReadOnly(bool on);
    // Files may be opened for reading only, as the files of a user who may only read them: an open
    // for writing and every create fail with kErrReadOnly.
    void setReadOnlyFiles(bool on);
    void clearFaults();
    int writesSeen() const;
    int readsSeen() const;  // read calls of every file opened through this wrapper
    int locksSeen() const;  // lock calls, likewise

    Status open(const std::string& path, Share share, bool readOnly, std::unique_ptr<File>* out) override;
    Status create(const std::string& path, Share share, std::unique_ptr<File>* out) override;
    Status createNew(const std::string& path, const std::string& replaces, Share share,
                     std::unique_ptr<File>* out) override;
    bool exists(const std::string& path) override;
    Status remove(const std::string& path) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status syncDirectory(const std::string& dir) override;
    Status list(const std::string& dir, std::vector<std::string>* names) override;

    struct State;

private:
    FileSystem* m_base;
    std::shared_ptr<State> m_state;
};

}  // namespace xbase
