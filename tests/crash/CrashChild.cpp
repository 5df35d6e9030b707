// The process that scripts/crash-test.sh kills, and the check that follows each kill.
//   crash_child init DIR            a table of four tags and a memo field, with a few records
//   crash_child commit DIR SEED     appends and changes records until killed (shared or exclusive)
//   crash_child pack DIR SEED       deletes, packs and appends until killed
//   crash_child verify DIR          opens the table as the program does and checks it
// Each committed change is logged after its flush returned ("<id> <version>", or "<id> gone" for a
// deletion), so the check knows what must have survived. A memo names its record and version, so a
// record showing another's memo, or an older one, is seen.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "xbase/Engine.h"

namespace {

using namespace xbase;

const char* kTable = "CRASH";
const std::vector<FieldDef> kFields = {{"ID", 'N', 8, 0},    {"VERSION", 'N', 8, 0}, {"NAME", 'C', 20, 0},
                                       {"CODE", 'C', 6, 0},  {"WHEN", 'D', 8, 0},    {"NOTES", 'M', 10, 0}};
const std::vector<TagDef> kTags = {{"TID", "Str(ID,8)", "tid.ntx"},
                                   {"TNAME", "Upper(NAME)", "tname.ntx"},
                                   {"TCODE", "CODE+Str(ID,8)", "tcode.ntx"},
                                   {"TWHEN", "DTOS(WHEN)", "twhen.ntx"}};

std::string memoFor(long id, long version, size_t pad) {
    return "record " + std::to_string(id) + " version " + std::to_string(version) + " " + std::string(pad, 'x');
}

// One line per committed change, appended with a single write so that a kill never leaves half.
class Log {
public:
    explicit Log(const std::string& dir) : m_fd(::open((dir + "/committed.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600)) {}
    ~Log() { ::close(m_fd); }
    void line(const std::string& text) {
        const std::string l = text + "\n";
        if (::write(m_fd, l.data(), l.size()) != ssize_t(l.size())) std::exit(3);
    }

private:
    int m_fd;
};

int fail(Context& ctx, const char* what) {
    std::cerr << what << ": " << ctx.lastStatus().message << "\n";
    return 2;
}

// Fills the current record as version of id.
int fill(Table* t, long id, long version, std::mt19937& rnd) {
    static const char* names[] = {"Smith", "Adams", "Brown", "Jones", "Clark", "Baker", "Young", "Moore"};
    char date[9];
    std::snprintf(date, sizeof date, "2026%02u%02u", unsigned(rnd() % 12 + 1), unsigned(rnd() % 28 + 1));
    int rc = t->field("ID")->assignLong(id);
    if (rc == kOk) rc = t->field("VERSION")->assignLong(version);
    if (rc == kOk) rc = t->field("NAME")->assignText(std::string(names[rnd() % 8]) + std::to_string(rnd() % 100));
    if (rc == kOk) rc = t->field("CODE")->assignText(std::string(1, char('A' + rnd() % 26)));
    if (rc == kOk) rc = t->field("WHEN")->assignText(date);
    if (rc == kOk) rc = t->field("NOTES")->assignMemo(memoFor(id, version, rnd() % 1500));
    return rc;
}

int init(const std::string& dir) {
    Context ctx(nullptr, dir);
    ctx.setAccessMode(1);
    Table* t = ctx.createTable(kTable, kFields);
    if (!t) return fail(ctx, "create");
    std::mt19937 rnd(1);
    Log log(dir);
    for (long id = 1; id <= 50; ++id) {
        if (t->appendBlank() != kOk || fill(t, id, 1, rnd) != kOk) return fail(ctx, "append");
    }
    if (t->createIndex(kTable, kTags) != kOk || ctx.closeAll() != kOk) return fail(ctx, "index");
    for (long id = 1; id <= 50; ++id) log.line(std::to_string(id) + " 1");
    return 0;
}

// A run of the child: the table open in the given mode, and where the records stand (the highest id
// and each live id's version, read from the table, so a run after a kill goes on from there).
struct Run {
    Run(const std::string& dir, int accessMode, unsigned seed) : ctx(nullptr, dir), rnd(seed), log(dir) {
        ctx.setAccessMode(accessMode);
        t = ctx.openTable(kTable);
        if (!t) return;
        for (int rc = t->top(); rc == kOk; rc = t->skip(1)) {
            const long id = t->field("ID")->asLong();
            maxId = std::max(maxId, id);
            if (!t->isDeleted()) versions[id] = t->field("VERSION")->asLong();
        }
    }
    Context ctx;
    Table* t = nullptr;
    std::mt19937 rnd;
    long maxId = 0;
    std::map<long, long> versions;
    Log log;
};

int commit(const std::string& dir, unsigned seed) {
    Run run(dir, int(seed % 2), seed);  // shared and exclusive alike
    Table* t = run.t;
    if (!t) return fail(run.ctx, "open");
    Tag* byId = t->findTag("TID");
    for (;;) {
        long id = 0, version = 1;
        if (run.rnd() % 2 == 0 || run.versions.empty()) {
            id = ++run.maxId;
            if (t->appendBlank() != kOk) return fail(run.ctx, "append");
        } else {
            auto it = run.versions.begin();
            std::advance(it, long(run.rnd() % run.versions.size()));
            id = it->first;
            version = it->second + 1;
            char key[16];
            std::snprintf(key, sizeof key, "%8ld", id);
            if (t->selectTag(byId) != kOk || t->seek(key) != kOk) return fail(run.ctx, "seek");
        }
        if (fill(t, id, version, run.rnd) != kOk || t->flush(false) != kOk) return fail(run.ctx, "commit");
        run.versions[id] = version;
        run.log.line(std::to_string(id) + " " + std::to_string(version));
    }
}

int pack(const std::string& dir, unsigned seed) {
    Run run(dir, 1, seed);
    Table* t = run.t;
    if (!t) return fail(run.ctx, "open");
    Context& ctx = run.ctx;
    std::mt19937& rnd = run.rnd;
    long& maxId = run.maxId;
    Log& log = run.log;
    for (;;) {
        for (int rc = t->top(); rc == kOk; rc = t->skip(1)) {
            if (rnd() % 5 != 0 || t->isDeleted()) continue;
            // Logged before the mark, which the next move writes: a deletion the kill cut short
            // leaves a record the check allows.
            log.line(std::to_string(t->field("ID")->asLong()) + " gone");
            if (t->markDeleted() != kOk) return fail(ctx, "delete");
        }
        if (t->flush(false) != kOk) return fail(ctx, "delete");
        if (t->pack() != kOk) return fail(ctx, "pack");
        for (int i = 0; i < 20; ++i) {
            const long id = ++maxId;
            if (t->appendBlank() != kOk || fill(t, id, 1, rnd) != kOk || t->flush(false) != kOk) return fail(ctx, "append");
            log.line(std::to_string(id) + " 1");
        }
        if (t->compressMemo() != kOk) return fail(ctx, "memo compaction");
    }
}

// Opens as the program does: tags behind the table or damaged are rebuilt, then the table reopened.
Table* openRepairing(Context& ctx, bool* detected, bool* unopenable) {
    Table* t = ctx.openTable(kTable);
    if (t) return t;
    const int why = ctx.errorCode();
    if (why != kErrStaleIndex && why != kErrCorruptIndex) {
        std::cerr << "open: " << ctx.lastStatus().message << "\n";
        *unopenable = true;
        return nullptr;
    }
    *detected = true;
    ctx.setAccessMode(1);
    ctx.setAutoOpen(0);
    ctx.setSafety(0);
    Table* plain = ctx.openTable(kTable);
    if (!plain || plain->createIndex(kTable, kTags) != kOk || ctx.closeAll() != kOk) {
        std::cerr << "rebuild: " << ctx.lastStatus().message << "\n";
        *unopenable = true;
        return nullptr;
    }
    ctx.setAccessMode(0);
    ctx.setAutoOpen(1);
    t = ctx.openTable(kTable);
    if (!t) {
        std::cerr << "reopen: " << ctx.lastStatus().message << "\n";
        *unopenable = true;
    }
    return t;
}

// Orders that do not list every record once, by the keys of its fields. Equal keys may stand in
// any record order after changes, so only the keys' order is compared.
int staleOrders(Table* t) {
    std::vector<std::map<long, std::string>> keyOf(kTags.size());
    t->selectTag(nullptr);
    for (int rc = t->top(); rc == kOk; rc = t->skip(1)) {
        char id[16];
        std::snprintf(id, sizeof id, "%8ld", t->field("ID")->asLong());
        std::string name = t->field("NAME")->text();
        std::transform(name.begin(), name.end(), name.begin(), ::toupper);
        const std::string keys[] = {id, name, t->field("CODE")->text() + id, t->field("WHEN")->text()};
        for (size_t i = 0; i < kTags.size(); ++i) keyOf[i][t->recNo()] = keys[i];
    }
    int stale = 0;
    for (size_t i = 0; i < kTags.size(); ++i) {
        std::vector<long> got;
        if (t->selectTag(t->findTag(kTags[i].name)) != kOk) return int(kTags.size());
        bool ordered = true;
        for (int rc = t->top(); rc == kOk && ordered; rc = t->skip(1)) {
            const long r = t->recNo();
            ordered = keyOf[i].count(r) && (got.empty() || keyOf[i][got.back()] <= keyOf[i][r]);
            got.push_back(r);
        }
        std::sort(got.begin(), got.end());
        ordered = ordered && std::adjacent_find(got.begin(), got.end()) == got.end() && got.size() == keyOf[i].size();
        if (!ordered) {
            std::cerr << "order " << kTags[i].name << " does not match the records\n";
            ++stale;
        }
    }
    return stale;
}

int verify(const std::string& dir) {
    Context ctx(nullptr, dir);
    bool detected = false, unopenable = false;
    Table* t = openRepairing(ctx, &detected, &unopenable);
    int lost = 0, crossLinks = 0, stale = 0;
    if (t) {
        std::map<long, long> versions;  // what the log says must be there
        std::ifstream in(dir + "/committed.log");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            long id = 0;
            std::string version;
            words >> id >> version;
            if (version == "gone") versions.erase(id);
            else versions[id] = std::stol(version);
        }
        std::map<long, long> found;
        t->selectTag(nullptr);
        for (int rc = t->top(); rc == kOk; rc = t->skip(1)) {
            const long id = t->field("ID")->asLong(), version = t->field("VERSION")->asLong();
            if (!t->isDeleted()) found[id] = std::max(found[id], version);
            const std::string memo = t->field("NOTES")->memoText();
            const std::string own = memoFor(id, version, 0);
            const bool blank = id == 0 && memo.empty();  // appended, and killed before its first write
            if (!blank && memo.compare(0, own.size(), own) != 0) {
                std::cerr << "record " << t->recNo() << " (" << id << " version " << version << ") shows memo \""
                          << memo.substr(0, 40) << "\"\n";
                ++crossLinks;
            }
        }
        for (const auto& [id, version] : versions) {
            if (found.count(id) && found[id] >= version) continue;
            std::cerr << "committed record " << id << " version " << version << " lost\n";
            ++lost;
        }
        stale = staleOrders(t);
    }
    std::cout << "lost " << lost << "\nunopenable " << (unopenable ? 1 : 0) << "\nstale " << stale << "\ncrosslinks "
              << crossLinks << "\ndetected " << (detected ? 1 : 0) << "\n";
    return lost + stale + crossLinks + (unopenable ? 1 : 0) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "init") return init(args[1]);
    if (args.size() == 2 && args[0] == "verify") return verify(args[1]);
    if (args.size() == 3 && args[0] == "commit") return commit(args[1], unsigned(std::stoul(args[2])));
    if (args.size() == 3 && args[0] == "pack") return pack(args[1], unsigned(std::stoul(args[2])));
    std::cerr << "usage: crash_child init|verify DIR | commit|pack DIR SEED\n";
    return 2;
}
