// check: the header, the memo references and every tag of the group, each against the table itself.
#include <algorithm>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DbTool.h"
#include "DbfHeader.h"
#include "xbase/DbtFile.h"
#include "xbase/KeyExpr.h"
#include "xbase/Ntx.h"

namespace dbtool {

namespace {

constexpr int kVersionPlain = 0x03;
constexpr int kVersionMemo = 0x83;
constexpr int kEofMark = 0x1A;
constexpr int kDescriptorSize = 32;
// A badly damaged tag would print a line for every record; past this many the rest are counted.
constexpr int kFaultLinesPerTag = 50;

class Faults {
public:
    explicit Faults(std::ostream& out) : m_out(out) {}
    void add(const std::string& line) {
        m_out << line << "\n";
        ++m_count;
    }
    int count() const { return m_count; }

private:
    std::ostream& m_out;
    int m_count = 0;
};

std::string quoted(std::string_view bytes) { return "\"" + escapeBytes(bytes) + "\""; }

bool hasMemoField(const xbase::Table& table) {
    return std::any_of(table.fields().begin(), table.fields().end(), [](const xbase::Field* f) { return f->type() == 'M'; });
}

void checkHeader(const DbfHeader& h, const xbase::Table& table, const std::string& file, Faults& faults) {
    const bool memo = hasMemoField(table);
    if (h.version != kVersionPlain && h.version != kVersionMemo) {
        faults.add(file + ": unknown version byte " + std::to_string(h.version));
    } else if (memo && h.version != kVersionMemo) {
        faults.add(file + ": the table has memo fields but its version byte says it has no memo file");
    }
    if (h.updateMark != 0)
        faults.add(file + ": a change was interrupted (update mark set); the indexes may be behind the table: reindex");
    int recordLength = 1;
    for (const xbase::Field* f : table.fields()) recordLength += f->length();
    if (h.recordLength != recordLength) {
        faults.add(file + ": header gives record length " + std::to_string(h.recordLength) + ", the fields make " +
                   std::to_string(recordLength));
    }
    const int minHeader = kDescriptorSize * (1 + int(table.fields().size())) + 1;
    if (h.headerLength < minHeader || uint64_t(h.headerLength) > h.fileSize || recordLength <= 0) {
        faults.add(file + ": header length " + std::to_string(h.headerLength) + " does not fit the fields or the file");
        return;
    }
    const uint64_t data = h.fileSize - uint64_t(h.headerLength);
    const uint64_t held = data / uint64_t(recordLength);
    const uint64_t rest = data % uint64_t(recordLength);
    if (h.recordCount != held) {
        faults.add(file + ": header says " + std::to_string(h.recordCount) + " records, the file holds " +
                   std::to_string(held));
    }
    if (rest > 1 || (rest == 1 && h.lastByte != kEofMark)) {
        faults.add(file + ": the file ends with " + std::to_string(rest) + " bytes of a partial record");
    }
}

// Every memo reference must name a block inside the memo file whose memo ends before the file does.
void checkMemos(xbase::Context& ctx, xbase::Table& table, const TableRef& ref, Faults& faults) {
    if (!hasMemoField(table)) return;
    xbase::FileSystem& fs = ctx.fileSystem();
    const std::string memoPath = fs.resolve(ref.path(".dbt"));
    DbtHeader dbt;
    xbase::Status st = readDbtHeader(fs, memoPath, &dbt);
    std::unique_ptr<xbase::File> memoFile;
    if (st.ok()) st = fs.open(memoPath, xbase::Share::Shared, true, &memoFile);
    if (!st.ok()) {
        faults.add(st.message);
        return;
    }
    const uint64_t blocksHeld = (dbt.fileSize + kMemoBlockSize - 1) / kMemoBlockSize;
    if (dbt.nextFree < blocksHeld) {
        faults.add(memoPath + ": next free block " + std::to_string(dbt.nextFree) + " lies inside the " +
                   std::to_string(blocksHeld) + " blocks in use: new memos would overwrite old ones");
    } else if (dbt.nextFree > blocksHeld) {
        faults.add(memoPath + ": next free block " + std::to_string(dbt.nextFree) + " lies past the end of the " +
                   std::to_string(blocksHeld) + " blocks of the file");
    }
    for (long r = 1; r <= table.recCount(); ++r) {
        const int rc = table.go(r);
        if (rc != xbase::kOk) {
            ctx.errorCode();
            faults.add("record " + std::to_string(r) + ": " + ctx.lastStatus().message);
            return;
        }
        for (const xbase::Field* f : table.fields()) {
            if (f->type() != 'M') continue;
            const std::string where = "record " + std::to_string(r) + " field " + f->name() + ": ";
            const std::string text = f->text();
            uint32_t block = 0;
            if (!xbase::parseMemoRef(text, &block)) {
                faults.add(where + "memo reference " + quoted(text) + " is not a block number");
            } else if (block == 0) {
                continue;
            } else if (uint64_t(block) * kMemoBlockSize >= dbt.fileSize) {
                faults.add(where + "memo block " + std::to_string(block) + " lies beyond the end of " + memoPath);
            } else if (!memoHasEndMark(*memoFile, block)) {
                faults.add(where + "the memo at block " + std::to_string(block) + " has no end mark");
            } else {
                ctx.errorCode();
                f->memoText();
                if (ctx.errorCode() < 0) faults.add(where + ctx.lastStatus().message);
            }
        }
    }
}

std::vector<xbase::FieldLayout> layoutOf(const xbase::Table& table) {
    std::vector<xbase::FieldLayout> layout;
    int offset = 1;  // byte 0 is the deletion flag
    for (const xbase::Field* f : table.fields()) {
        layout.push_back({f->name(), f->type(), f->length(), f->decimals(), offset});
        offset += f->length();
    }
    return layout;
}

// The raw bytes of the current record, rebuilt from its fields.
std::string rawRecord(const xbase::Table& table) {
    std::string raw(1, table.isDeleted() ? '*' : ' ');
    for (const xbase::Field* f : table.fields()) {
        std::string text = f->text();
        text.resize(size_t(f->length()), ' ');  // the expression reads at fixed offsets
        raw += text;
    }
    return raw;
}

// One tag's walk compared with the keys its expression gives for every record.
class TagCheck {
public:
    TagCheck(const xbase::Tag& tag, std::vector<std::string> expected, Faults& faults)
        : m_tag(tag), m_expected(std::move(expected)), m_seen(m_expected.size(), 0), m_faults(faults) {}

