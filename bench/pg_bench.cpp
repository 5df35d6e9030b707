// pg_bench: the database server driver on large tables, in the engine's own terms. A customer table
// of CUSTOMERS records (1,000,000 by default) ordered by name: the last page shown (bottom and 19
// steps back), Page Down (20 steps), a walk over every record; and a 100-line save (one transaction)
// into a line table of LINES records (800,000 by default, the lines of 200,000 invoices).
//   pg_bench URI [CUSTOMERS] [LINES]
// The tables are made on the server once (rows generated there) and reused while their sizes match.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "pg/PgDriver.h"
#include "store/Catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(const std::function<void()>& fn) {
    const auto start = Clock::now();
    fn();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool ensure(xbase::Context& ctx, const store::TableEntry& t, long rows, const std::string& fill) {
    ctx.setAutoOpen(0);
    xbase::Table* table = ctx.openTable(t.name);
    ctx.setAutoOpen(1);
    if (table && table->recCount() == rows) return table->close() == 0;
    if (table) table->close();
    std::printf("making %s with %ld records ...\n", t.name, rows);
    std::fflush(stdout);
    table = ctx.createTable(t.name, store::FieldDefs(t));
    if (!table) return false;
    auto& conn = static_cast<pg::PgDriver*>(ctx.driver())->connection();
    if (!conn.exec(fill, {std::to_string(rows)}).ok()) return false;
    return table->createIndex(t.name, store::TagDefs(t)) == 0 && table->close() == 0;
}

void report(const char* what, double millis, const xbase::IoCounters& io) {
    std::printf("%-34s %10.2f ms %10llu records %6llu round trips\n", what, millis,
                static_cast<unsigned long long>(io.recordsRead), static_cast<unsigned long long>(io.indexPagesRead));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pg_bench URI [CUSTOMERS] [LINES]\n");
        return 2;
    }
    const long customers = argc > 2 ? std::atol(argv[2]) : 1000000;
    const long lines = argc > 3 ? std::atol(argv[3]) : 800000;
    xbase::Status status;
    std::unique_ptr<xbase::Context> ctx = pg::openServerContext(argv[1], &status);
    if (!ctx || pg::prepareDatabase(*ctx) != 0) {
        std::fprintf(stderr, "pg_bench: %s\n", ctx ? ctx->lastStatus().message.c_str() : status.message.c_str());
        return 1;
    }
    const store::TableEntry& cust = store::Table(store::TableKey::Cust);
    const store::TableEntry& itm = store::Table(store::TableKey::Itm);
    if (!ensure(*ctx, cust, customers,
                "INSERT INTO cust5 (xb_recno, cuno, first, last, addr1, zip) SELECT g, g % 999999 + 1, 'Ada', "
                "(ARRAY['Smith','smith','Okafor','\xC9' || 'cole','Brown','Zed'])[g % 6 + 1] || (g * 7919 % 1000003), "
                "'Firm ' || (g % 5000), lpad((g % 99999)::text, 5, '0') FROM generate_series(1, $1::bigint) g") ||
        !ensure(*ctx, itm, lines,
                "INSERT INTO itm5 (xb_recno, ivno, prid, qty, upr, pdesc) SELECT g, g / 4 + 1001, 'PEN-B', g % 9 + 1, "
                "2.50, 'line ' || g FROM generate_series(1, $1::bigint) g")) {
        std::fprintf(stderr, "pg_bench: %s\n", ctx->lastStatus().message.c_str());
        return 1;
    }
    xbase::Table* t = ctx->openTable(cust.name);
    if (!t || store::SelectTag(t, store::TagId::CustName) != 0) return 1;
    xbase::IoCounters& io = ctx->counters();
    for (int round = 0; round < 3; ++round) {
        io.reset();
        const double last = ms([&] {
            t->bottom();
            for (int i = 0; i < 19; ++i) t->skip(-1);
        });
        if (round == 2) report("show on the last page", last, io);
        t->top();
        for (int i = 0; i < 19; ++i) t->skip(1);
        io.reset();
        const double down = ms([&] {
            for (int i = 0; i < 20; ++i) t->skip(1);
        });
        if (round == 2) report("Page Down", down, io);
        io.reset();
        const double seek = ms([&] { t->seek("OKAFOR5"); });
        if (round == 2) report("seek", seek, io);
    }
    io.reset();
    long walked = 0;
    const double walk = ms([&] {
        t->setWalking(true);
        for (int rc = t->top(); rc == 0; rc = t->skip(1)) ++walked;
        t->setWalking(false);
    });
    report(("walk of " + std::to_string(walked) + " in name order").c_str(), walk, io);
    t->close();

    xbase::Table* items = ctx->openTable(itm.name);
    if (!items) return 1;
    double best = 1e9, total = 0;
    const int saves = 10;
    for (int s = 0; s < saves; ++s) {
        io.reset();
        const double one = ms([&] {
            ctx->begin();
            for (int i = 0; i < 100; ++i) {
                items->appendBlank();
                items->field("IVNO")->assignLong(900000 + s);
                items->field("PRID")->assignText("PEN-B");
                items->field("QTY")->assignLong(i + 1);
                items->field("UPR")->assignText("2.50");
                items->flush(false);
            }
            ctx->commit();
        });
        best = std::min(best, one);
        total += one;
    }
    std::printf("%-34s %10.2f ms best, %.2f ms mean\n", "save of 100 lines (a transaction)", best, total / saves);
    // The saves are taken away again, so that a second run finds the table as made.
    auto& conn = static_cast<pg::PgDriver*>(ctx->driver())->connection();
    conn.exec("DELETE FROM itm5 WHERE xb_recno > $1", {std::to_string(lines)});
    return 0;
}
