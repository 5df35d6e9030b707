// The real file system. Share modes are flock() locks and byte-range locks are Linux
// open-file-description locks: both belong to the open description, so two opens of one file in a
// single process conflict exactly as two processes do, and closing one descriptor never drops the
// locks of another.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "xbase/FileSystem.h"

namespace xbase {

namespace {

int writeErrorCode(int err) {
    if (err == ENOSPC || err == EDQUOT) return kErrDiskFull;
    if (err == EROFS || err == EACCES || err == EPERM || err == EBADF) return kErrReadOnly;
    return kErrWrite;
}

long fileSystemType(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 ? long(fs.f_type) : 0;
}

constexpr long kExtMagic = 0xEF53;
constexpr long kXfsMagic = 0x58465342;

// File systems whose fdatasync() always ends with a flush of the disk's write cache, even for a
// file with nothing left to write: ext2/3/4 and xfs.
bool flushesOnEverySync(long type) { return type == kExtMagic || type == kXfsMagic; }

// Local file systems, whose page cache every reader shares: a read sees each finished write.
bool isLocal(long type) {
    constexpr long kBtrfsMagic = 0x9123683E;
    constexpr long kTmpfsMagic = 0x01021994;
    return type == kExtMagic || type == kXfsMagic || type == kBtrfsMagic || type == kTmpfsMagic;
}

class PosixFile : public File {
public:
    PosixFile(int fd, std::string path) : PosixFile(fd, std::move(path), fileSystemType(fd)) {}
    PosixFile(int fd, std::string path, long type)
        : m_fd(fd), m_path(std::move(path)), m_flushes(flushesOnEverySync(type)), m_local(isLocal(type)) {
        struct stat st {};
        if (::fstat(m_fd, &st) == 0) m_device = st.st_dev;
        const Survey now = survey();
        m_size = now.size;
        m_noHoles = now.noHoles;
    }
    ~PosixFile() override { ::close(m_fd); }

    Status read(uint64_t off, void* buf, size_t n, size_t* got) override {
        size_t done = 0;
        auto* p = static_cast<char*>(buf);
        while (done < n) {
            const ssize_t r = ::pread(m_fd, p + done, n - done, off_t(off + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                *got = done;
                return makeStatus(kErrRead, m_path, "Read failed", errno);
            }
            if (r == 0) break;
            done += size_t(r);
        }
        *got = done;
        return Status::Ok();
    }

    Status write(uint64_t off, const void* buf, size_t n) override {
        m_unsynced = true;
        if (off > m_size) m_noHoles = false;  // past what this handle knows: maybe a hole
        if (off + n > m_size) {
            m_size = off + n;
            m_grown = true;
        }
        size_t done = 0;
        const auto* p = static_cast<const char*>(buf);
        while (done < n) {
            const ssize_t r = ::pwrite(m_fd, p + done, n - done, off_t(off + done));
            if (r < 0) {
                if (errno == EINTR) continue;
                const int err = errno;
                return makeStatus(writeErrorCode(err), m_path, "Write failed", err);
            }
            done += size_t(r);
        }
        return Status::Ok();
    }

    // Asked before every shared move, so it must not read the file's times: once they are read, the
    // kernel gives the next write a fine-grained time stamp, which dirties the inode on every write
    // and made each durable commit wait for the journal.
    Status size(uint64_t* out) override {
        const off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0) return makeStatus(kErrRead, m_path, "Cannot read the file size", errno);
        *out = uint64_t(end);
        return Status::Ok();
    }

    Status truncate(uint64_t len) override {
        m_unsynced = true;
        m_grown = true;
        if (len > m_size) m_noHoles = false;
        m_size = len;
        if (::ftruncate(m_fd, off_t(len)) != 0) {
            const int err = errno;
            return makeStatus(writeErrorCode(err), m_path, "Truncate failed", err);
        }
        return Status::Ok();
    }

