#pragma once
// The import directories, kept in a table of one record.
#include <QString>

#include "store/WriteResult.h"

namespace store {

// The import directories (read trimmed, stored cut to 126 characters).
extern QString InfoDir, OrderDir;

void LoadImportDirs();
[[nodiscard]] WriteResult SaveImportDirs();

}  // namespace store
