// The commands that rewrite files: reindex and pack. Both need the table to themselves.
#include <memory>
#include <ostream>
#include <vector>

#include "DbTool.h"
#include "xbase/GroupFile.h"
#include "xbase/Ntx.h"

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

// The definitions of the group's tags, read from their index headers. The group file holds only file
// names, so an index whose header cannot be read cannot be rebuilt here.
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
        std::unique_ptr<xbase::NtxIndex> index;
        if (xbase::NtxIndex::open(fs, path, xbase::Share::Exclusive, true, 0, nullptr, &index, &st) < 0) {
            err << "cannot rebuild " << listed << ": " << st.message
                << " (its key expression is unreadable; the program rebuilds it from its table catalogue)\n";
            return false;
        }
        const xbase::NtxDefinition& def = index->definition();
        defs->push_back({index->name(), def.expression, relativeTo(ref, path), def.unique, def.descending});
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
