#pragma once
// The journal of one save that spans several records and tables (an invoice with its lines, payments
// and customer note). Each step is written to a file beside the tables before the step reaches its
// table; the save ends by syncing the journal, then every table, then removing the journal. A save
// cut short by a kill or a power cut leaves the journal, and the next start undoes the steps it
// lists, so the records are wholly as they were before the save or wholly as it left them.
// On a database server the save is one transaction instead: no file, the server keeps it whole.
#include <memory>
#include <string>

#include "store/Catalogue.h"
#include "store/WriteResult.h"
#include "xbase/Engine.h"

namespace store {

class SaveJournal {
public:
    SaveJournal();
    ~SaveJournal();  // a journal neither committed nor discarded stays for the next start
    SaveJournal(const SaveJournal&) = delete;
    SaveJournal& operator=(const SaveJournal&) = delete;

    // REQUIRES: the table stands on the record, as stored. Before the save overwrites it.
    void overwriting(TableKey key, xbase::Table* table);
    // After the save marked the record deleted (undone by recalling it), or recalled it.
    void marked(TableKey key, long recNo);
    void recalled(TableKey key, long recNo);
    // After the save appended the record (undone by marking it deleted).
    void appended(TableKey key, long recNo);

    // The save stands: the journal, then every open table, are made durable and the journal goes.
    [[nodiscard]] WriteResult commit(TableKey key);
    // The save was undone in this run: nothing is left to undo.
    void discard();
    // On a database server: drops everything the save wrote (the tables reread their records) and
    // returns true. On DBF files it returns false: the caller puts each step back.
    bool rollBack();

private:
    void add(const std::string& entry);

    std::unique_ptr<xbase::File> m_file;
    uint64_t m_size = 0;
    xbase::Status m_error;  // the file could not be written: commit refuses rather than claim safety
    bool m_server = false;  // a transaction on the server instead of a file
    bool m_open = false;    // that transaction is still to be committed or rolled back
};

// At start-up: undoes the steps of a save that a kill or power cut interrupted, and makes that
// durable. A journal another running copy of the program holds is left alone. False when a step
// could not be undone (the user has been told).
bool UndoInterruptedSave();

}  // namespace store