    void visit(std::string_view key, uint32_t recno) {
        const std::string where = m_tag.name() + ": ";
        if (recno == 0 || recno >= m_expected.size()) {
            fault(where + "key " + quoted(key) + " points to record " + std::to_string(recno) + ", the table has " +
                  std::to_string(m_expected.size() - 1));
        } else {
            if (++m_seen[recno] == 2) fault(where + "record " + std::to_string(recno) + " has more than one key");
            if (key != m_expected[recno]) {
                fault(where + "record " + std::to_string(recno) + " has key " + quoted(key) + " but its expression gives " +
                      quoted(m_expected[recno]));
            }
        }
        if (m_entries > 0 && outOfOrder(key)) {
            fault(where + "key " + quoted(key) + " of record " + std::to_string(recno) + " follows the greater key " +
                  quoted(m_previous) + " of record " + std::to_string(m_previousRecno));
        }
        if (m_tag.unique()) m_stored.insert(std::string(key));
        m_previous.assign(key);
        m_previousRecno = recno;
        ++m_entries;
    }

    void finish() {
        for (size_t r = 1; r < m_seen.size(); ++r) {
            if (m_seen[r] != 0) continue;
            if (m_tag.unique() && m_stored.count(m_expected[r]) != 0) continue;  // an earlier record holds the key
            fault(m_tag.name() + ": record " + std::to_string(r) + " has no key");
        }
        if (m_hidden > 0) {
            m_faults.add(m_tag.name() + ": " + std::to_string(m_hidden) + " further faults not listed");
        }
    }

    void fault(const std::string& line) {
        if (m_shown < kFaultLinesPerTag) {
            m_faults.add(line);
            ++m_shown;
        } else {
            ++m_hidden;
        }
    }

private:
    bool outOfOrder(std::string_view key) const {
        const int c = std::string_view(m_previous).compare(key);  // unsigned byte order
        return m_tag.descending() ? c < 0 : c > 0;
    }

