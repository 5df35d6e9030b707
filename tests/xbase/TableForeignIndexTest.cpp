// Tables, group files and indexes written by another engine, used through the table API: auto-open
// finds every tag of the group, walking each tag both ways gives that engine's order, and every
// listed seek lands where that engine's did (see tests/fixtures/xbase/README.md).
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

struct SeekCase {
    std::string key;
    int rc;
    long recno;
};

struct IndexExpectation {
    std::string file;
    std::vector<long> order;
    std::vector<SeekCase> seeks;
};

std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out.push_back(char(std::stoi(s.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// Reads the "== Index" sections of an expected.txt.
std::vector<IndexExpectation> readExpectations(const std::string& path) {
    std::istringstream in(test::readWholeFile(path));
    const std::regex header(R"(^== Index (\S+\.ntx) )");
    const std::regex seek(R"re(^  "(.*)" \(len \d+\)\s+-> (found (\d+)|not found \(recno \d+(, eof)?\)); softseek (\d+)(, eof)?)re");
    std::vector<IndexExpectation> out;
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, header)) {
            out.push_back({m[1].str(), {}, {}});
        } else if (!out.empty() && line.rfind("ORDER ", 0) == 0) {
            std::istringstream nums(line.substr(6));
            for (long r; nums >> r;) out.back().order.push_back(r);
        } else if (!out.empty() && std::regex_search(line, m, seek)) {
            SeekCase c{unescape(m[1].str()), 0, 0};
            if (m[3].matched) {
                c.rc = kOk;
                c.recno = std::stol(m[3].str());
            } else if (m[6].matched) {
                c.rc = kEof;
                c.recno = std::stol(m[5].str());
            } else {
                c.rc = kSeekNext;
                c.recno = std::stol(m[5].str());
            }
            out.back().seeks.push_back(c);
        }
    }
    return out;
}

class ForeignIndexTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ForeignIndexTest, TagsGiveTheOtherEnginesOrderAndSeeks) {
    const std::string set = GetParam();
    const std::string table = set == "small" ? "FIXT" : "BIG";
    const std::string src = std::string(CORVANE_FIXTURES_DIR) + "/xbase/" + set + "/";
    test::TempDir dir;
    for (const std::string& f : {table + ".dbf", table + ".dbt", table + ".cgp", std::string("cname.ntx"),
                                 std::string("ccno.ntx"), std::string("invd.ntx"), std::string("itmp.ntx")})
        test::writeWholeFile(dir.file(f), test::readWholeFile(src + f));
    const auto expectations = readExpectations(src + "expected.txt");
    ASSERT_EQ(expectations.size(), 4u);

    Context ctx(nullptr, dir.path());
    Table* t = ctx.openTable(table);
    ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
    ASSERT_EQ(t->tags().size(), 4u);
    for (const IndexExpectation& e : expectations) {
        SCOPED_TRACE(e.file);
        const std::string tagName = e.file.substr(0, e.file.find('.'));
        ASSERT_EQ(t->selectTag(t->findTag(tagName)), 0);
        std::vector<long> forward, backward;
        for (int rc = t->top(); rc == 0; rc = t->skip(1)) forward.push_back(t->recNo());
        EXPECT_EQ(forward, e.order);
        for (int rc = t->bottom(); rc == 0; rc = t->skip(-1)) backward.insert(backward.begin(), t->recNo());
        EXPECT_EQ(backward, e.order);
        ASSERT_FALSE(e.seeks.empty());
        for (const SeekCase& c : e.seeks) {
            SCOPED_TRACE("seek \"" + c.key + "\"");
            EXPECT_EQ(t->seek(c.key), c.rc);
            EXPECT_EQ(t->recNo(), c.recno);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ForeignIndexTest, ::testing::Values("small", "large"));

}  // namespace
}  // namespace xbase
