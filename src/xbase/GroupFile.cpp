// FORMAT notes: plain ASCII, LF line ends written, CRLF accepted. A group file is a short list, so a
// file over 64 KB or holding control bytes is treated as damaged rather than read.
#include "xbase/GroupFile.h"

#include "xbase/AsciiCase.h"

namespace xbase {

namespace {

constexpr uint64_t kMaxGroupFileSize = 65536;

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

Status readGroupFile(FileSystem& fs, const std::string& path, std::vector<std::string>* files) {
    files->clear();
    std::unique_ptr<File> f;
    Status s = fs.open(path, Share::Shared, true, &f);
    if (!s.ok()) return s;
    uint64_t size = 0;
    s = f->size(&size);
    if (!s.ok()) return s;
    if (size > kMaxGroupFileSize) return makeStatus(kErrCorruptGroup, path, "Damaged index group file (too large)");
    std::string text(size_t(size), '\0');
    size_t got = 0;
    s = f->read(0, text.data(), text.size(), &got);
    if (!s.ok()) return s;
    text.resize(got);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20)
                return makeStatus(kErrCorruptGroup, path, "Damaged index group file (control characters)");
        }
        // One file twice would be two tags writing the same pages.
        for (const std::string& listed : *files) {
            if (equalsNoCase(listed, line))
                return makeStatus(kErrCorruptGroup, path, "Damaged index group file (" + line + " listed twice)");
        }
        files->push_back(line);
    }
    // We never write a group without tags: an empty one lost its contents.
    if (files->empty()) return makeStatus(kErrCorruptGroup, path, "Damaged index group file (lists no index)");
    return Status::Ok();
}

Status writeGroupFile(FileSystem& fs, const std::string& path, const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& name : files) text += name + "\n";
    std::string temp;
    std::unique_ptr<File> f;
    Status s = fs.createTemp(path, Share::Exclusive, &f, &temp);
    if (!s.ok()) return s;
    s = f->write(0, text.data(), text.size());
    if (s.ok()) s = f->sync();
    f.reset();
    if (s.ok()) s = fs.rename(temp, path);
    if (!s.ok()) fs.remove(temp);
    return s;
}

}  // namespace xbase
