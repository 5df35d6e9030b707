// Kills and power cuts at every changing call of a commit and of a pack: afterwards every table
// opens (or says that its tags must be rebuilt, and opens after the rebuild), no record shows another
// record's memo, every order lists every record by its fields, and what a durable flush confirmed
// is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

const std::vector<TagDef> kTags = {{"CName", "Upper(LAST)", "cName.ntx"}, {"CCNO", "Str(CUNO,6)", "ccno.ntx"}};

std::string memoOf(long cuno) { return "memo of customer " + std::to_string(cuno) + std::string(size_t(cuno) * 90, '.'); }

// Customers 1..5, each with its own memo, record 2 and 4 deleted, tagged; everything synced.
void createCustomers(PowerCutFileSystem& fs) {
    Context ctx(&fs, "");
    ctx.setAccessMode(1);
    Table* t = ctx.createTable("CUST", test::customerFields());
    ASSERT_NE(t, nullptr);
    const char* names[] = {"Smith", "Adams", "Brown", "Jones", "Clark"};
    for (long i = 1; i <= 5; ++i) {
        ASSERT_EQ(test::addCustomer(t, i, names[i - 1]), 0);
        ASSERT_EQ(t->field("NOTES")->assignMemo(memoOf(i)), 0);
        if (i % 2 == 0) { ASSERT_EQ(t->markDeleted(), 0); }
    }
    ASSERT_EQ(t->createIndex("CUST", kTags), 0);
    ASSERT_EQ(ctx.closeAll(), 0);
    fs.syncAll();
}

// PowerCut keeps only what was synced; DiskCut also some of the unsynced pages, sizes and names.
enum class Ending { Kill, PowerCut, DiskCut };
constexpr uint64_t kDiskSeeds = 6;  // disk states tried per interrupted call: keeps the suite short

std::string endingName(Ending e) { return e == Ending::Kill ? "kill" : e == Ending::PowerCut ? "power cut" : "disk cut"; }

struct Outcome {
    bool rebuilt = false;                 // the open asked for the tags to be rebuilt
    std::map<long, std::string> records;  // CUNO -> LAST of the records left
};

// Opens the table as the program does after an interruption: a table whose open says its tags are
// behind gets them rebuilt and is opened again. Then checks memos and orders against the records.
Outcome openAndCheck(FileSystem& fs) {
    Outcome out;
    Context ctx(&fs, "");
    Table* t = ctx.openTable("CUST");
    if (!t) {
        const int why = ctx.errorCode();
        EXPECT_TRUE(why == kErrStaleIndex || why == kErrCorruptIndex) << ctx.lastStatus().message;
        out.rebuilt = true;
        ctx.setAccessMode(1);
        ctx.setAutoOpen(0);
        ctx.setSafety(0);
        Table* plain = ctx.openTable("CUST");
        EXPECT_NE(plain, nullptr) << "a damaged index made the table unopenable: " << ctx.lastStatus().message;
        if (!plain) return out;
        EXPECT_EQ(plain->createIndex("CUST", kTags), 0) << ctx.lastStatus().message;
        EXPECT_EQ(ctx.closeAll(), 0);
        ctx.setAccessMode(0);
        ctx.setAutoOpen(1);
        t = ctx.openTable("CUST");
        EXPECT_NE(t, nullptr) << "still refused after the rebuild: " << ctx.lastStatus().message;
        if (!t) return out;
    }
    std::vector<std::pair<std::string, long>> byName, byNumber;
    for (int rc = t->top(); rc == kOk; rc = t->skip(1)) {
        const long cuno = t->field("CUNO")->asLong();
        std::string last = t->field("LAST")->text();
        last.erase(last.find_last_not_of(' ') + 1);
        out.records[cuno] = last;
        // A record committed before its memo was (or appended and never filled) has none yet.
        const std::string memo = t->field("NOTES")->memoText();
        EXPECT_TRUE(memo.empty() || memo == memoOf(cuno)) << "record " << t->recNo() << " shows another memo";
        std::string upper = last;
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        byName.push_back({upper, t->recNo()});
        byNumber.push_back({std::to_string(cuno), t->recNo()});
    }
    // Every order lists every record once, by its fields (equal keys in record order).
    for (auto [tag, expected] : {std::pair{"CName", byName}, std::pair{"CCNO", byNumber}}) {
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            return tag == std::string("CCNO") ? std::stol(a.first) < std::stol(b.first) : a.first < b.first;
        });
        std::vector<long> want, got;
        for (const auto& e : expected) want.push_back(e.second);
        EXPECT_EQ(t->selectTag(t->findTag(tag)), 0);
        for (int rc = t->top(); rc == kOk; rc = t->skip(1)) got.push_back(t->recNo());
        EXPECT_EQ(got, want) << "stale order " << tag << " not detected at the open";
    }
    EXPECT_EQ(ctx.closeAll(), 0);
    std::vector<std::string> names;
    EXPECT_TRUE(fs.list(".", &names).ok());
    for (const std::string& n : names)
        EXPECT_TRUE(n.find(".tmp") == std::string::npos && n.find(".swp") == std::string::npos) << n << " left over";
    return out;
}

