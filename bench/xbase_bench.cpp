// The engine benchmark workload: one table with a memo file and four NTX tags, taken through
// creation, appends, index builds, seeks, skips, shared durable updates, delete, pack and rebuild.
// Prints "phase<TAB>ms<TAB>operations" for each of the twenty phases, then the record count and
// the size of every file. Usage: xbase_bench [N]   (N = 100000; files in the current directory)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/GroupFile.h"
#include "xbase/Ntx.h"

namespace {

const char* const kTable = "bench";
const char* const kLast[16] = {"SMITH", "JONES",  "Miller", "brown",  "O'NEIL", "MUELLER", "Van Dyke", "LEE",
                               "GARCIA", "nguyen", "Abbott", "ZIMMER", "Kowalski", "Dubois", "ROSSI",   "Tanaka"};
const char* const kFirst[12] = {"Anna", "BOB", "carl", "Dora", "Eve", "FRANK", "gina", "Hans", "Ivy", "Jon", "Kim", "Li"};

const std::vector<xbase::FieldDef> kFields = {
    {"PRID", 'C', 10, 0}, {"IVNO", 'N', 6, 0},  {"CUNO", 'N', 6, 0}, {"LAST", 'C', 20, 0}, {"FIRST", 'C', 15, 0},
    {"IDATE", 'D', 8, 0}, {"DUE", 'N', 12, 2},  {"PAID", 'L', 1, 0}, {"IMEMO", 'C', 30, 0}, {"REM", 'M', 10, 0},
};

const std::vector<xbase::TagDef> kTags = {
    {"bname", "Upper(LAST+FIRST)", "bname.ntx", false, false},
    {"bcuno", "Str(CUNO,6)", "bcuno.ntx", false, false},
    {"bidate", "DTOS(IDATE)", "bidate.ntx", false, false},
    {"bprid", "PRID+Str(IVNO,6,0)", "bprid.ntx", false, false},
};

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian).
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Writes v as exactly width decimal digits, with leading zeros.
void putDigits(char* out, long v, int width) {
    for (int i = width - 1; i >= 0; --i, v /= 10) out[i] = char('0' + v % 10);
}

std::string civilText(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2);
    std::string text(8, '0');
    putDigits(&text[0], y, 4);
    putDigits(&text[4], m, 2);
    putDigits(&text[6], d, 2);
    return text;
}

long dayOfText(const std::string& yyyymmdd) {
    const int v = std::atoi(yyyymmdd.c_str());
    return daysFromCivil(v / 10000, v / 100 % 100, v % 100);
}

std::string padRight(std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
}

std::string padLeft(const std::string& s, size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return s;
}

const long kFirstDay = daysFromCivil(2015, 1, 1);

// Record k of the workload, a pure function of k.
struct Record {
    std::string prid;
    long ivno = 0;
    long cuno = 0;
    std::string last;
    std::string first;
    std::string idate;
    long dueCents = 0;
    bool paid = false;
    std::string imemo;
    std::string rem;

    explicit Record(uint32_t k) {
        const uint32_t h = k * 2654435761u;
        prid = "PR0000";
        putDigits(&prid[2], long(h % 500 + 1), 4);
        ivno = long(k % 1000000);
        cuno = long((h / 7) % 5000 + 1);
        last = kLast[(h / 13) % 16];
        if (k % 3 == 0) last += std::to_string((h / 31) % 1000);
        first = kFirst[(h / 11) % 12];
        idate = civilText(kFirstDay + long((h / 17) % 3650));
        dueCents = long((h / 19) % 200000) - 10000;
        paid = h % 3 == 0;
        imemo = "Invoice " + std::to_string(k);
        if (k % 10 == 0) {
            rem.reserve(10 * (5 + h % 100));
            for (uint32_t i = 0; i < 5 + h % 100; ++i) rem += "memo text ";
        }
    }

    // The key of this record in tag t (the tags' expressions, evaluated by hand).
    std::string key(size_t t) const {
        switch (t) {
        case 0: return upper(padRight(last, 20) + padRight(first, 15));
        case 1: return padLeft(std::to_string(cuno), 6);
        case 2: return idate;
        default: return padRight(prid, 10) + padLeft(std::to_string(ivno), 6);
        }
    }
};

[[noreturn]] void die(xbase::Context& ctx, const std::string& what) {
    ctx.errorCode();
    std::fprintf(stderr, "xbase_bench: %s: %s\n", what.c_str(), ctx.lastStatus().message.c_str());
    std::exit(1);
}

void check(xbase::Context& ctx, int rc, const std::string& what) {
    if (rc < 0) die(ctx, what);
}

struct Fields {
    xbase::Field* prid;
    xbase::Field* ivno;
    xbase::Field* cuno;
    xbase::Field* last;
    xbase::Field* first;
    xbase::Field* idate;
    xbase::Field* due;
    xbase::Field* paid;
    xbase::Field* imemo;
    xbase::Field* rem;