    // A sync is the dominant cost of a durable commit, so a handle that wrote nothing since its last
    // successful sync skips it (the first sync of a handle always happens).
    Status sync() override {
        if (!m_unsynced) return Status::Ok();
        // Taken before the sync, which commits the blocks and size of everything written up to here,
        // also by other users of the file; whatever they add later is not trusted. A file that only
        // overwrote its blocks has nothing new to learn.
        const bool learn = m_flushes && (m_grown || !m_noHoles);
        const Survey before = learn ? survey() : Survey{};
        if (::fdatasync(m_fd) != 0) {
            const int err = errno;
            return makeStatus(writeErrorCode(err), m_path, "Sync failed", err);
        }
        m_unsynced = false;
        m_grown = false;
        if (learn) {
            m_size = before.size;
            m_noHoles = before.noHoles;
        }
        return Status::Ok();
    }

    // Writes of this file since its last sync only replaced bytes inside blocks the file already had
    // on disk, so once they reach the disk a flush of its cache makes them durable.
    bool overwritesOnly() const { return m_flushes && m_noHoles && !m_grown && m_device != 0; }

    // Starts writing the file's changed pages to the disk, or (wait) waits until they are there.
    Status writeBack(bool wait) {
        const unsigned flags = wait ? SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER
                                    : SYNC_FILE_RANGE_WRITE;
        while (::sync_file_range(m_fd, 0, 0, flags) != 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            return makeStatus(writeErrorCode(err), m_path, "Sync failed", err);
        }
        return Status::Ok();
    }

    // fdatasync() regardless of what was written: on these file systems it flushes the disk's cache.
    Status flushDisk() {
        m_unsynced = true;
        return sync();
    }

    bool seesWritesWithoutLocks() const override { return m_local; }

