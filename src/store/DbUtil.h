#pragma once
// Data-file maintenance (index rebuild, pack, erase) and backup and restore of the data files. Each
// operation switches the engine context's options for its duration, sets them back afterwards and
// reports through ShowStatus / ShowProgress; every question goes through the dialog facade.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "store/WriteResult.h"
#include "xbase/Engine.h"

namespace store {

// ---- Maintenance (REQUIRES: EngineInit) ------------------------------------------------------------

// Each maintenance step tells the user of a table it could not do, with the engine's reason, and goes
// on with the next table; each returns true when every table was done.

// Rebuilds the index groups. quick: only the tables with an index or group file missing, silently.
bool RebuildIndexes(bool quick);
// The full rebuild's status and progress, building only the index groups of the given tables, in the
// directory of context (the upgrade builds its converted tables' indexes where it stages them). 0, or
// the first failure's engine code with its detail in context.lastStatus() and *failed its table.
int RebuildIndexesIn(xbase::Context& context, const std::vector<TableKey>& tables, TableKey* failed);
// Rebuilds one table's indexes, with "Rebuilding Indexes" in the status bar: an open found them behind
// the table after an interrupted change, or damaged. Tells the user when it could not.
bool RepairIndexes(TableKey key);
// Opens a table in the context's current mode; indexes the open finds behind the table or damaged
// are rebuilt first (RepairIndexes). nullptr when it cannot be opened (the context holds why).
xbase::Table* OpenRepairing(TableKey key);
// Packs every table (memo files of CUST5, INV5 and Prod5 compacted); clears PackPending when all were.
bool PackAll();
// Packs one table opened exclusively, closing it on every road.
[[nodiscard]] WriteResult PackTable(TableKey key, bool compactMemo);
// The Reindex and Pack commands: the operation, then its outcome in the status bar.
void ReindexCommand();
void PackCommand();
// Empties the data tables after the user confirmed the warning; label stocks, settings and import
// directories stay. Cancel changes nothing (and returns false).
bool EraseAll();

// ---- Backup and restore ---------------------------------------------------------------------------

enum class CopyDirection { Backup, Restore };

// The data and memo files that a backup holds, in copy order.
const QStringList& BackupFiles();

// Copies every file of the backup set between the data directory and dir. A restore from a
// directory that is not on removable media first checks that the whole set is there, so that a
// partial set never replaces some tables and not others. True when every file was copied.
bool CopyDataFiles(CopyDirection direction, const QString& dir);
// Copies one file, asking for another disk when the target is full or write-protected (backup) and
// for the disk holding the file when a removable source lacks it (restore). The copy goes to a
// temporary name beside the target and is renamed over it, so a failed copy leaves the target as it
// was. dir ends with the separator. True when the file was copied.
bool CopyOneFile(CopyDirection direction, const QString& dir, const QString& name);

// The Backup and Restore commands after the chooser: chosen is the confirmed directory (empty when the
// user cancelled), current the data directory. Success ends with the outcome in the status bar, failure
// with a message. Restore asks before it replaces the working data (Cancel changes nothing) and rebuilds every index afterwards,
// whether the copy succeeded or not.
void BackupCommand(const QString& chosen, const QString& current);
void RestoreCommand(const QString& chosen, const QString& current);

// ---- The seam for tests ---------------------------------------------------------------------------

struct FileOps {
    // Copies from to to (creating or replacing to); 0 on success, else the errno of the failure
    // (ENOSPC full, EROFS or EACCES write-protected).
    std::function<int(const QString& from, const QString& to)> copy;
    // Whether a directory counts as a diskette.
    std::function<bool(const QString& dir)> isRemovable;
};
// The real operations.
FileOps SystemFileOps();
// Installs file operations and returns the previous ones.
FileOps SetFileOps(FileOps ops);
// The file operations in force.
const FileOps& CurrentFileOps();

}  // namespace store
