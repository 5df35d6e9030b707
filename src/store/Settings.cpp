#include "store/Settings.h"

#include "base/Dialogs.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/TableHandles.h"

namespace store {

SettingsBuffer SettingsRec;

template <>
const std::vector<Binding<SettingsBuffer>>& BoundTo<SettingsBuffer, TableKey::Settings>::list() {
    using B = SettingsBuffer;
    static const std::vector<Binding<B>> list{
        {"FONTNAME", &B::FontName},     {"FONTSIZE", &B::FontSize},   {"LABID", &B::LabID},
        {"COMPANY", &B::Company},       {"ADDR1", &B::Addr1},         {"ADDR2", &B::Addr2},
        {"ADDR3", &B::Addr3},           {"ADDR4", &B::Addr4},         {"CLOLINE", &B::CloLine},
        {"SIGLINE", &B::SigLine},       {"LOGOFILE", &B::LogoFile},   {"LOGOHEIGHT", &B::LogoHeight},
        {"LOGOWIDTH", &B::LogoWidth},   {"SHIPLINE", &B::ShipLine},   {"TAXLINE", &B::TaxLine},
        {"SHIPTAX", &B::ShipTax},       {"TAXROUND", &B::TaxRound},   {"LHJUSTIFY", &B::LHJustify},
        {"TAXRATE1", &B::TaxRate1},     {"TAXRATE2", &B::TaxRate2},   {"TOPMARGIN", &B::TopMargin},
        {"BYCUST", &B::ByCust},         {"FIFO", &B::fifo},           {"GSTFIELD", &B::GSTField}};
    return list;
}

void LoadSettings() { ReadRecord(SettingsTable, &SettingsRec); }

WriteResult StoreSettings() {
    if (!SettingsTable) return WriteResult::EngineFailure(xbase::kErrRecord, TableKey::Settings);
    // The one record that matters is the first; a table emptied by other means gets it back rather
    // than losing the save.
    if (SettingsTable->recCount() == 0) {
        const int rc = SettingsTable->appendBlank();
        if (rc < 0) return WriteResult::EngineFailure(rc, TableKey::Settings);
    } else if (SettingsTable->recNo() != 1 || SettingsTable->eof()) {
        const int rc = SettingsTable->go(1);
        if (rc != xbase::kOk) return WriteResult::EngineFailure(rc, TableKey::Settings);
    }
    return StoreRecord(SettingsTable, SettingsRec);
}

WriteResult SaveSettings() {
    if (!OpenSettings()) return WriteResult::EngineFailure(xbase::kErrOpen, TableKey::Settings);
    WriteResult result = StoreSettings();
    if (result) result = SyncData(TableKey::Settings);
    CloseTable(SettingsTable);
    return result;
}

bool ChangeSettings(const SettingsBuffer& next, const QString& what) {
    const SettingsBuffer before = SettingsRec;
    SettingsRec = next;
    const WriteResult result = SaveSettings();
    if (result) return true;
    SettingsRec = before;
    base::ShowMessage(result.message(what));
    return false;
}

TagId CustomerOrderTag() { return SettingsRec.ByCust ? TagId::CustName : TagId::CustCompany; }

void ReadSettings() {
    if (!OpenSettings()) return;
    LoadSettings();
    CloseTable(SettingsTable);
}

}  // namespace store
