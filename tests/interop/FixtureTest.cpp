// The tables, memos and indexes written by another xBase engine, read through the Table API and
// compared with what that engine reports for them; and indexes our engine builds on the same
// tables compared, entry for entry, with the ones it built.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "interop/ExpectedFixture.h"
#include "interop/InteropSupport.h"
#include "support/TestSupport.h"
#include "xbase/Engine.h"
#include "xbase/Ntx.h"

namespace {

using Entry = std::pair<std::string, uint32_t>;  // (key, record number)

struct FixtureSet {
    const char* set;
    const char* table;
    // Indexes built in one go after the table was loaded: equal keys in record order. The others
    // were maintained key by key, so their equal keys follow the order of insertion.
    std::vector<std::string> builtAfterLoading;
};

void PrintTo(const FixtureSet& s, std::ostream* os) { *os << s.set; }

const FixtureSet kSets[] = {
    {"small", "FIXT", {"cname.ntx", "ccno.ntx", "invd.ntx", "itmp.ntx"}},
    {"large", "BIG", {"invd.ntx", "itmp.ntx"}},
};

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

xbase::Tag* tagOfFile(const xbase::Table& table, const std::string& file) {
    for (xbase::Tag* tag : table.tags()) {
        if (lower(baseName(tag->fileName())) == lower(file)) return tag;
    }
    return nullptr;
}

std::vector<Entry> entriesOf(xbase::Tag* tag) {
    std::vector<Entry> entries;
    auto* index = dynamic_cast<xbase::NtxIndex*>(tag);
    if (index == nullptr) {
        ADD_FAILURE() << "tag " << tag->name() << " is not an NTX index";
        return entries;
    }
    xbase::Status st;
    const int rc = index->walk([&](std::string_view key, uint32_t recno) { entries.emplace_back(key, recno); }, &st);
    EXPECT_EQ(rc, 0) << st.message;
    return entries;
}

// "" when equal, else where the two first differ.
std::string firstDifference(const std::vector<Entry>& got, const std::vector<Entry>& want) {
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        if (got[i] != want[i]) {
            return "entry " + std::to_string(i) + ": got (\"" + got[i].first + "\", " + std::to_string(got[i].second) +
                   "), want (\"" + want[i].first + "\", " + std::to_string(want[i].second) + ")";
        }
    }
    if (got.size() != want.size()) return std::to_string(got.size()) + " entries, want " + std::to_string(want.size());
    return {};
}

std::string md5Hex(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}

class FixtureTest : public testing_support::DataDirTest, public ::testing::WithParamInterface<FixtureSet> {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        ASSERT_TRUE(interop::copyFixtureSet(GetParam().set, dataDir()));
        std::string error;
        ASSERT_TRUE(interop::parseExpectedFixture(path("expected.txt").toStdString(), &m_expected, &error)) << error;
        ASSERT_EQ(m_expected.records.size(), size_t(m_expected.recordCount));
        ASSERT_EQ(m_expected.indexes.size(), 4u);
        for (const interop::ExpectedIndex& index : m_expected.indexes) {
            ASSERT_EQ(index.order.size(), size_t(m_expected.recordCount)) << index.file;
            ASSERT_GE(index.seeks.size(), 10u) << index.file;
        }
        m_ctx = std::make_unique<xbase::Context>(nullptr, dataDir().toStdString());
    }

    xbase::Table* openFixture(int accessMode, bool withTags) {
        m_ctx->setAccessMode(accessMode);
        m_ctx->setAutoOpen(withTags ? 1 : 0);
        xbase::Table* table = m_ctx->openTable(GetParam().table);
        EXPECT_NE(table, nullptr) << m_ctx->lastStatus().message;
        if (table != nullptr) {
            EXPECT_EQ(table->tags().size(), withTags ? 4u : 0u);
        }
        return table;
    }

    bool builtAfterLoading(const std::string& file) const {
        const auto& list = GetParam().builtAfterLoading;
        return std::find(list.begin(), list.end(), file) != list.end();
    }

    interop::ExpectedFixture m_expected;
    std::unique_ptr<xbase::Context> m_ctx;
};

TEST_P(FixtureTest, RecordsAndMemosReadAsWritten) {
    xbase::Table* t = openFixture(0, false);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->recCount(), m_expected.recordCount);
    const auto memo = std::find_if(t->fields().begin(), t->fields().end(), [](auto* f) { return f->type() == 'M'; });
    ASSERT_NE(memo, t->fields().end());
    for (const interop::ExpectedRecord& want : m_expected.records) {
        SCOPED_TRACE("record " + std::to_string(want.recno));
        ASSERT_EQ(t->go(want.recno), 0) << m_ctx->lastStatus().message;
        EXPECT_EQ(t->isDeleted(), want.deleted);
        if (!want.raw.empty()) {
            std::string raw(1, t->isDeleted() ? '*' : ' ');
            for (const xbase::Field* f : t->fields()) raw += f->text();
            EXPECT_EQ(raw, want.raw);
        }
        for (const auto& [name, bytes] : want.fields) {
            ASSERT_NE(t->field(name), nullptr) << name;
            EXPECT_EQ(t->field(name)->text(), bytes) << name;
        }
        const std::string text = (*memo)->memoText();
        EXPECT_EQ(m_ctx->errorCode(), 0) << m_ctx->lastStatus().message;
        EXPECT_EQ(text.size(), want.memoLength);
        EXPECT_EQ(text.empty() ? std::string() : md5Hex(text), want.memoMd5);
    }
}

