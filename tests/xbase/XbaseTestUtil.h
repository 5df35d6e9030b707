#pragma once
// Shared helpers for the engine's tests: a fresh temporary directory and a few table layouts.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xbase/Engine.h"

namespace xbase::test {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "xbase-test-XXXXXX").string();
        if (::mkdtemp(tmpl.data())) m_path = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Reads a whole file through an engine file system.
inline std::string readFsFile(FileSystem& fs, const std::string& path) {
    std::unique_ptr<File> f;
    if (!fs.open(path, Share::Shared, true, &f).ok()) return {};
    uint64_t size = 0;
    f->size(&size);
    std::string bytes(size_t(size), '\0');
    size_t got = 0;
    f->read(0, bytes.data(), bytes.size(), &got);
    bytes.resize(got);
    return bytes;
}

inline void writeFsFile(FileSystem& fs, const std::string& path, const std::string& bytes) {
    std::unique_ptr<File> f;
    if (fs.create(path, Share::Exclusive, &f).ok()) f->write(0, bytes.data(), bytes.size());
}

// A customer-like layout with every field type.
inline std::vector<FieldDef> customerFields() {
    return {{"CUNO", 'N', 6, 0}, {"LAST", 'C', 20, 0}, {"FIRST", 'C', 15, 0}, {"DUE", 'N', 10, 2},
            {"IDATE", 'D', 8, 0}, {"PAID", 'L', 1, 0}, {"NOTES", 'M', 10, 0}};
}

// Appends one customer (and writes it by flushing).
inline int addCustomer(Table* t, long cuno, const std::string& last, double due = 0) {
    int rc = t->appendBlank();
    if (rc != 0) return rc;
    if ((rc = t->field("CUNO")->assignLong(cuno)) != 0) return rc;
    if ((rc = t->field("LAST")->assignText(last)) != 0) return rc;
    if ((rc = t->field("DUE")->assignDouble(due)) != 0) return rc;
    return t->flush();
}

// Creates table "cust" with one customer (Smith, with a memo) and the tag LAST in last.ntx, and
// closes it. fs nullptr: the POSIX file system.
inline void makeTaggedCustomer(FileSystem* fs, const std::string& dir) {
    Context ctx(fs, dir);
    ctx.setAccessMode(1);
    Table* t = ctx.createTable("cust", customerFields());
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->createIndex("cust", {{"LAST", "LAST", "last.ntx"}}), 0);
    ASSERT_EQ(addCustomer(t, 1, "Smith"), 0);
    ASSERT_EQ(t->field("NOTES")->assignMemo("a note"), 0);
    ASSERT_EQ(ctx.closeAll(), 0);
}

}  // namespace xbase::test