    Status lock(uint64_t off, uint64_t len, LockKind kind, bool wait) override {
        struct flock fl {};
        fl.l_type = kind == LockKind::Read ? F_RDLCK : F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(off);
        fl.l_len = off_t(len);
        for (;;) {
            if (::fcntl(m_fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return Status::Ok();
            if (errno == EINTR) continue;
            const int err = errno;
            if (err == EBADF) return makeStatus(kErrReadOnly, m_path, "Lock refused on a read-only file", err);
            return makeStatus(kErrLock, m_path, "Lock failed", err);
        }
    }

    bool lockedByOthers(uint64_t off, uint64_t len, LockKind kind) override {
        struct flock fl {};
        fl.l_type = kind == LockKind::Read ? F_RDLCK : F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(off);
        fl.l_len = off_t(len);
        if (::fcntl(m_fd, F_OFD_GETLK, &fl) != 0) return File::lockedByOthers(off, len, kind);
        return fl.l_type != F_UNLCK;
    }

    Status unlock(uint64_t off, uint64_t len) override {
        struct flock fl {};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(off);
        fl.l_len = off_t(len);
        if (::fcntl(m_fd, F_OFD_SETLK, &fl) != 0) return makeStatus(kErrLock, m_path, "Unlock failed", errno);
        return Status::Ok();
    }

    const std::string& path() const override { return m_path; }

    dev_t device() const { return m_device; }
    bool unsynced() const { return m_unsynced; }
    void markSynced() { m_unsynced = false; }

private:
    int m_fd;
    std::string m_path;
    dev_t m_device = 0;
    bool m_unsynced = true;  // written (or new) since the last successful sync
    const bool m_flushes;    // on a file system where every fdatasync() flushes the disk's cache
    const bool m_local;      // on a local file system: reads see other users' writes without a lock
    // The size this handle knows to be on disk with its blocks, and whether the file had no holes
    // then (a hole needs new blocks when written, which only fdatasync() records).
    uint64_t m_size = 0;
    bool m_noHoles = false;
    bool m_grown = true;  // its size or blocks changed since the last sync: its metadata must be committed

    struct Survey {
        uint64_t size = 0;
        bool noHoles = false;
    };
    Survey survey() const {
        const off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0) return {};
        const off_t hole = ::lseek(m_fd, 0, SEEK_HOLE);
        return {uint64_t(end), hole >= 0 && hole >= end};
    }
};

// Takes the share lock without waiting; on conflict the descriptor is closed.
Status takeShare(int fd, Share share, const std::string& path) {
    const int op = (share == Share::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, op) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return makeStatus(kErrShare, path, "File is in use by another user", err);
        return makeStatus(kErrOpen, path, "Cannot lock the file", err);
    }
    return Status::Ok();
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode and group a new file takes (see FileSystem::createNew). gid -1: the owner's own.
struct NewFileMode {
    mode_t mode = S_IRUSR | S_IWUSR;
    gid_t group = gid_t(-1);
};

NewFileMode newFileMode(const std::string& replaces) {
    NewFileMode m;
    const std::string dir = directoryOf(replaces);
    struct stat st {};
    // A file that takes another's place (a packed table, a rebuilt index) keeps what its owner set on
    // that one: a table the group may read stays so after a pack.
    if (!replaces.empty() && ::stat(replaces.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        m.mode = st.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
        m.group = st.st_gid;
        return m;
    }
    // A new name: the first group-writable file of the directory tells that it is shared.
    DIR* h = ::opendir(dir.c_str());
    if (!h) return m;
    while (struct dirent* e = ::readdir(h)) {
        if (::fstatat(::dirfd(h), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            (st.st_mode & S_IWGRP)) {
            m.mode = st.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
            m.group = st.st_gid;
            break;
        }
    }
    ::closedir(h);
    struct stat d {};
    if (m.group == gid_t(-1) && ::stat(dir.c_str(), &d) == 0 && (d.st_mode & S_ISGID))
        m.mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP;  // the directory gives the group
    return m;
}

// A descriptor of something that is not a regular file (a named pipe, a device, a directory named
// like a table) is refused: reading it could wait for ever or mean nothing.
Status requireRegular(int fd, const std::string& path, int code, const char* what) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return makeStatus(code, path, what, err);
    }
    if (S_ISREG(st.st_mode)) return Status::Ok();
    ::close(fd);
    return makeStatus(code, path, std::string(what) + " (not a regular file)");
}

Status openError(int code, const std::string& path, const char* what, int err) {
    if (err == EROFS || err == EACCES) return makeStatus(kErrReadOnly, path, what, err);
    if (err == ELOOP) return makeStatus(code, path, std::string(what) + " (a symbolic link)", err);
    if (err == EISDIR) return makeStatus(code, path, std::string(what) + " (not a regular file)", err);
    if (err == EEXIST) return makeStatus(kErrExists, path, what, err);
    return makeStatus(code, path, what, err);
}

class PosixFileSystem : public FileSystem {
public:
    // O_NONBLOCK keeps the open of a named pipe from waiting for a writer; it is refused right after.
    // A symbolic link at the name is refused, not followed: a link planted at a table's memo or index
    // name would have the engine write into whatever file it points at.
    Status open(const std::string& path, Share share, bool readOnly, std::unique_ptr<File>* out) override {
        const int fd = ::open(path.c_str(),
                              (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return openError(kErrOpen, path, "Cannot open the file", errno);
        Status s = requireRegular(fd, path, kErrOpen, "Cannot open the file");
        if (s.ok()) s = takeShare(fd, share, path);
        if (!s.ok()) return s;
        *out = std::make_unique<PosixFile>(fd, path);
        return Status::Ok();
    }

    Status create(const std::string& path, Share share, std::unique_ptr<File>* out) override {
        Status s = createNew(path, path, share, out);
        if (s.code != kErrExists) return s;
        // An existing file is truncated in place (it keeps its mode), once its share lock is held.
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return openError(kErrCreate, path, "Cannot create the file", errno);
        s = requireRegular(fd, path, kErrCreate, "Cannot create the file");
        if (s.ok()) s = takeShare(fd, share, path);
        if (!s.ok()) return s;
        if (::ftruncate(fd, 0) != 0) {
            const int err = errno;
            ::close(fd);
            return makeStatus(writeErrorCode(err), path, "Cannot create the file", err);
        }
        *out = std::make_unique<PosixFile>(fd, path);
        return Status::Ok();
    }

    Status createNew(const std::string& path, const std::string& replaces, Share share,
                     std::unique_ptr<File>* out) override {
        NewFileMode m = newFileMode(replaces);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) return openError(kErrCreate, path, "Cannot create the file", errno);
        // Set after the open, so the umask cannot take the group's bits away. A group this user is
        // not in cannot be given: the file then stays with the owner's group, which gets no access.
        if (m.group != gid_t(-1) && ::fchown(fd, uid_t(-1), m.group) != 0) m.mode &= ~mode_t(S_IRWXG);
        // Where modes cannot be set (a FAT backup disk) the file keeps the owner-only mode of its open.
        if (m.mode != (S_IRUSR | S_IWUSR)) (void)::fchmod(fd, m.mode);
        Status s = takeShare(fd, share, path);
        if (!s.ok()) return s;
        *out = std::make_unique<PosixFile>(fd, path);
        return Status::Ok();
    }

    bool exists(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    Status remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0) {
            const int err = errno;
            return makeStatus(writeErrorCode(err), path, "Cannot delete the file", err);
        }
        return Status::Ok();
    }

