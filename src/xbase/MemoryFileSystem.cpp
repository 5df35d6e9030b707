// A file system in memory for tests, with the same rules as the POSIX one: share modes and byte-range
// locks belong to each open description. A waiting lock that conflicts cannot be waited for in a
// single thread, so it fails with kErrLock like a non-waiting one.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <random>

#include "xbase/FileSystem.h"

namespace xbase {

namespace {

struct RangeLock {
    const void* owner;
    uint64_t off;
    uint64_t len;
    LockKind kind;
};

// A disk writes back a file's pages in any order: what a power cut leaves of each page is one of the
// versions it had since the file's last sync, and its size is one of those it had since then.
constexpr uint64_t kCachePage = 4096;

struct Node {
    std::vector<uint8_t> data;
    std::vector<uint8_t> synced;  // what a power cut leaves for certain
    std::map<uint64_t, std::vector<std::vector<uint8_t>>> versions;  // page -> its states since the sync
    std::vector<uint64_t> sizes;                                     // sizes since the sync

    // Records what a change of [off, off+n) left (the sizes only when n is 0).
    void changed(uint64_t off, uint64_t n) {
        sizes.push_back(data.size());
        for (uint64_t page = off / kCachePage; n > 0 && page * kCachePage < off + n; ++page) {
            std::vector<uint8_t> copy(kCachePage, 0);
            const uint64_t from = page * kCachePage;
            if (from < data.size())
                std::memcpy(copy.data(), data.data() + from, size_t(std::min(kCachePage, data.size() - from)));
            versions[page].push_back(std::move(copy));
        }
    }
    void markSynced() {
        synced = data;
        versions.clear();
        sizes.clear();
    }
    // One of the states a power cut may leave.
    std::vector<uint8_t> pickState(std::mt19937_64& rng) const {
        auto pick = [&](size_t n) { return size_t(std::uniform_int_distribution<size_t>(0, n)(rng)); };
        const size_t sizeChoice = pick(sizes.size());
        const uint64_t size = sizeChoice == 0 ? synced.size() : sizes[sizeChoice - 1];
        std::vector<uint8_t> out(size_t(size), 0);
        if (size > 0 && !synced.empty())
            std::memcpy(out.data(), synced.data(), size_t(std::min<uint64_t>(size, synced.size())));
        for (const auto& [page, states] : versions) {
            const size_t k = pick(states.size());
            const uint64_t from = page * kCachePage;
            if (k == 0 || from >= size) continue;  // the page as synced
            std::memcpy(out.data() + from, states[k - 1].data(), size_t(std::min(kCachePage, size - from)));
        }
        return out;
    }
    int sharedOpens = 0;
    int exclusiveOpens = 0;
    std::vector<RangeLock> locks;
};

// The power switch shared by the file system and its files. REQUIRES: the file system's mutex held.
struct Power {
    int steps = 0;
    int cutAt = 0;  // 0: never
    bool off = false;
    // Tracks what a cut may keep of unsynced writes (restoreAny). Names: each creation, rename or
    // removal is noted in order; a sync makes all those so far durable.
    bool model = false;
    bool namesPending = false;
    std::function<void()> onDurable;
    void durable() {
        if (namesPending && onDurable) onDurable();
        namesPending = false;
    }
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
        if (m_power->model) m_node->changed(off, n);
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
        const uint64_t before = m_node->data.size();
        m_node->data.resize(size_t(len), 0);
        if (m_power->model) m_node->changed(std::min(before, len), len % kCachePage ? 1 : 0);
        return Status::Ok();
    }

    Status sync() override {
        std::lock_guard<std::mutex> g(*m_mu);
        if (m_power->off) return powerOff(m_path);
        m_node->markSynced();
        m_power->durable();  // the journal commit takes the names made so far with it
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

    bool lockedByOthers(uint64_t off, uint64_t len, LockKind kind) override {
        std::lock_guard<std::mutex> g(*m_mu);
        for (const RangeLock& l : m_node->locks) {
            const bool overlap = l.off < off + len && off < l.off + l.len;
            if (l.owner != this && overlap && (kind == LockKind::Write || l.kind == LockKind::Write)) return true;
        }
        return false;
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
    explicit MemoryFileSystem(bool model) {
        m_power->model = model;
        m_power->onDurable = [this] { m_names.assign(1, m_files); };  // REQUIRES: m_mu held
        m_names.assign(1, m_files);
    }
    void restore() override {
        std::lock_guard<std::mutex> g(*m_mu);
        for (auto& [path, node] : m_files) {
            node->data = node->synced;
            node->markSynced();
        }
        powerBack();
    }
    void restoreAny(uint64_t seed) override {
        std::lock_guard<std::mutex> g(*m_mu);
        std::mt19937_64 rng(seed);
        m_files = m_names[std::uniform_int_distribution<size_t>(0, m_names.size() - 1)(rng)];
        for (auto& [path, node] : m_files) {
            node->data = node->pickState(rng);
            node->markSynced();
        }
        powerBack();
    }
    void syncAll() override {
        std::lock_guard<std::mutex> g(*m_mu);
        for (auto& [path, node] : m_files) node->markSynced();
        m_names.assign(1, m_files);
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
        const bool made = !node;
        if (made) node = std::make_shared<Node>();
        Status s = attach(node, path, share, false, out);
        if (s.ok()) {
            node->data.clear();
            if (m_power->model) node->changed(0, 0);
        }
        if (made) named();
        return s;
    }

    Status createNew(const std::string& path, const std::string& /*replaces*/, Share share,
                     std::unique_ptr<File>* out) override {
        std::lock_guard<std::mutex> g(*m_mu);
        auto& node = m_files[normalize(path)];
        if (node) return makeStatus(kErrExists, path, "Cannot create the file", EEXIST);
        node = std::make_shared<Node>();
        named();
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
        named();
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
        named();
        m_power->durable();  // a rename is durable when it returns
        return Status::Ok();
    }

    Status syncDirectory(const std::string& /*dir*/) override {
        std::lock_guard<std::mutex> g(*m_mu);
        if (m_power->off) return powerOff(".");
        m_power->durable();
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
    // REQUIRES: m_mu held (also for the two below).
    void named() {
        m_names.push_back(m_files);
        m_power->namesPending = true;
    }
    void powerBack() {
        m_names.assign(1, m_files);
        m_power->off = false;
        m_power->cutAt = 0;
    }
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
    // The names as they were at the last sync, then after each change since: a cut keeps one of them.
    std::vector<std::map<std::string, std::shared_ptr<Node>>> m_names;
};

}  // namespace

std::unique_ptr<FileSystem> newMemoryFileSystem() { return std::make_unique<MemoryFileSystem>(false); }
std::unique_ptr<PowerCutFileSystem> newPowerCutFileSystem() { return std::make_unique<MemoryFileSystem>(true); }

}  // namespace xbase
