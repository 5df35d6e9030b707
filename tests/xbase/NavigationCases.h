#pragma once
// Golden navigation tables: the result code, record number, eof and bof after every positioning
// call, in record order and through a tag, on empty tables, one record, deleted records and
// duplicate keys. Deleted records stay visible in every order. One list of cases, replayed on every
// driver of the engine.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase::test {

enum Op { Top, Bottom, Skip, Go, Seek };

struct Step {
    Op op;
    long n;           // skip count or record number
    const char* key;  // seek key
    int rc;
    long recno;
    bool eof;
    bool bof;
};

inline void replay(Table* t, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        int rc = 0;
        switch (s.op) {
        case Top: rc = t->top(); break;
        case Bottom: rc = t->bottom(); break;
        case Skip: rc = t->skip(s.n); break;
        case Go: rc = t->go(s.n); break;
        case Seek: rc = t->seek(s.key); break;
        }
        SCOPED_TRACE("step " + std::to_string(i));
        EXPECT_EQ(rc, s.rc);
        EXPECT_EQ(t->recNo(), s.recno);
        EXPECT_EQ(t->eof(), s.eof);
        EXPECT_EQ(t->bof(), s.bof);
    }
}

// Creates table NAV in ctx with the given last names; the records listed in deleted are marked.
inline Table* makeNavTable(Context& ctx, const std::vector<std::string>& names, const std::vector<long>& deleted = {}) {
    ctx.setAccessMode(1);
    Table* t = ctx.createTable("NAV", customerFields());
    EXPECT_NE(t, nullptr) << ctx.lastStatus().message;
    if (!t) return nullptr;
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(addCustomer(t, long(i) + 1, names[i]), 0);
    for (long r : deleted) {
        EXPECT_EQ(t->go(r), 0);
        EXPECT_EQ(t->markDeleted(), 0);
    }
    EXPECT_EQ(t->flush(), 0);
    return t;
}

// Gives the table the tag LAST (Upper(LAST)) and selects it.
inline Table* withLastTag(Table* t) {
    EXPECT_EQ(t->createIndex("NAV", {{"LAST", "Upper(LAST)", "last.ntx"}}), 0);
    EXPECT_EQ(t->selectTag(t->findTag("last")), 0);
    return t;
}

struct NavCase {
    const char* name;
    std::vector<std::string> names;
    std::vector<long> deleted;
    bool throughTag;
    std::vector<Step> steps;
};