TEST_P(FixtureTest, TagOrdersFollowTheIndexFiles) {
    xbase::Table* t = openFixture(0, true);
    ASSERT_NE(t, nullptr);
    for (const interop::ExpectedIndex& want : m_expected.indexes) {
        SCOPED_TRACE(want.file);
        xbase::Tag* tag = tagOfFile(*t, want.file);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->keyLength(), want.keyLength);
        EXPECT_EQ(lower(tag->expression()), lower(want.expression));
        ASSERT_EQ(t->selectTag(tag), 0);
        std::vector<long> order;
        for (int rc = t->top(); rc == 0 && !t->eof(); rc = t->skip(1)) order.push_back(t->recNo());
        EXPECT_EQ(m_ctx->errorCode(), 0) << m_ctx->lastStatus().message;
        EXPECT_EQ(order, want.order);

        const std::vector<Entry> entries = entriesOf(tag);
        ASSERT_EQ(entries.size(), want.order.size());
        for (size_t i = 0; i < want.keys.size(); ++i) {
            EXPECT_EQ(entries[i].first, want.keys[i]) << "entry " << i;
        }
        if (want.depth > 0) {
            EXPECT_EQ(dynamic_cast<xbase::NtxIndex*>(tag)->depth(), want.depth);
        }
    }
}

// Our code 2 is the soft seek's "next greater key"; a miss with none greater is end of file.
TEST_P(FixtureTest, SeeksGiveTheWritersResults) {
    xbase::Table* t = openFixture(0, true);
    ASSERT_NE(t, nullptr);
    for (const interop::ExpectedIndex& want : m_expected.indexes) {
        xbase::Tag* tag = tagOfFile(*t, want.file);
        ASSERT_NE(tag, nullptr) << want.file;
        ASSERT_EQ(t->selectTag(tag), 0);
        for (const interop::ExpectedSeek& seek : want.seeks) {
            SCOPED_TRACE(want.file + " seek \"" + seek.key + "\"");
            const int rc = t->seek(seek.key);
            if (seek.found != 0) {
                EXPECT_EQ(rc, xbase::kOk);
                EXPECT_EQ(t->recNo(), seek.found);
            } else if (!seek.softEof) {
                EXPECT_EQ(rc, xbase::kSeekNext);
                EXPECT_EQ(t->recNo(), seek.soft);
                EXPECT_FALSE(t->eof());
            } else {
                EXPECT_EQ(rc, xbase::kEof);
                EXPECT_EQ(t->recNo(), t->recCount() + 1);
                EXPECT_TRUE(t->eof());
            }
        }
    }
}

TEST_P(FixtureTest, BuiltIndexesEqualTheWritersBuiltIndexes) {
    xbase::Table* t = openFixture(1, true);
    ASSERT_NE(t, nullptr);
    std::vector<std::vector<Entry>> loaded;
    std::vector<int> loadedDepth;
    std::vector<xbase::TagDef> defs;
    for (const interop::ExpectedIndex& want : m_expected.indexes) {
        xbase::Tag* tag = tagOfFile(*t, want.file);
        ASSERT_NE(tag, nullptr) << want.file;
        loaded.push_back(entriesOf(tag));
        loadedDepth.push_back(dynamic_cast<xbase::NtxIndex*>(tag)->depth());
        defs.push_back({"n" + lower(want.file.substr(0, want.file.find('.'))), tag->expression(), "new_" + want.file});
    }
    ASSERT_EQ(t->createIndex("NEW", defs), 0) << m_ctx->lastStatus().message;
    ASSERT_EQ(t->tags().size(), defs.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        const std::string& file = m_expected.indexes[i].file;
        SCOPED_TRACE(file);
        const std::vector<Entry> built = entriesOf(t->tags()[i]);
        if (builtAfterLoading(file)) {
            EXPECT_EQ(firstDifference(built, loaded[i]), "");
            EXPECT_EQ(dynamic_cast<xbase::NtxIndex*>(t->tags()[i])->depth(), loadedDepth[i]);
        } else {
            // Same keys; a build puts equal keys in record order.
            std::vector<Entry> sorted = loaded[i];
            std::stable_sort(sorted.begin(), sorted.end());
            EXPECT_EQ(firstDifference(built, sorted), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, FixtureTest, ::testing::ValuesIn(kSets),
                         [](const ::testing::TestParamInfo<FixtureSet>& info) { return std::string(info.param.set); });

}  // namespace
