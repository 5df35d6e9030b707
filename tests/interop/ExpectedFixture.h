#pragma once
// The expected.txt that comes with each fixture set: what the engine that wrote the files gives for
// them (records, memo checksums, index orders and seeks).
#include <map>
#include <string>
#include <vector>

namespace interop {

struct ExpectedRecord {
    long recno = 0;
    bool deleted = false;
    std::string raw;                            // the whole record (small set), else empty
    std::map<std::string, std::string> fields;  // raw bytes of some fields (large set)
    size_t memoLength = 0;
    std::string memoMd5;  // lower-case hex; empty when there is no memo
};

struct ExpectedSeek {
    std::string key;
    long found = 0;        // record of an exact (prefix) match, 0 when not found
    long soft = 0;         // record a soft seek stands on
    bool softEof = false;  // the soft seek ended at end of file
};

struct ExpectedIndex {
    std::string file;  // "cname.ntx"
    std::string expression;
    int keyLength = 0;
    std::vector<long> order;        // record numbers in index order
    std::vector<std::string> keys;  // the key of each, when listed (small set)
    int depth = 0;                  // 0 when not listed
    std::vector<ExpectedSeek> seeks;
};

struct ExpectedFixture {
    long recordCount = 0;
    std::vector<ExpectedRecord> records;
    std::vector<ExpectedIndex> indexes;
};

// Parses expected.txt. Returns false with *error on a line it does not understand.
bool parseExpectedFixture(const std::string& path, ExpectedFixture* out, std::string* error);

}  // namespace interop
