// The import directories' table of one record.
#include "store/ImportDirs.h"

#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace store {

QString InfoDir, OrderDir;

namespace {

// Opens the import-directory table on its first record (appending one to an empty table, so that a
// save is never lost). nullptr after FatalOpenError has returned.
xbase::Table* openImportDirs() {
    if (!OpenByKey(TableKey::ImpDirs)) return nullptr;
    return TableHandle(TableKey::ImpDirs);
}

}  // namespace

void LoadImportDirs() {
    InfoDir.clear();
    OrderDir.clear();
    xbase::Table* table = openImportDirs();
    if (!table) return;
    if (LastResult == xbase::kOk) {
        ImpDirsBuffer dirs;
        ReadRecord(table, &dirs);
        InfoDir = dirs.InfoDir.trimmed();
        OrderDir = dirs.OrderDir.trimmed();
    }
    CloseTable(TableHandle(TableKey::ImpDirs));
}

WriteResult SaveImportDirs() {
    xbase::Table* table = openImportDirs();
    if (!table) return WriteResult::EngineFailure(xbase::kErrOpen, TableKey::ImpDirs);
    WriteResult result;
    if (LastResult != xbase::kOk) {
        LastResult = table->appendBlank();
        if (LastResult < 0) result = WriteResult::EngineFailure(LastResult, TableKey::ImpDirs);
    }
    if (result.ok()) result = StoreRecord(table, ImpDirsBuffer{InfoDir, OrderDir});
    CloseTable(TableHandle(TableKey::ImpDirs));
    return result;
}

}  // namespace store
