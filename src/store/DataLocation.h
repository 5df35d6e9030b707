#pragma once
// The run's data directory: one absolute path settled at start (from --data, --data-home, the
// first-start window, or the directory the program was started from) and handed down from here. The
// engine context, the data-file checks, backup and restore, the save journal, the mail log and the
// file dialogs' starting folder all resolve their names against it; nothing reads the process's
// working directory for data, and nothing changes it.
#include <QString>

namespace store {

// Makes dir (relative names count from the process's directory now) the run's data directory.
void SetDataDir(const QString& dir);
// The run's data directory, absolute and without a trailing separator; empty before one was set.
const QString& DataDir();
// name inside the data directory (an absolute name stays as it is).
QString DataFile(const QString& name);

}  // namespace store
