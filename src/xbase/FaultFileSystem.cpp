// Fault injection for tests: every write of every file opened through the wrapper is counted, so a
// test can fail the Nth one, run out of space after a byte budget, or make the file system read-only.
// Reads are counted too, for tests of how many calls a walk takes.
#include <cerrno>

#include "xbase/FileSystem.h"

namespace xbase {

struct FaultFileSystem::State {
    int reads = 0;
    int locks = 0;
    int writes = 0;
    int failAt = 0;  // 0: none
    int failCode = kErrWrite;
    bool sticky = false;
    bool failing = false;  // a sticky failure has fired
    bool budgetSet = false;
    uint64_t budget = 0;
    uint64_t written = 0;
    bool readOnly = false;
    bool readOnlyFiles = false;

    // Decides the fate of one write of n bytes.
    Status onWrite(const std::string& path, size_t n) {
        ++writes;
        if (readOnly) return makeStatus(kErrReadOnly, path, "Write refused", EROFS);
        if (failing || (failAt > 0 && writes == failAt)) {
            failing = sticky;
            return makeStatus(failCode, path, "Write failed", failCode == kErrDiskFull ? ENOSPC : EIO);
        }
        if (budgetSet && written + n > budget) return makeStatus(kErrDiskFull, path, "Write failed", ENOSPC);
        written += n;
        return Status::Ok();
    }
};

namespace {

class FaultFile : public File {
public:
    FaultFile(std::unique_ptr<File> base, std::shared_ptr<FaultFileSystem::State> state)
        : m_base(std::move(base)), m_state(std::move(state)) {}

    Status read(uint64_t off, void* buf, size_t n, size_t* got) override {
        ++m_state->reads;
        return m_base->read(off, buf, n, got);
    }
    Status write(uint64_t off, const void* buf, size_t n) override {
        Status s = m_state->onWrite(path(), n);
        return s.ok() ? m_base->write(off, buf, n) : s;
    }
    Status size(uint64_t* out) override { return m_base->size(out); }
    Status truncate(uint64_t len) override {
        if (m_state->readOnly) return makeStatus(kErrReadOnly, path(), "Truncate refused", EROFS);
        return m_base->truncate(len);
    }
    Status sync() override { return m_base->sync(); }
    bool seesWritesWithoutLocks() const override { return m_base->seesWritesWithoutLocks(); }
    Status lock(uint64_t off, uint64_t len, LockKind kind, bool wait) override {
        ++m_state->locks;
        return m_base->lock(off, len, kind, wait);
    }
    Status unlock(uint64_t off, uint64_t len) override { return m_base->unlock(off, len); }
    bool lockedByOthers(uint64_t off, uint64_t len, LockKind kind) override {
        return m_base->lockedByOthers(off, len, kind);
    }
    const std::string& path() const override { return m_base->path(); }

private:
    std::unique_ptr<File> m_base;
    std::shared_ptr<FaultFileSystem::State> m_state;
};

}  // namespace

FaultFileSystem::FaultFileSystem(FileSystem* base) : m_base(base), m_state(std::make_shared<State>()) {}
FaultFileSystem::~FaultFileSystem() = default;

void FaultFileSystem::failWrite(int nth, int code, bool sticky) {
    m_state->failAt = m_state->writes + nth;
    m_state->failCode = code;
    m_state->sticky = sticky;
    m_state->failing = false;
}

void FaultFileSystem::diskFullAfter(uint64_t budget) {
    m_state->budgetSet = true;
    m_state->budget = budget;
    m_state->written = 0;
}

void FaultFileSystem::setReadOnly(bool on) { m_state->readOnly = on; }

void FaultFileSystem::setReadOnlyFiles(bool on) { m_state->readOnlyFiles = on; }

void FaultFileSystem::clearFaults() {
    const int writes = m_state->writes;
    *m_state = State{};
    m_state->writes = writes;
}

int FaultFileSystem::writesSeen() const { return m_state->writes; }
int FaultFileSystem::readsSeen() const { return m_state->reads; }
int FaultFileSystem::locksSeen() const { return m_state->locks; }

namespace {

Status wrapped(Status s, std::unique_ptr<File> f, const std::shared_ptr<FaultFileSystem::State>& state,
               std::unique_ptr<File>* out) {
    if (s.ok()) *out = std::make_unique<FaultFile>(std::move(f), state);
    return s;
}

}  // namespace

Status FaultFileSystem::open(const std::string& path, Share share, bool readOnly, std::unique_ptr<File>* out) {
    if (m_state->readOnlyFiles && !readOnly) return makeStatus(kErrReadOnly, path, "Cannot open the file", EACCES);
    std::unique_ptr<File> f;
    Status s = m_base->open(path, share, readOnly, &f);
    return wrapped(std::move(s), std::move(f), m_state, out);
}

Status FaultFileSystem::create(const std::string& path, Share share, std::unique_ptr<File>* out) {
    if (m_state->readOnly || m_state->readOnlyFiles) return makeStatus(kErrReadOnly, path, "Cannot create the file", EROFS);
    std::unique_ptr<File> f;
    Status s = m_base->create(path, share, &f);
    return wrapped(std::move(s), std::move(f), m_state, out);
}

Status FaultFileSystem::createNew(const std::string& path, const std::string& replaces, Share share,
                                  std::unique_ptr<File>* out) {
    if (m_state->readOnly || m_state->readOnlyFiles) return makeStatus(kErrReadOnly, path, "Cannot create the file", EROFS);
    std::unique_ptr<File> f;
    Status s = m_base->createNew(path, replaces, share, &f);
    return wrapped(std::move(s), std::move(f), m_state, out);
}

bool FaultFileSystem::exists(const std::string& path) { return m_base->exists(path); }

Status FaultFileSystem::remove(const std::string& path) {
    if (m_state->readOnly) return makeStatus(kErrReadOnly, path, "Cannot delete the file", EROFS);
    return m_base->remove(path);
}

Status FaultFileSystem::rename(const std::string& from, const std::string& to) {
    if (m_state->readOnly) return makeStatus(kErrReadOnly, to, "Cannot rename " + from, EROFS);
    return m_base->rename(from, to);
}

Status FaultFileSystem::syncDirectory(const std::string& dir) { return m_base->syncDirectory(dir); }

Status FaultFileSystem::list(const std::string& dir, std::vector<std::string>* names) {
    return m_base->list(dir, names);
}

}  // namespace xbase
