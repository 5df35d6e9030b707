// The handles of the open tables.
#include "store/TableHandles.h"

#include "store/Parties.h"

namespace store {

xbase::Table* SettingsTable = nullptr;
xbase::Table* CustTable = nullptr;
xbase::Table* GroupsTable = nullptr;
xbase::Table* InvTable = nullptr;
xbase::Table* ItmTable = nullptr;
xbase::Table* LabelsTable = nullptr;
xbase::Table* PmtTable = nullptr;
xbase::Table* ProdTable = nullptr;
xbase::Table* PurTable = nullptr;

namespace {

xbase::Table* g_impDirsTable = nullptr;  // open only inside LoadImportDirs / SaveImportDirs

}  // namespace

xbase::Table*& TableHandle(TableKey key) {
    switch (key) {
    case TableKey::Settings: return SettingsTable;
    case TableKey::Cust: return CustTable;
    case TableKey::Groups: return GroupsTable;
    case TableKey::Inv: return InvTable;
    case TableKey::Itm: return ItmTable;
    case TableKey::Labels: return LabelsTable;
    case TableKey::Pmt: return PmtTable;
    case TableKey::Prod: return ProdTable;
    case TableKey::Pur: return PurTable;
    case TableKey::Party: return PartyTable;
    case TableKey::ImpDirs: break;
    }
    return g_impDirsTable;
}

}  // namespace store
