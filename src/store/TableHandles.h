#pragma once
// The handles of the open tables, one per catalogued table. Layers above the record layer reach the
// engine's table type through here, never through the engine's own headers.
#include "store/Catalogue.h"
#include "xbase/Engine.h"

namespace store {

// Valid from the open routine until the table is closed.
extern xbase::Table* SettingsTable;
extern xbase::Table* CustTable;
extern xbase::Table* GroupsTable;
extern xbase::Table* InvTable;
extern xbase::Table* ItmTable;
extern xbase::Table* LabelsTable;
extern xbase::Table* PmtTable;
extern xbase::Table* ProdTable;
extern xbase::Table* PurTable;

// The handle of a table (nullptr when it is not open).
xbase::Table*& TableHandle(TableKey key);

}  // namespace store
