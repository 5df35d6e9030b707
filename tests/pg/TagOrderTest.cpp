// Every catalogue tag orders the same records the same way on the server as in its NTX file, on
// generated data with blanks, Windows-1252 letters, mixed case and negative numbers: walked forward
// and backward, and sought by every key's first letters.
#include <gtest/gtest.h>

#include <random>

#include "PgTestUtil.h"
#include "store/Catalogue.h"

namespace {

// A value for a field of the given type, drawn so that ties, blanks and byte-order traps are common.
std::string draw(const store::FieldEntry& f, std::mt19937& rng) {
    static const std::vector<std::string> words{"",       "adams", "Adams", "ADAMS", "\xE9" "cole", "\xC9" "COLE",
                                                "\x80" "uro", "\x8A" "arka", "zed", " lead", "O'Neil", "m\xFC" "ller",
                                                "Z\xFF", "a b", "10", "9"};
    auto pick = [&](size_t n) { return size_t(rng() % n); };
    switch (f.type) {
    case 'C': {
        std::string s = words[pick(words.size())];
        if (pick(3) == 0) s += words[pick(words.size())];
        return s.substr(0, size_t(f.len));
    }
    case 'N': {
        if (pick(8) == 0) return "";
        long whole = long(pick(2000)) - 1000;
        if (f.len - f.dec - (f.dec ? 2 : 1) < 4) whole %= 10;
        std::string s = std::to_string(whole);
        if (f.dec > 0) s += "." + std::to_string(pick(100));
        return s;
    }
    case 'D': {
        if (pick(6) == 0) return "";
        const unsigned year = 1990 + unsigned(pick(40)), month = 1 + unsigned(pick(12)), day = 1 + unsigned(pick(28));
        return std::to_string(year * 10000 + month * 100 + day);
    }
    case 'L': return pick(3) == 0 ? "" : pick(2) ? "T" : "F";
    }
    return "";
}

std::vector<long> walk(xbase::Table* t, bool backward) {
    std::vector<long> order;
    for (int rc = backward ? t->bottom() : t->top(); rc == 0 && !t->eof() && !(backward && t->bof());
         rc = t->skip(backward ? -1 : 1))
        order.push_back(t->recNo());
    return order;
}

class TagOrderTest : public ::testing::TestWithParam<const store::TableEntry*> {};

TEST_P(TagOrderTest, ServerOrderEqualsTheNtxOrder) {
    const store::TableEntry& entry = *GetParam();
    std::unique_ptr<xbase::FileSystem> fs = xbase::newMemoryFileSystem();
    xbase::Context dbf(fs.get(), "db");
    std::unique_ptr<xbase::Context> server = pgtest::serverContext();
    ASSERT_NE(server, nullptr);
    std::vector<xbase::Table*> tables;
    for (xbase::Context* ctx : {&dbf, server.get()}) {
        ctx->setAccessMode(1);
        tables.push_back(ctx->createTable(entry.name, store::FieldDefs(entry)));
        ASSERT_NE(tables.back(), nullptr) << ctx->lastStatus().message;
    }
    std::mt19937 rng(7);
    for (int i = 0; i < 400; ++i) {
        std::vector<std::string> values;
        for (const store::FieldEntry& f : entry.fields) values.push_back(f.type == 'M' ? "" : draw(f, rng));
        for (xbase::Table* t : tables) {
            ASSERT_EQ(t->appendBlank(), 0);
            for (size_t k = 0; k < values.size(); ++k)
                if (entry.fields[k].type != 'M') {
                    ASSERT_EQ(t->field(entry.fields[k].name)->assignText(values[k]), 0);
                }
            if (i % 17 == 0) {
                ASSERT_EQ(t->markDeleted(), 0);
            }
        }
    }
    for (xbase::Table* t : tables) ASSERT_EQ(t->createIndex(entry.name, store::TagDefs(entry)), 0);
    for (const store::TagEntry& tag : entry.tags) {
        SCOPED_TRACE(tag.name);
        for (xbase::Table* t : tables) ASSERT_EQ(t->selectTag(t->findTag(tag.name)), 0);
        const std::vector<long> expected = walk(tables[0], false);
        ASSERT_EQ(expected.size(), 400u);
        EXPECT_EQ(walk(tables[1], false), expected);
        std::vector<long> reversed(expected.rbegin(), expected.rend());
        EXPECT_EQ(walk(tables[1], true), reversed);
        // Seeks land alike, found or not, whatever the key's kind.
        for (const char* probe : {"", "A", "AD", "ADAMS", "\xC9", "\x80", "Z", "  ", " -", "   -5", "  1", "1999",
                                  "2005", "ZZZZZZ", "\xFF"}) {
            SCOPED_TRACE(probe);
            EXPECT_EQ(tables[1]->seek(probe), tables[0]->seek(probe));
            EXPECT_EQ(tables[1]->recNo(), tables[0]->recNo());
        }
    }
}

std::vector<const store::TableEntry*> indexed() {
    std::vector<const store::TableEntry*> all;
    for (const store::TableEntry& t : store::Catalogue())
        if (t.hasIndex()) all.push_back(&t);
    return all;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, TagOrderTest, ::testing::ValuesIn(indexed()),
                         [](const auto& info) { return std::string(info.param->keyName); });

}  // namespace
