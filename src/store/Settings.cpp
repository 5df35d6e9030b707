#include "store/Settings.h"

#include "store/dbFiles.h"

namespace store {

SettingsBuffer SettingsRec;

void ReadSettingsRecord(xbase::Table* table, SettingsBuffer* b) {
    const RecordAccess r(table);
    b->FontName = r.text("FONTNAME");
    b->FontSize = r.asInt("FONTSIZE");
    b->LabID = r.text("LABID");
    b->Company = r.text("COMPANY");
    b->Addr1 = r.text("ADDR1");
    b->Addr2 = r.text("ADDR2");
    b->Addr3 = r.text("ADDR3");
    b->Addr4 = r.text("ADDR4");
    b->CloLine = r.text("CLOLINE");
    b->SigLine = r.text("SIGLINE");
    b->LogoFile = r.text("LOGOFILE");
    b->LogoHeight = r.asDouble("LOGOHEIGHT");
    b->LogoWidth = r.asDouble("LOGOWIDTH");
    b->ShipLine = r.text("SHIPLINE");
    b->TaxLine = r.text("TAXLINE");
    b->ShipTax = r.asInt("SHIPTAX");
    b->TaxRound = r.asInt("TAXROUND");
    b->LHJustify = r.asInt("LHJUSTIFY");
    b->TaxRate1 = r.decimal("TAXRATE1");
    b->TaxRate2 = r.decimal("TAXRATE2");
    b->TopMargin = r.asDouble("TOPMARGIN");
    b->ByCust = r.flag("BYCUST");
    b->fifo = r.flag("FIFO");
    b->GSTField = r.asInt("GSTFIELD");
}

void LoadSettings() { ReadSettingsRecord(SettingsTable, &SettingsRec); }

void WriteSettingsRecord(xbase::Table* table, const SettingsBuffer& b) {
    const RecordAccess r(table);
    r.setText("FONTNAME", b.FontName);
    r.setInt("FONTSIZE", b.FontSize);
    r.setText("LABID", b.LabID);
    r.setText("COMPANY", b.Company);
    r.setText("ADDR1", b.Addr1);
    r.setText("ADDR2", b.Addr2);
    r.setText("ADDR3", b.Addr3);
    r.setText("ADDR4", b.Addr4);
    r.setText("CLOLINE", b.CloLine);
    r.setText("SIGLINE", b.SigLine);
    r.setText("LOGOFILE", b.LogoFile);
    r.setDouble("LOGOHEIGHT", b.LogoHeight);
    r.setDouble("LOGOWIDTH", b.LogoWidth);
    r.setText("SHIPLINE", b.ShipLine);
    r.setText("TAXLINE", b.TaxLine);
    r.setInt("SHIPTAX", b.ShipTax);
    r.setInt("TAXROUND", b.TaxRound);
    r.setInt("LHJUSTIFY", b.LHJustify);
    r.setDecimal("TAXRATE1", b.TaxRate1);
    r.setDecimal("TAXRATE2", b.TaxRate2);
    r.setDouble("TOPMARGIN", b.TopMargin);
    r.setFlag("BYCUST", b.ByCust);
    r.setFlag("FIFO", b.fifo);
    r.setInt("GSTFIELD", b.GSTField);
}

void StoreSettings() {
    if (!SettingsTable) return;
    // The one record that matters is the first; a table emptied by other means gets it back rather
    // than losing the save.
    if (SettingsTable->recCount() == 0) SettingsTable->appendBlank();
    WriteSettingsRecord(SettingsTable, SettingsRec);
}

void SaveSettings() {
    if (!OpenSettings()) return;
    StoreSettings();
    CloseTable(SettingsTable);
}

void ReadSettings() {
    if (!OpenSettings()) return;
    LoadSettings();
    CloseTable(SettingsTable);
}

}  // namespace store
