#include "store/SaveJournal.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "base/Dialogs.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace store {
namespace {

// Entries, one a line: "O <table> <recno> <deleted> <fields>" followed by each field's stored text as
// "<length>:<bytes>" (memo fields their text), "M|R|A <table> <recno>" for a record marked, recalled
// or appended; "C 0 0" once every table is on the disk (the save stands: nothing to undo).
const char* kJournalName = "SAVE.jnl";

std::string journalPath() {
    const std::string& dir = Engine().directory();
    return dir.empty() ? kJournalName : dir + "/" + kJournalName;
}

struct Entry {
    char kind = 0;
    TableKey key = TableKey::Settings;
    long recNo = 0;
    bool deleted = false;
    std::vector<std::string> fields;
};

// Reads entries up to the first one cut short (the steps after it never reached a table).
std::vector<Entry> parse(const std::string& text) {
    std::vector<Entry> entries;
    std::istringstream in(text);
    for (;;) {
        Entry e;
        int key = 0;
        size_t count = 0;
        in >> e.kind >> key >> e.recNo;
        if (!in) break;
        e.key = TableKey(key);
        if (e.kind == 'O') {
            int deleted = 0;
            in >> deleted >> count;
            e.deleted = deleted != 0;
            for (size_t i = 0; in && i < count; ++i) {
                size_t length = 0;
                char colon = 0;
                in >> length >> colon;
                std::string bytes(length, '\0');
                if (colon != ':' || !in.read(bytes.data(), std::streamsize(length))) return entries;
                e.fields.push_back(std::move(bytes));
            }
            if (!in || e.fields.size() != count) break;
        }
        if (in.get() != '\n') break;
        entries.push_back(std::move(e));
    }
    return entries;
}

// Puts one step back. REQUIRES: the entry's table open.
int undo(const Entry& e) {
    xbase::Table* table = TableHandle(e.key);
    int rc = table->go(e.recNo);
    if (rc != xbase::kOk) return e.kind == 'A' ? int(xbase::kOk) : rc;  // an append that never landed
    switch (e.kind) {
    case 'O': {
        const std::vector<xbase::Field*>& fields = table->fields();
        for (size_t i = 0; rc == xbase::kOk && i < fields.size() && i < e.fields.size(); ++i)
            rc = fields[i]->assignText(e.fields[i]);  // a memo field takes its text
        if (rc == xbase::kOk && e.deleted != table->isDeleted()) rc = e.deleted ? table->markDeleted() : table->recall();
        break;
    }
    case 'M': rc = table->isDeleted() ? table->recall() : int(xbase::kOk); break;
    case 'R':
    case 'A':
        rc = table->isDeleted() ? int(xbase::kOk) : table->markDeleted();
        PackPending = true;
        break;
    default: return xbase::kErrArgument;
    }
    return rc == xbase::kOk ? table->flush(false) : rc;
}

}  // namespace

SaveJournal::SaveJournal() {
    if (Engine().driver()) {
        m_server = true;
        const int rc = Engine().begin();
        m_open = rc == xbase::kOk;
        if (!m_open) m_error = Engine().lastStatus();
        return;
    }
    xbase::FileSystem& fs = Engine().fileSystem();
    // Held exclusively until it goes, so that another copy of the program never undoes a save that runs.
    m_error = fs.create(journalPath(), xbase::Share::Exclusive, &m_file);
}

SaveJournal::~SaveJournal() {
    if (m_open) rollBack();  // a save left neither committed nor undone leaves nothing on the server
}

bool SaveJournal::rollBack() {
    if (!m_server) return false;
    if (m_open) Engine().rollback();
    m_open = false;
    return true;
}

void SaveJournal::add(const std::string& entry) {
    if (!m_error.ok() || !m_file) return;
    m_error = m_file->write(m_size, entry.data(), entry.size());
    m_size += entry.size();
}

void SaveJournal::overwriting(TableKey key, xbase::Table* table) {
    std::string entry = "O " + std::to_string(int(key)) + " " + std::to_string(table->recNo()) + " " +
                        (table->isDeleted() ? "1 " : "0 ") + std::to_string(table->fields().size());
    for (const xbase::Field* f : table->fields()) {
        const std::string bytes = f->type() == 'M' ? f->memoText() : f->text();
        entry += " " + std::to_string(bytes.size()) + ":" + bytes;
    }
    add(entry + "\n");
}

void SaveJournal::marked(TableKey key, long recNo) { add("M " + std::to_string(int(key)) + " " + std::to_string(recNo) + "\n"); }
void SaveJournal::recalled(TableKey key, long recNo) { add("R " + std::to_string(int(key)) + " " + std::to_string(recNo) + "\n"); }
void SaveJournal::appended(TableKey key, long recNo) { add("A " + std::to_string(int(key)) + " " + std::to_string(recNo) + "\n"); }

WriteResult SaveJournal::commit(TableKey key) {
    if (m_server) {
        if (!m_open) return WriteResult::FileFailure(m_error, key);
        m_open = false;
        if (const int rc = Engine().commit(); rc != xbase::kOk) return WriteResult::EngineFailure(rc, key);
        return {};
    }
    if (!m_error.ok() || !m_file) return WriteResult::FileFailure(m_error, key);
    if (xbase::Status s = m_file->sync(); !s.ok()) return WriteResult::FileFailure(s, key);
    WriteResult synced = SyncData(key);
    if (!synced) return synced;  // the journal stays: the next start undoes the save
    // The save stands from the moment this line is on the disk: a journal whose removal a power cut
    // undid is then recognised as done.
    add("C 0 0\n");
    if (m_error.ok()) m_error = m_file->sync();
    if (!m_error.ok()) return WriteResult::FileFailure(m_error, key);
    discard();
    return {};
}

void SaveJournal::discard() {
    if (!m_file) return;
    m_file.reset();
    Engine().fileSystem().remove(journalPath());
}

bool UndoInterruptedSave() {
    if (Engine().driver()) return true;  // the server rolled back whatever a save left open
    xbase::FileSystem& fs = Engine().fileSystem();
    const std::string path = journalPath();
    if (!fs.exists(path)) return true;
    std::unique_ptr<xbase::File> file;
    if (!fs.open(path, xbase::Share::Exclusive, false, &file).ok()) return true;  // a save that runs
    uint64_t size = 0;
    std::string text;
    if (file->size(&size).ok()) {
        text.resize(size_t(size));
        size_t got = 0;
        if (!file->read(0, text.data(), text.size(), &got).ok()) got = 0;
        text.resize(got);
    }
    file.reset();
    std::vector<Entry> entries = parse(text);
    if (std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return e.kind == 'C'; })) entries.clear();
    bool ok = true;
    for (auto it = entries.rbegin(); ok && it != entries.rend(); ++it) {
        const bool open = TableHandle(it->key) != nullptr || OpenByKey(it->key);
        const int rc = open ? undo(*it) : int(xbase::kErrOpen);
        if (rc != xbase::kOk) {
            base::ShowMessage(WriteResult::EngineFailure(rc, it->key).message(QStringLiteral("The interrupted save")));
            ok = false;
        }
    }
    if (ok && !entries.empty()) ok = SyncData(entries.front().key).ok();
    CloseAll();
    if (ok) fs.remove(path);
    return ok;
}

}  // namespace store
