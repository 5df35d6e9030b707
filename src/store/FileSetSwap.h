#pragma once
// Renames a set of files inside one directory all or none, across a kill or a power cut, the way the
// engine swaps a table's files: the moves are written and synced as an intent record before the first
// rename, and the next start of the program or of a tool finishes a set the record names in full (or
// drops one whose record was cut short, before any rename happened).
#include <QString>

#include <vector>

namespace store {

// One rename; both names relative to the directory (a name may lie in a folder inside it).
struct FileMove {
    QString from;
    QString to;
};

// Every file of the set must already be on the disk (synced). Empty when every move happened, else
// why not; a failed set is undone, or finished at the next start when even that fails.
QString SwapFileSet(const QString& dir, const std::vector<FileMove>& moves);

// Finishes or drops a set an interruption left in dir, and removes the staging folders of upgrades
// that never reached their moves. lockHeld: the caller holds dir's data lock; otherwise the lock is
// taken for the repair and nothing is done while another copy of the program holds it.
void FinishInterruptedSwap(const QString& dir, bool lockHeld);

// True while a set is in flight in dir, or was left there by an interruption.
bool SwapPending(const QString& dir);

// The staging folders of upgrades are named with this prefix inside the data directory.
QString StagingPrefix();

// Makes a file's bytes or a directory's entries durable; false when the system refused.
bool SyncPath(const QString& path);

}  // namespace store
