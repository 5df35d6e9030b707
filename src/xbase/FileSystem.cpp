#include "xbase/FileSystem.h"

#include <random>

#include "xbase/AsciiCase.h"

namespace xbase {

std::string FileSystem::resolve(const std::string& path) {
    if (path.empty() || exists(path)) return path;
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<std::string> names;
    if (!list(dir.empty() && slash != std::string::npos ? "/" : dir, &names).ok()) return path;
    for (const std::string& name : names) {
        if (equalsNoCase(name, base)) return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
    }
    return path;
}

namespace {

constexpr char kTempSuffix[] = ".tmp";
constexpr size_t kTempTagLength = 12;

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Twelve letters and digits from the system's random source: a name nobody can guess in advance.
std::string randomTag() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    std::string tag(kTempTagLength, ' ');
    for (char& c : tag) c = kLetters[pick(source)];
    return tag;
}

}  // namespace

Status FileSystem::createTemp(const std::string& target, Share share, std::unique_ptr<File>* out,
                              std::string* tempPath) {
    Status s;
    // A name already taken (by chance, or by a planted link) is simply not used.
    for (int attempt = 0; attempt < 16; ++attempt) {
        *tempPath = target + "." + randomTag() + kTempSuffix;
        s = createNew(*tempPath, target, share, out);
        if (s.code != kErrExists) return s;
    }
    return s;
}

bool FileSystem::isTempName(const std::string& name, const std::string& targetName) {
    const std::string base = nameOf(targetName);
    const size_t suffix = sizeof kTempSuffix - 1;
    if (name.size() != base.size() + 1 + kTempTagLength + suffix) return false;
    if (!equalsNoCase(std::string_view(name).substr(0, base.size()), base) || name[base.size()] != '.') return false;
    return name.compare(name.size() - suffix, suffix, kTempSuffix) == 0;
}

bool File::lockedByOthers(uint64_t off, uint64_t len, LockKind kind) {
    if (!lock(off, len, kind, false).ok()) return true;
    unlock(off, len);
    return false;
}

Status FileSystem::syncDirectory(const std::string&) { return Status::Ok(); }

Status FileSystem::syncFiles(const std::vector<File*>& files) {
    for (File* f : files) {
        Status s = f->sync();
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

}  // namespace xbase
