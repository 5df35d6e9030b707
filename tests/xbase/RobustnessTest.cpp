// Damaged files must never crash or hang the engine: thousands of truncated and byte-flipped
// variants of real tables, memos and indexes (the other engine's fixtures and files our engine
// writes), each opened from memory and, when the open succeeds, navigated through every record,
// field, memo and tag. A refused open must say which file is at fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/Ntx.h"

namespace {

using FileSet = std::map<std::string, std::string>;  // file name -> bytes

constexpr uint64_t kPageSize = 1024;
constexpr uint64_t kMostKeysPerPage = 91;  // a 1-byte key gives 90 keys and the rightmost child

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::unique_ptr<xbase::FileSystem> memoryWith(const FileSet& files) {
    std::unique_ptr<xbase::FileSystem> fs = xbase::newMemoryFileSystem();
    for (const auto& [name, bytes] : files) {
        std::unique_ptr<xbase::File> f;
        if (!fs->create(name, xbase::Share::Exclusive, &f).ok() || !f->write(0, bytes.data(), bytes.size()).ok()) {
            ADD_FAILURE() << "cannot put " << name << " in memory";
        }
    }
    return fs;
}

FileSet fixtureSmall() {
    const std::string dir = CORVANE_FIXTURES_DIR "/xbase/small/";
    FileSet set;
    for (const char* name : {"FIXT.dbf", "FIXT.dbt", "FIXT.cgp", "cname.ntx", "ccno.ntx", "invd.ntx", "itmp.ntx"}) {
        set[name] = readFile(dir + name);
        EXPECT_FALSE(set[name].empty()) << name;
    }
    return set;
}

// A table our engine writes: every field type, memos of one to several blocks, three tags.
FileSet engineWritten() {
    std::unique_ptr<xbase::FileSystem> fs = xbase::newMemoryFileSystem();
    FileSet set;
    {
        xbase::Context ctx(fs.get(), "");
        ctx.setAccessMode(1);
        xbase::Table* t = ctx.createTable("ENG", {{"NAME", 'C', 12, 0},
                                                  {"NUM", 'N', 6, 0},
                                                  {"AMT", 'N', 9, 2},
                                                  {"DAY", 'D', 8, 0},
                                                  {"OK", 'L', 1, 0},
                                                  {"NOTE", 'M', 10, 0}});
        if (t == nullptr) {
            ADD_FAILURE() << ctx.lastStatus().message;
            return set;
        }
        for (int i = 1; i <= 100; ++i) {
            t->appendBlank();
            t->field("NAME")->assignText("name " + std::to_string(i * 7919 % 1000));
            t->field("NUM")->assignLong(i % 50 - 10);
            t->field("AMT")->assignDouble(i * 1.25 - 100);
            t->field("DAY")->assignText(i % 9 == 0 ? "" : "2024" + std::to_string(10 + i % 3) + std::to_string(10 + i % 19));
            t->field("OK")->assignText(i % 2 ? "T" : "F");
            if (i % 4 == 0) t->field("NOTE")->assignMemo(std::string(size_t(i * 13 % 1500 + 1), char('a' + i % 26)));
            if (i % 17 == 0) t->markDeleted();
        }
        const int rc = t->createIndex("ENG", {{"ename", "Upper(NAME)", "ename.ntx"},
                                              {"enum", "Str(NUM,6)", "enum.ntx"},
                                              {"eday", "DTOS(DAY)", "eday.ntx"}});
        EXPECT_EQ(rc, 0) << ctx.lastStatus().message;
        EXPECT_EQ(ctx.closeAll(), 0) << ctx.lastStatus().message;
    }
    std::vector<std::string> names;
    fs->list("", &names);
    for (const std::string& name : names) {
        std::unique_ptr<xbase::File> f;
        uint64_t size = 0;
        size_t got = 0;
        if (!fs->open(name, xbase::Share::Shared, true, &f).ok() || !f->size(&size).ok()) continue;
        std::string bytes(size, '\0');
        f->read(0, bytes.data(), bytes.size(), &got);
        set[name] = bytes;
    }
    return set;
}

// Collects what went wrong instead of failing thousands of times.
class Findings {
public:
    void add(const std::string& variant, const std::string& problem) {
        ++m_count;
        if (m_lines.size() < 25) m_lines.push_back(variant + ": " + problem);
    }
    int count() const { return m_count; }
    std::string report() const {
        std::string s;
        for (const std::string& l : m_lines) s += l + "\n";
        return s;
    }

private:
    std::vector<std::string> m_lines;
    int m_count = 0;
};

// True when message names one of the set's files.
bool namesAFile(const std::string& message, const FileSet& files) {
    const std::string m = lower(message);
    return std::any_of(files.begin(), files.end(), [&](const auto& f) { return m.find(lower(f.first)) != std::string::npos; });
}

// Walks everything an opened table offers. Each step is bounded: an index with more entries than
// its pages could hold is going round in circles.
class Explorer {
public:
    Explorer(xbase::Context& ctx, xbase::Table& table, const FileSet& files, const std::string& variant, Findings& findings)
        : m_ctx(ctx), m_table(table), m_files(files), m_variant(variant), m_findings(findings) {}

