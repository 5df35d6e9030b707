#pragma once
// Whether a directory holds the program's data tables.
#include <QString>

namespace store {

// True when the nine data tables exist in the data directory, store::DataDir() (names compared without
// regard to case).
bool DataFilesPresent();
// The same for another directory.
bool DataFilesPresent(const QString& dir);
// The first of the nine data tables missing from the data directory (or dir); empty when none is missing.
QString MissingDataFile(const QString& dir = QString());

}  // namespace store