    explicit Fields(xbase::Table& t)
        : prid(t.field("PRID")), ivno(t.field("IVNO")), cuno(t.field("CUNO")), last(t.field("LAST")),
          first(t.field("FIRST")), idate(t.field("IDATE")), due(t.field("DUE")), paid(t.field("PAID")),
          imemo(t.field("IMEMO")), rem(t.field("REM")) {}
};

void appendRecord(xbase::Context& ctx, xbase::Table& table, const Fields& f, uint32_t k) {
    const Record r(k);
    check(ctx, table.appendBlank(), "append");
    int rc = f.prid->assignText(r.prid);
    if (rc >= 0) rc = f.ivno->assignLong(r.ivno);
    if (rc >= 0) rc = f.cuno->assignLong(r.cuno);
    if (rc >= 0) rc = f.last->assignText(r.last);
    if (rc >= 0) rc = f.first->assignText(r.first);
    if (rc >= 0) rc = f.idate->assignText(r.idate);
    if (rc >= 0) rc = f.due->assignDouble(double(r.dueCents) / 100.0);
    if (rc >= 0) rc = f.paid->assignText(r.paid ? "T" : "F");
    if (rc >= 0) rc = f.imemo->assignText(r.imemo);
    if (rc >= 0 && !r.rem.empty()) rc = f.rem->assignMemo(r.rem);
    check(ctx, rc, "assign record " + std::to_string(k));
}

xbase::Table* open(xbase::Context& ctx, int accessMode, bool withTags) {
    ctx.setAccessMode(accessMode);
    ctx.setAutoOpen(withTags ? 1 : 0);
    xbase::Table* table = ctx.openTable(kTable);
    if (table == nullptr || ctx.errorCode() < 0) die(ctx, "open");
    return table;
}

void closeTable(xbase::Context& ctx, xbase::Table* table) { check(ctx, table->close(), "close"); }

double runTimed(const std::function<void()>& body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void printPhase(const std::string& name, double ms, long operations) {
    std::printf("%s\t%.1f\t%ld\n", name.c_str(), ms, operations);
    std::fflush(stdout);
}

// Every tag must hold exactly one key per record, in non-decreasing order.
void verifyTags(xbase::Context& ctx, xbase::Table& table) {
    const long n = table.recCount();
    for (xbase::Tag* tag : table.tags()) {
        auto* index = dynamic_cast<xbase::NtxIndex*>(tag);
        if (index == nullptr) die(ctx, "tag " + tag->name() + " cannot be walked");
        std::vector<uint8_t> seen(size_t(n) + 1, 0);
        std::string previous;
        long entries = 0;
        bool ordered = true;
        bool once = true;
        xbase::Status st;
        const int rc = index->walk(
            [&](std::string_view key, uint32_t recno) {
                if (recno == 0 || long(recno) > n || seen[recno]++ != 0) once = false;
                if (entries++ > 0 && std::string_view(previous) > key) ordered = false;
                previous.assign(key);
            },
            &st);
        if (rc < 0 || entries != n || !once || !ordered) {
            std::fprintf(stderr, "xbase_bench: tag %s: %ld keys for %ld records%s%s %s\n", tag->name().c_str(),
                         entries, n, once ? "" : ", records repeated or missing", ordered ? "" : ", out of order",
                         st.message.c_str());
            std::exit(1);
        }
    }
}

void printSizes(long records) {
    std::printf("records\t%ld\n", records);
    std::vector<std::string> files = {std::string(kTable) + ".dbf", std::string(kTable) + ".dbt",
                                      std::string(kTable) + ".cgp"};
    for (const xbase::TagDef& t : kTags) files.push_back(t.file);
    for (const std::string& f : files) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(f, ec);
        std::printf("%s\t%lld\n", f.c_str(), ec ? -1LL : (long long)size);
    }
}