    // damaged: the one damaged index file, whose tag alone is walked, or "" to walk everything
    // (damage to the table or memo file reaches every tag).
    void run(const std::string& damagedIndex) {
        if (damagedIndex.empty()) readAllRecords();
        for (xbase::Tag* tag : m_table.tags()) {
            if (damagedIndex.empty() || lower(tag->fileName()).find(lower(damagedIndex)) != std::string::npos) walkTag(tag);
        }
    }

private:
    // A negative result is fine; a negative result nobody can trace to a file is not.
    bool ok(int rc, const char* what) {
        if (rc >= 0) return true;
        m_ctx.errorCode();
        if (!namesAFile(m_ctx.lastStatus().message, m_files)) {
            m_findings.add(m_variant, std::string(what) + " failed with " + std::to_string(rc) + " and message \"" +
                                          m_ctx.lastStatus().message + "\"");
        }
        return false;
    }

    void readFields() {
        for (const xbase::Field* f : m_table.fields()) {
            (void)f->text();
            if (f->type() == 'M') (void)f->memoText();
            if (f->type() == 'N') (void)f->asDouble(), (void)f->asLong();
            if (f->type() == 'L') (void)f->isTrue();
        }
        (void)m_table.isDeleted();
        m_ctx.errorCode();
    }

    void readAllRecords() {
        ok(m_table.selectTag(nullptr), "select record order");
        for (long r = 1; r <= m_table.recCount(); ++r) {
            if (!ok(m_table.go(r), "go")) continue;
            readFields();
        }
        ok(m_table.go(m_table.recCount() + 1), "go past the end");
    }

    uint64_t stepLimit(const xbase::Tag* tag) const {
        for (const auto& [name, bytes] : m_files) {
            if (lower(tag->fileName()).find(lower(name)) != std::string::npos) {
                return (bytes.size() / kPageSize + 1) * kMostKeysPerPage + 10;
            }
        }
        return 1000000;
    }

    void walkTag(xbase::Tag* tag) {
        if (!ok(m_table.selectTag(tag), "select tag")) return;
        const uint64_t limit = stepLimit(tag);
        uint64_t steps = 0;
        int rc = m_table.top();
        while (ok(rc, "top/skip") && !m_table.eof() && steps++ < limit) {
            if (steps % 8 == 1) readFields();  // every record was read in record order already
            rc = m_table.skip(1);
        }
        if (steps > limit) m_findings.add(m_variant, "skipping through " + tag->name() + " never ends");
        steps = 0;
        rc = m_table.bottom();
        while (ok(rc, "bottom/skip back") && !m_table.bof() && !m_table.eof() && steps++ < limit) rc = m_table.skip(-1);
        if (steps > limit) m_findings.add(m_variant, "skipping back through " + tag->name() + " never ends");
        for (const char* key : {"", " ", "A", "SMITH", "1", "2024", "\xFF\xFF"}) {
            if (ok(m_table.seek(key), "seek") && !m_table.eof()) readFields();
        }
        double fraction = 0;
        ok(m_table.position(&fraction), "position");
        ok(m_table.goPosition(0.5), "go to a position");
        ok(m_table.skip(3), "skip forward");
        ok(m_table.skip(-5), "skip back");
    }

    xbase::Context& m_ctx;
    xbase::Table& m_table;
    const FileSet& m_files;
    const std::string& m_variant;
    Findings& m_findings;
};

bool isGroupFile(const std::string& name) { return lower(name).find(".cgp") != std::string::npos; }
bool isIndex(const std::string& name) { return lower(name).find(".ntx") != std::string::npos; }

void openAndExplore(const FileSet& files, const std::string& table, const std::string& variant, Findings& findings,
                    const std::string& damaged = "") {
    std::unique_ptr<xbase::FileSystem> fs = memoryWith(files);
    xbase::Context ctx(fs.get(), "");
    xbase::Table* t = ctx.openTable(table);
    const int code = ctx.errorCode();
    if (t == nullptr) {
        if (code >= 0) findings.add(variant, "open failed without an error code");
        else if (isGroupFile(damaged) ? lower(ctx.lastStatus().message).find(lower(damaged)) == std::string::npos
                                      : !namesAFile(ctx.lastStatus().message, files))
            findings.add(variant, "open failed with \"" + ctx.lastStatus().message + "\", which does not name the file at fault");
        return;
    }
    Explorer(ctx, *t, files, variant, findings).run(isIndex(damaged) ? damaged : std::string());
    ctx.closeAll();
}

// Deterministic damage: truncations at the header edges and at random lengths, and flips of one to
// four bytes, half of them in the first page where the headers lie.
struct Mutator {
    explicit Mutator(uint32_t seed) : rng(seed) {}

