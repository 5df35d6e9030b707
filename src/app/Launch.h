#pragma once
// The run's data directory, settled before any window opens: the one named on the command line, the
// per-user one (with the first-start window when it is empty), or the directory it was started from.
#include "app/DataHome.h"
#include "app/DataLock.h"

namespace app {

// Settles the run's data directory (store::SetDataDir; the working directory stays as it is) and takes
// its lock. False when the run must end: the user cancelled the first-start window, or was told why
// (another copy holds the data).
bool EnterDataDirectory(const LaunchRequest& request, const DataHomePlaces& places, DataLock* lock);

// --check-install: one line per installed part ("help: DIR", "icons: ok"); 0 when all are there.
int CheckInstall(QString* report);

}  // namespace app
