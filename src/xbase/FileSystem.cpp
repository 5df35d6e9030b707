#include "xbase/FileSystem.h"

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

Status FileSystem::syncFiles(const std::vector<File*>& files) {
    for (File* f : files) {
        Status s = f->sync();
        if (!s.ok()) return s;
    }
    return Status::Ok();
}

}  // namespace xbase