    std::vector<std::pair<std::string, std::string>> variants(const std::string& bytes, int truncations, int flips) {
        std::vector<std::pair<std::string, std::string>> out;
        const size_t n = bytes.size();
        std::vector<size_t> cuts = {0, 1, 4, 12, 31, 32, 33, 64, 511, 512, 513, 1023, 1024, 1025};
        while (int(cuts.size()) < truncations) cuts.push_back(n == 0 ? 0 : rng() % n);
        for (size_t cut : cuts) {
            if (cut < n) out.emplace_back("cut at " + std::to_string(cut), bytes.substr(0, cut));
        }
        for (int i = 0; i < flips && n > 0; ++i) {
            std::string b = bytes;
            std::ostringstream what;
            const int count = 1 + int(rng() % 4);
            for (int k = 0; k < count; ++k) {
                const size_t at = rng() % 2 ? rng() % std::min<size_t>(n, kPageSize) : rng() % n;
                const uint8_t value = rng() % 4 == 0 ? uint8_t(rng() % 2 ? 0x00 : 0xFF) : uint8_t(b[at] ^ (1 + rng() % 255));
                b[at] = char(value);
                what << (k ? "," : "flip ") << at << "=" << int(value);
            }
            out.emplace_back(what.str(), b);
        }
        return out;
    }

    std::mt19937 rng;
};

// Damages each file of the set whose name passes pick, one variant at a time.
void damageEachFile(const FileSet& set, const std::string& table, uint32_t seed, int truncations, int flips,
                    bool (*pick)(const std::string&), Findings& findings, int* variantsRun) {
    Mutator mutator(seed);
    for (const auto& [name, bytes] : set) {
        if (!pick(name)) continue;
        for (const auto& [what, damaged] : mutator.variants(bytes, truncations, flips)) {
            FileSet variant = set;
            variant[name] = damaged;
            openAndExplore(variant, table, name + " " + what, findings, name);
            ++*variantsRun;
        }
    }
}

bool isDataFile(const std::string& name) { return !isGroupFile(name); }

TEST(Robustness, DamagedFixtureFilesNeverCrashOrHang) {
    const FileSet set = fixtureSmall();
    Findings findings;
    int run = 0;
    openAndExplore(set, "FIXT", "undamaged", findings);
    damageEachFile(set, "FIXT", 20240607u, 30, 220, isDataFile, findings, &run);
    EXPECT_GT(run, 1400);
    EXPECT_EQ(findings.count(), 0) << findings.report();
}

TEST(Robustness, DamagedEngineFilesNeverCrashOrHang) {
    const FileSet set = engineWritten();
    ASSERT_EQ(set.size(), 6u);  // dbf, dbt, cgp and three indexes
    Findings findings;
    int run = 0;
    openAndExplore(set, "ENG", "undamaged", findings);
    damageEachFile(set, "ENG", 7919u, 30, 190, isDataFile, findings, &run);
    EXPECT_GT(run, 1000);
    EXPECT_EQ(findings.count(), 0) << findings.report();
}

// A group file cut short or garbled lists index files that do not exist: the open must fail with a
// message that leads to the group file, not only to the name it found there.
TEST(Robustness, DamagedGroupFileIsNamed) {
    Findings findings;
    int run = 0;
    damageEachFile(fixtureSmall(), "FIXT", 37u, 20, 30, isGroupFile, findings, &run);
    EXPECT_EQ(findings.count(), 0) << findings.report();
}

// The other engine's largest index (split, permuted and free-listed pages), damaged and walked alone,
// and once whole under a table it does not belong to (its records point past the table's end).
TEST(Robustness, DamagedLargeIndexNeverCrashesOrHangs) {
    const std::string ntx = readFile(CORVANE_FIXTURES_DIR "/xbase/large/cname.ntx");
    ASSERT_FALSE(ntx.empty());
    Findings findings;

    FileSet foreign = fixtureSmall();
    foreign["cname.ntx"] = ntx;
    openAndExplore(foreign, "FIXT", "large cname.ntx under the small table", findings);

    Mutator mutator(3000u);
    const uint64_t limit = (ntx.size() / kPageSize + 1) * kMostKeysPerPage;
    for (const auto& [what, damaged] : mutator.variants(ntx, 30, 150)) {
        std::unique_ptr<xbase::FileSystem> fs = memoryWith({{"cname.ntx", damaged}});
        std::unique_ptr<xbase::NtxIndex> index;
        xbase::Status st;
        if (xbase::NtxIndex::open(*fs, "cname.ntx", xbase::Share::Shared, true, 35, nullptr, &index, &st) < 0) {
            if (lower(st.message).find("cname.ntx") == std::string::npos) findings.add(what, "message \"" + st.message + "\"");
            continue;
        }
        uint64_t entries = 0;
        index->walk([&](std::string_view, uint32_t) { ++entries; }, &st);
        if (entries > limit) findings.add(what, "walk never ends");
        uint32_t recno = 0;
        uint64_t steps = 0;
        for (int rc = index->first(&recno); rc == 0 && steps < limit; rc = index->next(&recno)) ++steps;
        if (steps >= limit) findings.add(what, "next() never ends");
        for (const char* key : {"", "SMITH", "ZZZ", "M"}) index->seek(key, &recno);
        index->goPosition(0.3, &recno);
        (void)index->depth();
    }
    EXPECT_EQ(findings.count(), 0) << findings.report();
}

}  // namespace
