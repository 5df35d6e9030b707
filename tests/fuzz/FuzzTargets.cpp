#include "FuzzTargets.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "xbase/Bytes.h"
#include "xbase/Engine.h"
#include "xbase/KeyExpr.h"
#include "xbase/Ntx.h"

namespace fuzz {

namespace {

// Far more than any seed holds; a hostile count must not make one input run for minutes.
constexpr long kMaxSteps = 2000;

void put(xbase::FileSystem& fs, const std::string& name, const uint8_t* data, size_t size) {
    std::unique_ptr<xbase::File> f;
    if (fs.create(name, xbase::Share::Exclusive, &f).ok() && size > 0) f->write(0, data, size);
}

void readRecord(xbase::Table& t) {
    for (xbase::Field* f : t.fields()) {
        (void)f->text();
        if (f->type() == 'M') (void)f->memoText();
        else if (f->type() == 'N') (void)f->asDouble();
    }
}

}  // namespace

int tableAndMemo(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const size_t dbfLength = std::min<size_t>(xbase::getU32(data), size - 4);
    auto fs = xbase::newMemoryFileSystem();
    put(*fs, "t.dbf", data + 4, dbfLength);
    put(*fs, "t.dbt", data + 4 + dbfLength, size - 4 - dbfLength);
    xbase::Context ctx(fs.get());
    ctx.setAutoOpen(0);
    ctx.setAccessMode(1);
    xbase::Table* t = ctx.openTable("t");
    if (!t) return 0;
    long steps = 0;
    for (int rc = t->top(); rc == 0 && steps < kMaxSteps; rc = t->skip(1), ++steps) readRecord(*t);
    for (int rc = t->bottom(); rc == 0 && steps < 2 * kMaxSteps; rc = t->skip(-1), ++steps) readRecord(*t);
    if (t->appendBlank() == 0) {
        for (xbase::Field* f : t->fields()) {
            if (f->type() == 'M') f->assignMemo("fuzz memo");
            else if (f->type() == 'C') f->assignText("fuzz");
        }
        t->flush();
    }
    if (t->recCount() < kMaxSteps) t->pack();
    ctx.closeAll();
    return 0;
}

int index(const uint8_t* data, size_t size) {
    auto fs = xbase::newMemoryFileSystem();
    put(*fs, "i.ntx", data, size);
    std::unique_ptr<xbase::NtxIndex> ix;
    xbase::Status st;
    if (xbase::NtxIndex::open(*fs, "i.ntx", xbase::Share::Exclusive, false, 0, nullptr, &ix, &st) < 0) return 0;
    long steps = 0;
    ix->walk([&](std::string_view, uint32_t) { ++steps; }, &st);
    uint32_t recno = 0;
    steps = 0;
    for (int rc = ix->first(&recno); rc == 0 && steps < kMaxSteps; rc = ix->next(&recno)) ++steps;
    for (int rc = ix->last(&recno); rc == 0 && steps < 2 * kMaxSteps; rc = ix->prev(&recno)) ++steps;
    const std::string key(size_t(ix->keyLength()), 'M');
    ix->seek(key.substr(0, 1), &recno);
    ix->goPosition(0.5, &recno);
    if (ix->insert(key, 7) == 0) ix->remove(key, 7);
    ix->flush(false);
    return 0;
}

int keyExpression(const uint8_t* data, size_t size) {
    const std::vector<xbase::FieldLayout> fields = {
        {"NAME", 'C', 20, 0, 1}, {"CNO", 'N', 6, 0, 21}, {"DUE", 'N', 10, 2, 27},
        {"IDATE", 'D', 8, 0, 37}, {"PAID", 'L', 1, 0, 45}, {"NOTES", 'M', 10, 0, 46},
    };
    std::unique_ptr<xbase::KeyExpr> expr;
    std::string why;
    if (xbase::KeyExpr::compile(std::string_view(reinterpret_cast<const char*>(data), size), fields, &expr, &why) != 0)
        return 0;
    const std::string blank(56, ' ');
    const std::string filled = " Smith               123456   -12.5020240229T         7";
    std::string key;
    for (const std::string* rec : {&blank, &filled}) {
        expr->evaluate(reinterpret_cast<const uint8_t*>(rec->data()), &key);
        std::string direct(size_t(expr->keyLength()), '\0');
        expr->evaluate(reinterpret_cast<const uint8_t*>(rec->data()), direct.data());
    }
    return 0;
}

}  // namespace fuzz