inline const std::vector<NavCase>& navigationCases() {
    static const std::vector<NavCase> cases{
    {"EmptyTableInRecordOrder", {}, {}, false,
     {
          {Top, 0, "", kEof, 1, true, true},
          {Bottom, 0, "", kEof, 1, true, true},
          {Skip, 1, "", kEof, 1, true, true},
          {Skip, -1, "", kBof, 1, true, true},
          {Go, 1, "", kEof, 1, true, true},
          {Go, 0, "", kEof, 1, true, true},
     }},
    {"OneRecordInRecordOrder", {"ONLY"}, {}, false,
     {
          {Top, 0, "", kOk, 1, false, false},
          {Skip, 1, "", kEof, 2, true, false},
          {Skip, 1, "", kEof, 2, true, false},
          {Skip, -1, "", kOk, 1, false, false},
          {Skip, -1, "", kBof, 1, false, true},
          {Skip, 0, "", kOk, 1, false, false},
          {Bottom, 0, "", kOk, 1, false, false},
          {Go, 2, "", kEof, 2, true, true},
          {Go, 1, "", kOk, 1, false, false},
          {Skip, 5, "", kEof, 2, true, false},
          {Skip, -5, "", kBof, 1, false, true},
     }},
    {"DeletedRecordsStayVisibleInRecordOrder", {"A", "B", "C", "D", "E"}, {2, 4}, false,
     {
          {Top, 0, "", kOk, 1, false, false},
          {Skip, 1, "", kOk, 2, false, false},
          {Skip, 2, "", kOk, 4, false, false},
          {Skip, 3, "", kEof, 6, true, false},
          {Skip, -2, "", kOk, 4, false, false},
          {Skip, -10, "", kBof, 1, false, true},
          {Go, 3, "", kOk, 3, false, false},
          {Bottom, 0, "", kOk, 5, false, false},
          {Skip, LONG_MAX, "", kEof, 6, true, false},
          {Skip, LONG_MIN, "", kBof, 1, false, true},
     }},
    {"EmptyTableThroughATag", {}, {}, true,
     {
          {Top, 0, "", kEof, 1, true, true},
          {Bottom, 0, "", kEof, 1, true, true},
          {Seek, 0, "A", kEof, 1, true, false},
          {Skip, -1, "", kBof, 1, true, true},
          {Skip, 1, "", kEof, 1, true, true},
     }},
    {"OneRecordThroughATag", {"Only"}, {}, true,
     {
          {Top, 0, "", kOk, 1, false, false},
          {Skip, 1, "", kEof, 2, true, false},
          {Skip, -1, "", kOk, 1, false, false},
          {Skip, -1, "", kBof, 1, false, true},
          {Bottom, 0, "", kOk, 1, false, false},
          {Seek, 0, "ONLY", kOk, 1, false, false},
          {Seek, 0, "A", kSeekNext, 1, false, false},
          {Seek, 0, "P", kEof, 2, true, false},
          {Skip, -1, "", kOk, 1, false, false},
     }},
    {"DuplicateKeysAndDeletedRecordsThroughATag", {"Smith", "Adams", "Smith", "Brown", "Adams"}, {4}, true,
     // Order by LAST: ADAMS(2) ADAMS(5) BROWN(4, deleted) SMITH(1) SMITH(3).
     {
          {Top, 0, "", kOk, 2, false, false},
          {Skip, 1, "", kOk, 5, false, false},
          {Skip, 1, "", kOk, 4, false, false},
          {Skip, 2, "", kOk, 3, false, false},
          {Skip, 1, "", kEof, 6, true, false},
          {Skip, -1, "", kOk, 3, false, false},
          {Skip, -10, "", kBof, 2, false, true},
          {Bottom, 0, "", kOk, 3, false, false},
          {Seek, 0, "SMITH", kOk, 1, false, false},
          {Seek, 0, "SM", kOk, 1, false, false},
          {Seek, 0, "B", kOk, 4, false, false},
          {Seek, 0, "C", kSeekNext, 1, false, false},
          {Seek, 0, "ADAMSX", kSeekNext, 4, false, false},
          {Seek, 0, "ADAMS ", kOk, 2, false, false},
          {Seek, 0, "Z", kEof, 6, true, false},
          {Seek, 0, "", kOk, 2, false, false},
          // After go() the tag order continues from that record's own entry.
          {Go, 5, "", kOk, 5, false, false},
          {Skip, 1, "", kOk, 4, false, false},
          {Go, 1, "", kOk, 1, false, false},
          {Skip, -1, "", kOk, 4, false, false},
          {Go, 1, "", kOk, 1, false, false},
          {Skip, 1, "", kOk, 3, false, false},
          {Go, 9, "", kEof, 6, true, true},
          {Skip, -1, "", kOk, 3, false, false},
          // Counts at the limits of their type run off the ends like any other.
          {Skip, LONG_MIN, "", kBof, 2, false, true},
          {Skip, LONG_MAX, "", kEof, 6, true, false},
          {Skip, LONG_MIN, "", kBof, 2, false, true},
          {Skip, -4, "", kBof, 2, false, true},
          {Skip, 4, "", kOk, 3, false, false},
     }},
    };
    return cases;
}

// Runs one case on a context (the table NAV is created there).
inline void runNavCase(Context& ctx, const NavCase& c) {
    Table* t = makeNavTable(ctx, c.names, c.deleted);
    ASSERT_NE(t, nullptr);
    if (c.throughTag) withLastTag(t);
    replay(t, c.steps);
}

}  // namespace xbase::test