    const xbase::Tag& m_tag;
    std::vector<std::string> m_expected;  // by record number; [0] unused
    std::vector<uint8_t> m_seen;
    std::set<std::string> m_stored;  // unique tags: the keys present
    Faults& m_faults;
    std::string m_previous;
    uint32_t m_previousRecno = 0;
    uint64_t m_entries = 0;
    int m_shown = 0;
    int m_hidden = 0;
};

// The expected key of every record for each tag, in one pass over the table.
bool expectedKeys(xbase::Context& ctx, xbase::Table& table, const std::vector<std::unique_ptr<xbase::KeyExpr>>& exprs,
                  std::vector<std::vector<std::string>>* keys, Faults& faults) {
    keys->assign(exprs.size(), std::vector<std::string>(size_t(table.recCount()) + 1));
    std::string key;
    for (long r = 1; r <= table.recCount(); ++r) {
        if (table.go(r) != xbase::kOk) {
            ctx.errorCode();
            faults.add("record " + std::to_string(r) + ": " + ctx.lastStatus().message);
            return false;
        }
        const std::string raw = rawRecord(table);
        for (size_t t = 0; t < exprs.size(); ++t) {
            if (!exprs[t]) continue;
            exprs[t]->evaluate(reinterpret_cast<const uint8_t*>(raw.data()), &key);
            (*keys)[t][size_t(r)] = key;
        }
    }
    return true;
}

// The tag as an index the tool can walk: the table's own object, or the file opened a second time.
xbase::NtxIndex* walkable(xbase::Context& ctx, xbase::Tag* tag, std::unique_ptr<xbase::NtxIndex>* holder,
                          xbase::Status* status) {
    if (auto* index = dynamic_cast<xbase::NtxIndex*>(tag)) return index;
    const int rc = xbase::NtxIndex::open(ctx.fileSystem(), tag->fileName(), xbase::Share::Shared, true,
                                         tag->keyLength(), nullptr, holder, status);
    return rc < 0 ? nullptr : holder->get();
}

void checkTags(xbase::Context& ctx, xbase::Table& table, Faults& faults) {
    const std::vector<xbase::FieldLayout> layout = layoutOf(table);
    std::vector<std::unique_ptr<xbase::KeyExpr>> exprs(table.tags().size());
    for (size_t t = 0; t < exprs.size(); ++t) {
        const xbase::Tag* tag = table.tags()[t];
        std::string error;
        if (xbase::KeyExpr::compile(tag->expression(), layout, &exprs[t], &error) < 0) {
            faults.add(tag->name() + ": key expression " + quoted(tag->expression()) + ": " + error);
            exprs[t].reset();
        } else if (exprs[t]->keyLength() != tag->keyLength()) {
            faults.add(tag->name() + ": key length " + std::to_string(tag->keyLength()) + " differs from its expression's " +
                       std::to_string(exprs[t]->keyLength()));
            exprs[t].reset();
        }
    }
    std::vector<std::vector<std::string>> keys;
    if (!expectedKeys(ctx, table, exprs, &keys, faults)) return;
    for (size_t t = 0; t < exprs.size(); ++t) {
        if (!exprs[t]) continue;
        xbase::Tag* tag = table.tags()[t];
        std::unique_ptr<xbase::NtxIndex> holder;
        xbase::Status st;
        xbase::NtxIndex* index = walkable(ctx, tag, &holder, &st);
        if (index == nullptr) {
            faults.add(tag->name() + ": " + st.message);
            continue;
        }
        TagCheck check(*tag, std::move(keys[t]), faults);
        const int rc = index->walk([&](std::string_view key, uint32_t recno) { check.visit(key, recno); }, &st);
        if (rc < 0) check.fault(tag->name() + ": " + (st.message.empty() ? "index structure damaged" : st.message));
        check.finish();
    }
}

}  // namespace

int runCheck(const TableRef& ref, std::ostream& out, std::ostream& err) {
    (void)err;  // every finding, the engine's refusals included, is a fault line on out
    // A check never writes: the repairs an open makes (an interrupted append's memo pointer set
    // back, say) would hide the very faults it is there to report.
    xbase::FaultFileSystem readOnlyFiles(xbase::posixFileSystem());
    readOnlyFiles.setReadOnlyFiles(true);
    xbase::Context ctx(&readOnlyFiles, ref.dir);
    Faults faults(out);
    const std::string file = ctx.fileSystem().resolve(ref.path(".dbf"));
    DbfHeader header;
    const xbase::Status st = readDbfHeader(ctx.fileSystem(), file, &header);
    if (!st.ok()) {
        faults.add(st.message);
        return kExitFailed;
    }
    std::ostringstream openError;
    xbase::Table* table = openTable(ctx, ref, 0, false, openError);
    if (table != nullptr) {
        checkHeader(header, *table, file, faults);
        checkMemos(ctx, *table, ref, faults);
        ctx.closeAll();
        ctx.errorCode();
        table = openTable(ctx, ref, 0, true, openError);
        if (table != nullptr) checkTags(ctx, *table, faults);
    }
    if (table == nullptr) {
        std::string message = openError.str();
        if (!message.empty() && message.back() == '\n') message.pop_back();
        faults.add(message);
    }
    if (faults.count() > 0) return kExitFailed;
    out << "OK\n";
    return kExitOk;
}

}  // namespace dbtool
