// The commands that rewrite files: reindex and pack. Both need the table to themselves.
#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "DbTool.h"
#include "xbase/GroupFile.h"
#include "xbase/Ntx.h"
#include "xbase/NtxFormat.h"

namespace dbtool {

namespace {

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// path relative to the table's directory, as the group file lists it.
std::string relativeTo(const TableRef& ref, const std::string& path) {
    const std::string prefix = ref.dir.empty() ? std::string() : ref.dir + "/";
    return !prefix.empty() && path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

std::string stem(const std::string& fileName) {
    const size_t dot = fileName.find_last_of('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

// A tag's definition from its header page alone: a tag marked as cut short, or with a damaged tree,
// still names its key expression, and that is all a rebuild needs. False when the header does not.
bool headerDefinition(xbase::FileSystem& fs, const std::string& path, xbase::NtxDefinition* def, std::string* why) {
    namespace ntx = xbase::ntx;
    std::unique_ptr<xbase::File> file;
    xbase::Status st = fs.open(path, xbase::Share::Shared, true, &file);
    std::vector<uint8_t> page(ntx::kPageSize, 0);
    size_t got = 0;
    if (st.ok()) st = file->read(0, page.data(), page.size(), &got);
    if (!st.ok()) {
        *why = st.message;
        return false;
    }
    auto text = [&](size_t off, size_t size) {
        std::string t;
        for (size_t i = off; i < off + size && i < got && page[i] != 0; ++i) t.push_back(char(page[i]));
        return t;
    };
    def->expression = text(ntx::kHdrExpression, ntx::kHdrExpressionSize);
    const bool printable = std::all_of(def->expression.begin(), def->expression.end(),
                                       [](char c) { return uint8_t(c) >= 0x20 && uint8_t(c) < 0x7F; });
    if (got < ntx::kHdrTagName || def->expression.empty() || !printable) {
        *why = "its header names no key expression";
        return false;
    }
    def->unique = page[ntx::kHdrUnique] != 0;
    def->descending = page[ntx::kHdrDescending] != 0;
    def->tagName = text(ntx::kHdrTagName, size_t(ntx::kMaxTagName));
    if (def->tagName.empty()) def->tagName = stem(baseName(path));
    return true;
}

// The definitions of the group's tags, read from their index headers. The group file holds only file
// names, so an index whose header names no expression cannot be rebuilt here.
bool readTagDefs(xbase::FileSystem& fs, const TableRef& ref, const std::string& groupPath,
                 std::vector<xbase::TagDef>* defs, std::ostream& err) {
    std::vector<std::string> files;
    xbase::Status st = xbase::readGroupFile(fs, groupPath, &files);
    if (!st.ok()) {
        err << st.message << "\n";
        return false;
    }
    for (const std::string& listed : files) {
        const std::string path = fs.resolve(ref.dir.empty() ? listed : ref.dir + "/" + listed);
        xbase::NtxDefinition def;
        std::string why;
        if (!headerDefinition(fs, path, &def, &why)) {
            err << "cannot rebuild " << listed << ": " << why
                << "; the program's Reindex rebuilds it from its table catalogue\n";
            return false;
        }
        defs->push_back({def.tagName, def.expression, relativeTo(ref, path), def.unique, def.descending});
    }
    return true;
}

}  // namespace

int runReindex(const TableRef& ref, std::ostream& out, std::ostream& err) {
    xbase::Context ctx(nullptr, ref.dir);
    const std::string groupPath = ctx.fileSystem().resolve(ref.path(".cgp"));
    std::vector<xbase::TagDef> defs;
    if (!readTagDefs(ctx.fileSystem(), ref, groupPath, &defs, err)) return kExitFailed;
    ctx.setSafety(0);
    xbase::Table* table = openTable(ctx, ref, 1, false, err);
    if (table == nullptr) return kExitFailed;
    const int rc = table->createIndex(stem(baseName(groupPath)), defs);
    if (rc < 0) return reportResult(ctx, rc, err);
    if (reportResult(ctx, table->close(), err) != kExitOk) return kExitFailed;
    for (const xbase::TagDef& def : defs) out << "rebuilt\t" << def.name << "\t" << def.file << "\t" << def.expression << "\n";
    return kExitOk;
}

int runPack(const TableRef& ref, std::ostream& out, std::ostream& err) {
    xbase::Context ctx(nullptr, ref.dir);
    xbase::Table* table = openTable(ctx, ref, 1, true, err);  // the open tags are kept current
    if (table == nullptr) return kExitFailed;
    const long before = table->recCount();
    int rc = table->pack();
    if (rc < 0) return reportResult(ctx, rc, err);
    const long after = table->recCount();
    rc = table->close();
    if (rc < 0) return reportResult(ctx, rc, err);
    out << "packed\t" << before - after << " deleted records removed, " << after << " remain\n";
    return kExitOk;
}

}  // namespace dbtool