    Status rename(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) {
            const int err = errno;
            return makeStatus(writeErrorCode(err), to, "Cannot rename " + from, err);
        }
        const size_t slash = to.find_last_of('/');
        return syncDirectory(slash == std::string::npos ? std::string() : to.substr(0, slash + 1));
    }

    Status syncDirectory(const std::string& dir) override {
        const std::string d = dir.empty() ? "." : dir;
        const int fd = ::open(d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // A directory the user may write but not read cannot be opened to sync; its entries go to the
        // disk in the file system's own time, as they did before the sync was asked for.
        if (fd < 0) return errno == EACCES ? Status::Ok() : makeStatus(kErrWrite, d, "Cannot sync the directory", errno);
        const int rc = ::fsync(fd);
        const int err = errno;
        ::close(fd);
        // Some file systems cannot sync a directory (EINVAL): they keep their entries another way.
        if (rc != 0 && err != EINVAL) return makeStatus(writeErrorCode(err), d, "Cannot sync the directory", err);
        return Status::Ok();
    }

    Status list(const std::string& dir, std::vector<std::string>* names) override {
        const std::string d = dir.empty() ? "." : dir;
        DIR* h = ::opendir(d.c_str());
        if (!h) return makeStatus(kErrOpen, d, "Cannot read the directory", errno);
        names->clear();
        while (struct dirent* e = ::readdir(h)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            if (::stat((d + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names->push_back(name);
        }
        ::closedir(h);
        return Status::Ok();
    }

    // A commit writes the table and index files; each fdatasync() would wait for its own flush of the
    // disk's cache. Files that only overwrote their blocks are written and waited for together, then
    // one fdatasync() per disk flushes its cache for all of them. Files that grew take their own
    // fdatasync(), which also commits their new size. Other programs' unwritten data is not waited for.
    Status syncFiles(const std::vector<File*>& files) override {
        std::vector<PosixFile*> overwritten;
        std::vector<PosixFile*> grown;
        for (File* f : files) {
            auto* p = dynamic_cast<PosixFile*>(f);
            if (p == nullptr) return FileSystem::syncFiles(files);
            if (p->unsynced()) (p->overwritesOnly() ? overwritten : grown).push_back(p);
        }
        if (overwritten.size() + grown.size() < 2) return FileSystem::syncFiles(files);
        // Every file's writes go out at once; the fdatasync of a grown file then mostly waits.
        for (PosixFile* p : grown)
            if (Status st = p->writeBack(false); !st.ok()) return st;
        for (PosixFile* p : overwritten)
            if (Status st = p->writeBack(false); !st.ok()) return st;
        for (PosixFile* p : overwritten)
            if (Status st = p->writeBack(true); !st.ok()) return st;
        // Every overwrite is on its disk now; a flush after this point covers it.
        std::vector<dev_t> flushed;
        for (PosixFile* p : grown) {
            if (Status st = p->sync(); !st.ok()) return st;
            flushed.push_back(p->device());
        }
        for (PosixFile* p : overwritten) {
            if (std::find(flushed.begin(), flushed.end(), p->device()) != flushed.end()) continue;
            if (Status st = p->flushDisk(); !st.ok()) return st;
            flushed.push_back(p->device());
        }
        for (PosixFile* p : overwritten) p->markSynced();
        return Status::Ok();
    }
};

}  // namespace

FileSystem* posixFileSystem() {
    static PosixFileSystem fs;
    return &fs;
}

}  // namespace xbase
