// A file system in memory for tests, with the same rules as the POSIX one: share modes and byte-range
// locks belong to each open description. A waiting lock that conflicts cannot be waited for in a
// single thread, so it fails with kErrLock like a non-waiting one.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "xbase/FileSystem.h"

namespace xbase {

namespace {

struct RangeLock {
    const void* owner;
    uint64_t off;
    uint64_t len;
    LockKind kind;
};

struct Node {
    std::vector<uint8_t> data;
    std::vector<uint8_t> synced;  // what a power cut leaves
    int sharedOpens = 0;
    int exclusiveOpens = 0;
    std::vector<RangeLock> locks;
};

// The power switch shared by the file system and its files. REQUIRES: the file system's mutex held.
struct Power {
    int steps = 0;
    int cutAt = 0;  // 0: never
    bool off = false;
    // Counts a changing call; false when the power is (or just went) off.
    bool step() {
        if (off) return false;
        ++steps;
        if (cutAt > 0 && steps >= cutAt) off = true;
        return !off;
    }
};

Status powerOff(const std::string& path) { return makeStatus(kErrWrite, path, "Write failed: the power is off"); }

std::string normalize(std::string path) {
    while (path.rfind("./", 0) == 0) path.erase(0, 2);
    return path;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

class MemoryFile : public File {
public:
    MemoryFile(std::shared_ptr<Node> node, std::shared_ptr<std::mutex> mu, std::shared_ptr<Power> power,
               std::string path, Share share, bool readOnly)
        : m_node(std::move(node)), m_mu(std::move(mu)), m_power(std::move(power)), m_path(std::move(path)),
          m_share(share), m_readOnly(readOnly) {}

    ~MemoryFile() override {
        std::lock_guard<std::mutex> g(*m_mu);
        (m_share == Share::Exclusive ? m_node->exclusiveOpens : m_node->sharedOpens)--;
        auto& locks = m_node->locks;
        locks.erase(std::remove_if(locks.begin(), locks.end(), [this](const RangeLock& l) { return l.owner == this; }),
                    locks.end());
    }

    Status read(uint64_t off, void* buf, size_t n, size_t* got) override {
        std::lock_guard<std::mutex> g(*m_mu);
        const auto& d = m_node->data;
        *got = off >= d.size() ? 0 : size_t(std::min<uint64_t>(n, d.size() - off));
        if (*got) std::memcpy(buf, d.data() + off, *got);
        return Status::Ok();
    }

    Status write(uint64_t off, const void* buf, size_t n) override {
        if (m_readOnly) return makeStatus(kErrReadOnly, m_path, "Write refused on a read-only file");
        std::lock_guard<std::mutex> g(*m_mu);
        if (!m_power->step()) return powerOff(m_path);
        auto& d = m_node->data;
        if (off + n > d.size()) d.resize(size_t(off + n), 0);
        if (n) std::memcpy(d.data() + off, buf, n);
        return Status::Ok();
    }

    Status size(uint64_t* out) override {
        std::lock_guard<std::mutex> g(*m_mu);
        *out = m_node->data.size();
        return Status::Ok();
    }

    Status truncate(uint64_t len) override {
        if (m_readOnly) return makeStatus(kErrReadOnly, m_path, "Truncate refused on a read-only file");
        std::lock_guard<std::mutex> g(*m_mu);
        if (!m_power->step()) return powerOff(m_path);
        m_node->data.resize(size_t(len), 0);
        return Status::Ok();
    }

    Status sync() override {
        std::lock_guard<std::mutex> g(*m_mu);
        if (m_power->off) return powerOff(m_path);
        m_node->synced = m_node->data;
        return Status::Ok();
    }
    bool seesWritesWithoutLocks() const override { return true; }

    Status lock(uint64_t off, uint64_t len, LockKind kind, bool /*wait*/) override {
        if (kind == LockKind::Write && m_readOnly)
            return makeStatus(kErrReadOnly, m_path, "Lock refused on a read-only file");
        std::lock_guard<std::mutex> g(*m_mu);
        for (const RangeLock& l : m_node->locks) {
            if (l.owner == this) continue;
            const bool overlap = l.off < off + len && off < l.off + l.len;
            if (overlap && (kind == LockKind::Write || l.kind == LockKind::Write))
                return makeStatus(kErrLock, m_path, "Lock held by another user");
        }
        removeRange(off, len);
        m_node->locks.push_back({this, off, len, kind});
        return Status::Ok();
    }

    Status unlock(uint64_t off, uint64_t len) override {
        std::lock_guard<std::mutex> g(*m_mu);
        removeRange(off, len);
        return Status::Ok();
    }

    const std::string& path() const override { return m_path; }

private:
    // Drops this description's locks inside [off, off+len), splitting the ones that stick out.
    void removeRange(uint64_t off, uint64_t len) {
        std::vector<RangeLock> kept;
        for (const RangeLock& l : m_node->locks) {
            if (l.owner != this || l.off + l.len <= off || off + len <= l.off) {
                kept.push_back(l);
                continue;
            }
            if (l.off < off) kept.push_back({this, l.off, off - l.off, l.kind});
            if (l.off + l.len > off + len) kept.push_back({this, off + len, l.off + l.len - (off + len), l.kind});
        }
        m_node->locks.swap(kept);
    }

    std::shared_ptr<Node> m_node;
    std::shared_ptr<std::mutex> m_mu;
    std::shared_ptr<Power> m_power;
    std::string m_path;
    Share m_share;
    bool m_readOnly;
};

class MemoryFileSystem : public PowerCutFileSystem {
public:
    void cutAt(int steps) override {
        std::lock_guard<std::mutex> g(*m_mu);
        m_power->cutAt = steps > 0 ? m_power->steps + steps : 0;
    }
    bool cut() const override {
        std::lock_guard<std::mutex> g(*m_mu);
        return m_power->off;
    }
    void restore() override {
        std::lock_guard<std::mutex> g(*m_mu);
        for (auto& [path, node] : m_files) node->data = node->synced;
        m_power->off = false;
        m_power->cutAt = 0;
    }
    void syncAll() override {
        std::lock_guard<std::mutex> g(*m_mu);
        for (auto& [path, node] : m_files) node->synced = node->data;
    }
    int steps() const override {
        std::lock_guard<std::mutex> g(*m_mu);
        return m_power->steps;
    }

    Status open(const std::string& path, Share share, bool readOnly, std::unique_ptr<File>* out) override {
        std::lock_guard<std::mutex> g(*m_mu);
        auto it = m_files.find(normalize(path));
        if (it == m_files.end()) return makeStatus(kErrOpen, path, "Cannot open the file", ENOENT);
        return attach(it->second, path, share, readOnly, out);
    }

    Status create(const std::string& path, Share share, std::unique_ptr<File>* out) override {
        std::lock_guard<std::mutex> g(*m_mu);
        if (!m_power->step()) return powerOff(path);
        auto& node = m_files[normalize(path)];
        if (!node) node = std::make_shared<Node>();
        Status s = attach(node, path, share, false, out);
        if (s.ok()) node->data.clear();
        return s;
    }

    Status createNew(const std::string& path, const std::string& /*replaces*/, Share share,
                     std::unique_ptr<File>* out) override {
        std::lock_guard<std::mutex> g(*m_mu);
        auto& node = m_files[normalize(path)];
        if (node) return makeStatus(kErrExists, path, "Cannot create the file", EEXIST);
        node = std::make_shared<Node>();
        return attach(node, path, share, false, out);
    }

    bool exists(const std::string& path) override {
        std::lock_guard<std::mutex> g(*m_mu);
        return m_files.count(normalize(path)) != 0;
    }

    Status remove(const std::string& path) override {
        std::lock_guard<std::mutex> g(*m_mu);
        if (!m_power->step()) return powerOff(path);
        if (m_files.erase(normalize(path)) == 0) return makeStatus(kErrOpen, path, "Cannot delete the file", ENOENT);
        return Status::Ok();
    }

    Status rename(const std::string& from, const std::string& to) override {
        std::lock_guard<std::mutex> g(*m_mu);
        if (!m_power->step()) return powerOff(from);
        auto it = m_files.find(normalize(from));
        if (it == m_files.end()) return makeStatus(kErrOpen, from, "Cannot rename the file", ENOENT);
        std::shared_ptr<Node> node = it->second;
        m_files.erase(it);
        m_files[normalize(to)] = node;
        return Status::Ok();
    }

    Status list(const std::string& dir, std::vector<std::string>* names) override {
        std::lock_guard<std::mutex> g(*m_mu);
        const std::string d = dir == "." ? std::string() : normalize(dir);
        names->clear();
        for (const auto& [path, node] : m_files) {
            if (parentOf(path) == d) names->push_back(d.empty() ? path : path.substr(d.size() + 1));
        }
        return Status::Ok();
    }

private:
    // REQUIRES: m_mu held.
    Status attach(const std::shared_ptr<Node>& node, const std::string& path, Share share, bool readOnly,
                  std::unique_ptr<File>* out) {
        const bool conflict = share == Share::Exclusive ? node->sharedOpens + node->exclusiveOpens > 0
                                                        : node->exclusiveOpens > 0;
        if (conflict) return makeStatus(kErrShare, path, "File is in use by another user");
        (share == Share::Exclusive ? node->exclusiveOpens : node->sharedOpens)++;
        *out = std::make_unique<MemoryFile>(node, m_mu, m_power, path, share, readOnly);
        return Status::Ok();
    }

    std::shared_ptr<std::mutex> m_mu = std::make_shared<std::mutex>();
    std::shared_ptr<Power> m_power = std::make_shared<Power>();
    std::map<std::string, std::shared_ptr<Node>> m_files;
};

}  // namespace

std::unique_ptr<FileSystem> newMemoryFileSystem() { return std::make_unique<MemoryFileSystem>(); }
std::unique_ptr<PowerCutFileSystem> newPowerCutFileSystem() { return std::make_unique<MemoryFileSystem>(); }

}  // namespace xbase
