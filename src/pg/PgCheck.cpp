#include "pg/PgCheck.h"

#include "pg/PgTable.h"

namespace pg {

namespace {

int checkTable(xbase::Context& ctx, const std::string& name, std::ostream& out) {
    xbase::Table* t = ctx.openTable(name);
    if (!t) {
        out << ctx.lastStatus().message << "\n";
        return 1;
    }
    int faults = 0;
    const long n = t->recCount();
    for (xbase::Tag* tag : t->tags()) {
        const auto* pgTag = static_cast<PgTag*>(tag);
        t->selectTag(tag);
        t->setWalking(true);
        std::string before;
        long previous = 0, seen = 0;
        for (int rc = t->top(); rc == 0; rc = t->skip(1)) {
            const auto& row = static_cast<PgTable*>(t)->current();
            std::string key;
            pgTag->expr().evaluate(reinterpret_cast<const uint8_t*>(row.image.data()), &key);
            if (seen > 0 && (key < before || (key == before && row.recno < previous))) {
                out << "Tag " << tag->name() << " of " << name << ": record " << row.recno << " is out of order\n";
                ++faults;
            }
            before = key;
            previous = row.recno;
            ++seen;
        }
        t->setWalking(false);
        if (seen != n) {
            out << "Tag " << tag->name() << " of " << name << " holds " << seen << " of " << n << " records\n";
            ++faults;
        }
    }
    t->selectTag(nullptr);
    long expected = 1;
    for (int rc = t->top(); rc == 0; rc = t->skip(1), ++expected)
        if (t->recNo() != expected) {
            out << "Table " << name << ": record numbers skip from " << expected - 1 << " to " << t->recNo() << "\n";
            ++faults;
            break;
        }
    t->close();
    return faults;
}

}  // namespace

int checkServer(const std::string& uri, std::ostream& out) {
    xbase::Status status;
    std::unique_ptr<xbase::Context> ctx = openServerContext(uri, &status);
    if (!ctx) {
        out << status.message << "\n";
        return -1;
    }
    auto& conn = static_cast<PgDriver*>(ctx->driver())->connection();
    Result r = conn.exec("SELECT DISTINCT table_name FROM information_schema.columns WHERE table_schema = "
                         "current_schema() AND column_name = 'xb_recno' ORDER BY 1");
    if (!r.ok()) {
        out << "Cannot list the tables: " << r.message() << "\n";
        return -1;
    }
    int faults = 0;
    for (int i = 0; i < r.rows(); ++i) faults += checkTable(*ctx, std::string(r.value(i, 0)), out);
    return faults;
}

}  // namespace pg