void removeOldFiles() {
    std::error_code ec;
    for (const char* ext : {".dbf", ".dbt", ".cgp"}) std::filesystem::remove(std::string(kTable) + ext, ec);
    for (const xbase::TagDef& t : kTags) std::filesystem::remove(t.file, ec);
}

}  // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 100000;
    if (argc > 2 || n < 100) {
        std::fprintf(stderr, "usage: xbase_bench [N]   (N >= 100; default 100000)\n");
        return 2;
    }
    removeOldFiles();
    xbase::Context ctx;
    ctx.setSafety(0);
    ctx.setReadBuffering(1);    // as the program sets them at start-up
    ctx.setWriteBuffering(-1);
    uint32_t nextK = 1;

    // 1. create
    printPhase("create", runTimed([&] {
                   ctx.setAccessMode(1);
                   xbase::Table* t = ctx.createTable(kTable, kFields);
                   if (t == nullptr || ctx.errorCode() < 0) die(ctx, "create");
                   closeTable(ctx, t);
               }),
               1);

    // 2. append with no index open, exclusively; commit at the end
    printPhase("append", runTimed([&] {
                   xbase::Table* t = open(ctx, 1, false);
                   const Fields f(*t);
                   for (long i = 0; i < n; ++i) appendRecord(ctx, *t, f, nextK++);
                   check(ctx, t->flush(), "commit");  // written; only phase 7 asks for durable commits
                   closeTable(ctx, t);
               }),
               n);

    // 3. the four tags, one at a time; the group file then lists all four
    {
        xbase::Table* t = open(ctx, 1, false);
        for (const xbase::TagDef& def : kTags) {
            printPhase("create " + def.name,
                       runTimed([&] { check(ctx, t->createIndex(kTable, {def}), "create " + def.name); }), n);
        }
        closeTable(ctx, t);
        std::vector<std::string> files;
        for (const xbase::TagDef& def : kTags) files.push_back(def.file);
        const xbase::Status st = xbase::writeGroupFile(ctx.fileSystem(), std::string(kTable) + ".cgp", files);
        if (!st.ok()) {
            std::fprintf(stderr, "xbase_bench: %s\n", st.message.c_str());
            return 1;
        }
    }

    // 4. 10,000 seeks per tag, each of a key that exists
    xbase::Table* t = open(ctx, 1, true);
    const long seeks = 10000;
    for (size_t tag = 0; tag < kTags.size(); ++tag) {
        std::vector<std::string> keys;
        for (long i = 1; i <= seeks; ++i) keys.push_back(Record(uint32_t((i * 7919) % n + 1)).key(tag));
        check(ctx, t->selectTag(t->findTag(kTags[tag].name)), "select " + kTags[tag].name);
        long missed = 0;
        printPhase("seek " + kTags[tag].name, runTimed([&] {
                       for (const std::string& key : keys) {
                           const int rc = t->seek(key);
                           check(ctx, rc, "seek");
                           missed += rc != xbase::kOk;
                       }
                   }),
                   seeks);
        if (missed > 0) {
            std::fprintf(stderr, "xbase_bench: %ld seeks in %s missed\n", missed, kTags[tag].name.c_str());
            return 1;
        }
    }

    // 5. top to bottom through each tag
    for (const xbase::TagDef& def : kTags) {
        check(ctx, t->selectTag(t->findTag(def.name)), "select " + def.name);
        long count = 0;
        const double ms = runTimed([&] {
            for (int rc = t->top(); !t->eof(); rc = t->skip(1)) {
                check(ctx, rc, "skip");
                ++count;
            }
        });
        printPhase("skip " + def.name, ms, count);
        if (count != n) {
            std::fprintf(stderr, "xbase_bench: %ld records through %s, expected %ld\n", count, def.name.c_str(), n);
            return 1;
        }
    }

    // 6. append a tenth more with the four tags open, exclusively; commit at the end
    printPhase("append with tags", runTimed([&] {
                   const Fields f(*t);
                   for (long i = 0; i < n / 10; ++i) appendRecord(ctx, *t, f, nextK++);
                   check(ctx, t->flush(), "commit");
                   closeTable(ctx, t);
               }),
               n / 10);

    // 7. shared: durable updates of scattered records, then durable appends
    t = open(ctx, 0, true);
    {
        const Fields f(*t);
        const long records = t->recCount();
        printPhase("shared updates", runTimed([&] {
                       for (long i = 1; i <= n / 10; ++i) {
                           check(ctx, t->go((i * 104729) % records + 1), "go");
                           check(ctx, f.cuno->assignLong(f.cuno->asLong() % 5000 + 1), "update");
                           check(ctx, f.idate->assignText(civilText(dayOfText(f.idate->text()) + 1)), "update");
                           check(ctx, t->flush(true), "commit");
                       }
                   }),
                   n / 10);
        printPhase("shared appends", runTimed([&] {
                       for (long i = 0; i < n / 100; ++i) {
                           appendRecord(ctx, *t, f, nextK++);
                           check(ctx, t->flush(true), "commit");
                       }
                   }),
                   n / 100);
    }
    closeTable(ctx, t);

    // 8. exclusive: delete every tenth record from the fifth, pack, rebuild, verify
    t = open(ctx, 1, true);
    long marked = 0;
    const double deleteMs = runTimed([&] {
        for (long r = 5; r <= t->recCount(); r += 10, ++marked) {
            check(ctx, t->go(r), "go");
            check(ctx, t->markDeleted(), "delete");
        }
    });
    printPhase("delete", deleteMs, marked);
    const long beforePack = t->recCount();
    printPhase("pack", runTimed([&] { check(ctx, t->pack(), "pack"); }), beforePack);
    const long records = t->recCount();
    printPhase("rebuild", runTimed([&] { check(ctx, t->createIndex(kTable, kTags), "rebuild"); }),
               records * long(kTags.size()));
    verifyTags(ctx, *t);
    closeTable(ctx, t);
    printSizes(records);
    return 0;
}
