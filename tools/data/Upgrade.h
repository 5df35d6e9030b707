#pragma once
#include <QString>

// Converts the old tables in oldDir into the data directory dir and packs it; the exit code (0
// converted, 1 an old table missing or the conversion failed, with dir as it was).
int UpgradeMain(const QString& oldDir, const QString& dir);