// Runs work on freshly made customers with the power going at the nth changing call (0: never).
// Returns work's result and leaves the files as the kill or the power cut left them; *calls receives
// the number of changing calls of the work and the close after it.
template <class Work>
int interrupt(PowerCutFileSystem& fs, int accessMode, int nth, Ending ending, Work work, int* calls = nullptr,
              uint64_t seed = 0) {
    createCustomers(fs);
    int rc = 0;
    {
        Context ctx(&fs, "");
        ctx.setAccessMode(accessMode);
        ctx.setSafety(0);  // a reindex replaces the tags' files
        Table* t = ctx.openTable("CUST");
        EXPECT_NE(t, nullptr);
        if (!t) return kErrOpen;
        fs.cutAt(nth);
        const int before = fs.steps();
        rc = work(t);
        ctx.closeAll();  // fails once the power is gone: the process is dead by then
        if (calls) *calls = fs.steps() - before;
    }
    // A killed process leaves every write it made to the system; a power cut only the synced ones.
    if (ending == Ending::Kill) fs.syncAll();
    if (ending == Ending::DiskCut) fs.restoreAny(seed);
    else fs.restore();
    return rc;
}

// Renames Brown and gives him a new memo; appends customer 6; a durable flush confirms both.
int commitWork(Table* t) {
    int rc = t->go(3);
    if (rc == kOk) rc = t->field("LAST")->assignText("Zimmer");
    if (rc == kOk) rc = t->field("NOTES")->assignMemo(memoOf(3));  // a new block all the same
    if (rc == kOk) rc = t->go(1);
    if (rc == kOk) rc = test::addCustomer(t, 6, "Baker");
    if (rc == kOk) rc = t->field("NOTES")->assignMemo(memoOf(6));
    return rc == kOk ? t->flush(true) : rc;
}

TEST(CrashSafetyTest, EveryKillOrPowerCutOfACommitLeavesCurrentOrRebuiltOrders) {
    for (int mode : {0, 1}) {
        int steps = 0;
        ASSERT_EQ(interrupt(*newPowerCutFileSystem(), mode, 0, Ending::Kill, commitWork, &steps), kOk);
        for (Ending ending : {Ending::Kill, Ending::PowerCut, Ending::DiskCut}) {
            for (int nth = 1; nth <= steps + 1; ++nth) {
                for (uint64_t seed = 1; seed <= (ending == Ending::DiskCut ? kDiskSeeds : 1); ++seed) {
                    SCOPED_TRACE("mode " + std::to_string(mode) + " " + endingName(ending) + " at call " +
                                 std::to_string(nth) + " seed " + std::to_string(seed));
                    auto fs = newPowerCutFileSystem();
                    const int rc = interrupt(*fs, mode, nth, ending, commitWork, nullptr, seed);
                    const Outcome out = openAndCheck(*fs);
                    if (HasFailure()) return;
                    if (rc == kOk) {
                        EXPECT_EQ(out.records.at(3), "Zimmer") << "a confirmed change was lost";
                        EXPECT_EQ(out.records.count(6), 1u) << "a confirmed record was lost";
                    }
                }
            }
        }
    }
}

TEST(CrashSafetyTest, EveryKillOrPowerCutOfAPackOrReindexLeavesTheOldOrTheNewTable) {
    const std::map<long, std::string> old{{1, "Smith"}, {2, "Adams"}, {3, "Brown"}, {4, "Jones"}, {5, "Clark"}};
    const std::map<long, std::string> packed{{1, "Smith"}, {3, "Brown"}, {5, "Clark"}};
    struct Case {
        const char* name;
        int (*work)(Table*);
        std::map<long, std::string> done;
    };
    const Case cases[] = {
        {"pack", [](Table* t) { return t->pack(); }, packed},
        {"reindex", [](Table* t) { return t->createIndex("CUST", kTags); }, old},
    };
    for (const Case& c : cases) {
        int steps = 0;
        ASSERT_EQ(interrupt(*newPowerCutFileSystem(), 1, 0, Ending::Kill, c.work, &steps), kOk) << c.name;
        int rebuilt = 0;
        for (Ending ending : {Ending::Kill, Ending::PowerCut, Ending::DiskCut}) {
            for (int nth = 1; nth <= steps + 1; ++nth) {
                for (uint64_t seed = 1; seed <= (ending == Ending::DiskCut ? kDiskSeeds : 1); ++seed) {
                    SCOPED_TRACE(std::string(c.name) + " " + endingName(ending) + " at call " + std::to_string(nth) +
                                 " seed " + std::to_string(seed));
                    auto fs = newPowerCutFileSystem();
                    const int rc = interrupt(*fs, 1, nth, ending, c.work, nullptr, seed);
                    const Outcome out = openAndCheck(*fs);
                    if (HasFailure()) return;
                    EXPECT_TRUE(out.records == old || out.records == packed);
                    if (rc == kOk) { EXPECT_EQ(out.records, c.done); }
                    rebuilt += out.rebuilt;
                }
            }
        }
        EXPECT_GT(rebuilt, 0) << c.name << ": no interruption fell between the change and the new tags";
    }
}

}  // namespace
}  // namespace xbase
