#pragma once
// Writes a data directory: the delivered empty tables of the catalogue with one settings record of
// defaults and one import-directory record, optionally a demo business, then their index files.
// The data tool and the tests make their directories with it.
#include <QString>

#include <cstdint>

#include "store/Settings.h"

namespace store {

struct DataDirOptions {
    bool demo = false;
    long customers = 50;   // demo only
    long invoices = 300;   // demo only
    uint64_t seed = 1;     // the same seed and date give the same files
    double asOf = 0;       // the day the demo's twelve months end on; 0 = today
};

// The largest counts the numbered keys can hold (six digits; invoices are numbered from 1001).
inline constexpr long kMaxCustomers = 999999;
inline constexpr long kMaxInvoices = 999999 - 1000;

// The settings a fresh install starts with.
SettingsBuffer DefaultSettings();

// True when dir holds any table of the catalogue (names compared without regard to case).
bool DataDirExists(const QString& dir);
// Removes every file of the catalogue's tables from dir (tables, memos, groups, indexes).
bool RemoveDataFiles(const QString& dir, QString* error);

// Writes the tables into dir (which must exist; existing tables of the catalogue are replaced) and
// builds their indexes. Returns 0, or the engine's negative code with *error saying what failed.
int WriteDataDir(const QString& dir, const DataDirOptions& options, QString* error = nullptr);

}  // namespace store
