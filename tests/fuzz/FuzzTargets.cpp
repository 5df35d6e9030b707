#include "FuzzTargets.h"

#include <algorithm>
#include <cstdlib>
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
        if (key != direct || key.size() != size_t(expr->keyLength())) std::abort();
    }
    return 0;
}

namespace {

// What the index must hold: (key, record) in order, a new key after all equal ones.
class OrderModel {
public:
    OrderModel(bool unique, bool descending) : m_unique(unique), m_descending(descending) {}
    void insert(const std::string& key, uint32_t recno) {
        auto at = std::find_if(m_pairs.begin(), m_pairs.end(), [&](const auto& p) { return before(key, p.first); });
        const bool present = std::any_of(m_pairs.begin(), m_pairs.end(), [&](const auto& p) { return p.first == key; });
        if (!(m_unique && present)) m_pairs.insert(at, {key, recno});
    }
    bool remove(const std::string& key, uint32_t recno) {
        auto it = std::find(m_pairs.begin(), m_pairs.end(), std::pair<std::string, uint32_t>(key, recno));
        if (it == m_pairs.end()) return false;
        m_pairs.erase(it);
        return true;
    }
    const std::vector<std::pair<std::string, uint32_t>>& pairs() const { return m_pairs; }

private:
    bool before(const std::string& a, const std::string& b) const { return m_descending ? b < a : a < b; }
    bool m_unique, m_descending;
    std::vector<std::pair<std::string, uint32_t>> m_pairs;
};

class PairSource : public xbase::KeySource {
public:
    explicit PairSource(std::vector<std::pair<std::string, uint32_t>> pairs) : m_pairs(std::move(pairs)) {}
    bool next(std::string* key, uint32_t* recno, int*) override {
        if (m_at >= m_pairs.size()) return false;
        *key = m_pairs[m_at].first;
        *recno = m_pairs[m_at++].second;
        return true;
    }

private:
    std::vector<std::pair<std::string, uint32_t>> m_pairs;
    size_t m_at = 0;
};

}  // namespace

int buildIndex(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t keyLength = size_t(data[0] % 16 + 1);
    const bool unique = data[1] & 1, descending = data[1] & 2;
    size_t built = data[2];
    std::vector<std::pair<std::string, uint32_t>> pairs;
    std::vector<uint8_t> kinds;
    for (size_t at = 3; at + keyLength + 2 <= size && pairs.size() < size_t(kMaxSteps); at += keyLength + 2) {
        kinds.push_back(data[at]);
        // Few distinct bytes, so that equal keys and duplicates are common.
        std::string key(reinterpret_cast<const char*>(data) + at + 1, keyLength);
        for (char& c : key) c = char('A' + static_cast<uint8_t>(c) % 4);
        pairs.emplace_back(key, uint32_t(data[at + keyLength + 1] % 64 + 1));
    }
    built = std::min(built, pairs.size());
    // The build sorts stably by key, as records read in record order give it.
    std::vector<std::pair<std::string, uint32_t>> first(pairs.begin(), pairs.begin() + long(built));
    OrderModel model(unique, descending);
    for (const auto& p : first) model.insert(p.first, p.second);
    auto fs = xbase::newMemoryFileSystem();
    PairSource source(first);
    std::unique_ptr<xbase::NtxIndex> ix;
    xbase::Status st;
    const xbase::NtxDefinition def{"T", "KEY", int(keyLength), 0, unique, descending};
    if (xbase::NtxIndex::create(*fs, "t.ntx", def, xbase::Share::Exclusive, source, nullptr, &ix, &st) < 0) std::abort();
    for (size_t i = built; i < pairs.size(); ++i) {
        const auto& [key, recno] = pairs[i];
        const auto& held = model.pairs();
        const auto victim = held.empty() ? pairs[i] : held[recno % held.size()];
        switch (kinds[i] % 3) {
        case 0:
            if (ix->insert(key, recno) < 0) std::abort();
            model.insert(key, recno);
            break;
        case 1:  // an entry that is there, or one that is not (refused)
            if ((ix->remove(victim.first, victim.second) == 0) != model.remove(victim.first, victim.second)) std::abort();
            break;
        default:
            if (!model.remove(victim.first, victim.second)) break;
            if (ix->replace(victim.first, key, victim.second) < 0) std::abort();
            model.insert(key, victim.second);
        }
    }
    std::vector<std::pair<std::string, uint32_t>> walked;
    if (ix->walk([&](std::string_view k, uint32_t r) { walked.emplace_back(std::string(k), r); }, &st) != 0) std::abort();
    // The keys' order is exact; equal keys are compared as a set of records.
    auto keysOf = [](const std::vector<std::pair<std::string, uint32_t>>& v) {
        std::vector<std::string> keys;
        for (const auto& p : v) keys.push_back(p.first);
        return keys;
    };
    if (keysOf(walked) != keysOf(model.pairs())) std::abort();
    auto a = walked, b = model.pairs();
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b) std::abort();
    return 0;
}

}  // namespace fuzz
