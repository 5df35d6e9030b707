// NtxFile: opening an NTX file as an order, creating one from a key source, and flushing it.
#include <memory>
#include <string>

#include "xbase/NtxBuild.h"
#include "xbase/NtxFile.h"

namespace xbase {

namespace ntx {

namespace {

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

int checkDefinition(const NtxDefinition& def, const std::string& path, Status* status) {
    std::string why;
    if (def.keyLength < 1 || def.keyLength > ntx::kMaxKeyLength) why = "key length must be 1 to 256";
    else if (def.expression.empty() || def.expression.size() >= ntx::kHdrExpressionSize)
        why = "key expression empty or longer than 255 characters";
    else if (def.tagName.size() > size_t(ntx::kMaxTagName)) why = "tag name longer than 10 characters";
    if (why.empty()) return 0;
    *status = makeStatus(kErrArgument, path, "Index cannot be created (" + why + ")");
    return kErrArgument;
}

}  // namespace

int NtxFile::load(int keyLength, Status* status) {
    int rc = m_pager.open();
    if (rc == 0) {
        const ntx::Header& h = m_pager.header();
        m_def.tagName = h.tagName.empty() ? baseName(m_pager.fileName()) : h.tagName;
        m_def.expression = h.expression;
        m_def.keyLength = h.keySize;
        m_def.keyDecimals = h.keyDecimals;
        m_def.unique = h.unique;
        m_def.descending = h.descending;
        if (keyLength > 0 && keyLength != h.keySize)
            rc = m_pager.fail(kErrKeyLength, "Index key length " + std::to_string(h.keySize) +
                                                 " differs from its expression's " + std::to_string(keyLength));
    }
    if (rc < 0) *status = m_pager.status();
    return rc;
}

int NtxFile::flush(bool sync) {
    if (const int rc = insertQueued(); rc < 0) return rc;
    // Shared opens write their changes at the end of each operation; exclusive ones keep them.
    if (const int rc = m_pager.flushPending(); rc < 0) return rc;
    if (!sync) return 0;
    Status st = m_pager.file().sync();
    return st.ok() ? 0 : m_pager.failWith(st);
}

}  // namespace ntx

int NtxIndex::open(FileSystem& fs, const std::string& path, Share share, bool readOnly, int keyLength,
                   IoCounters* counters, std::unique_ptr<NtxIndex>* out, Status* status) {
    Status local;
    Status* st = status ? status : &local;
    std::unique_ptr<File> file;
    *st = fs.open(path, share, readOnly, &file);
    if (!st->ok()) return st->code;
    auto index = std::make_unique<ntx::NtxFile>(fs, path, std::move(file), share, readOnly, counters);
    const int rc = index->load(keyLength, st);
    if (rc < 0) return rc;
    *st = Status::Ok();
    *out = std::move(index);
    return 0;
}

int NtxIndex::create(FileSystem& fs, const std::string& path, const NtxDefinition& def, Share share,
                     KeySource& source, IoCounters* counters, std::unique_ptr<NtxIndex>* out, Status* status) {
    Status local;
    Status* st = status ? status : &local;
    int rc = ntx::checkDefinition(def, path, st);
    if (rc < 0) return rc;
    ntx::Header h = ntx::headerFor(def);

    std::string temp;
    std::unique_ptr<File> file;
    *st = fs.createTemp(path, Share::Exclusive, &file, &temp);
    if (!st->ok()) return st->code;
    auto abandon = [&](int code) {
        file.reset();
        fs.remove(temp);
        return code;
    };
    uint64_t end = 0;
    rc = ntx::buildTree(fs, *file, temp + ".run", h, source, counters, &h.root, &end, st);
    if (rc < 0) return abandon(rc);
    std::vector<uint8_t> raw(ntx::kPageSize);
    ntx::encodeHeader(h, raw.data());
    *st = file->write(0, raw.data(), raw.size());
    if (st->ok()) *st = file->sync();
    if (!st->ok()) return abandon(st->code);
    file.reset();
    *st = fs.rename(temp, path);
    if (!st->ok()) return abandon(st->code);
    return open(fs, path, share, false, def.keyLength, counters, out, st);
}

}  // namespace xbase
