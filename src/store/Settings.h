#pragma once
// The settings record: the preferences and the business's particulars, read once at start-up into one
// program-wide buffer that every window reads. Writers change a member and write the whole buffer back.
#include <QString>

#include "base/Decimal.h"
#include "xbase/Engine.h"

namespace store {

struct SettingsBuffer {
    QString FontName;  // blank: the main window's font
    int FontSize = 0;  // 0 or less: the main window's size
    QString LabID;
    QString Company, Addr1, Addr2, Addr3, Addr4;
    QString CloLine, SigLine;
    QString LogoFile;
    double LogoHeight = 0, LogoWidth = 0;
    QString ShipLine, TaxLine;
    int ShipTax = 1;    // tax 2 on tax 1: 1 no, 2 yes, 3 when the items are taxed
    int TaxRound = 1;   // 1 normal, 2 up, 3 down
    int LHJustify = 1;  // 1 left, 2 centre, 3 right
    base::Decimal TaxRate1, TaxRate2;  // percent
    double TopMargin = 0;
    bool ByCust = true;  // customers shown and sorted by name (false: by company)
    bool fifo = true;    // first in - first out valuation (false: last in - first out)
    int GSTField = 0;    // which computed line is the GST/VAT tax: 1, 2, or 0 none
};

extern SettingsBuffer SettingsRec;

// The fields of a table's current record into a buffer, and back (no commit): for code that holds a
// settings table of its own (the data tool, tests).
void ReadSettingsRecord(xbase::Table* table, SettingsBuffer* buffer);
void WriteSettingsRecord(xbase::Table* table, const SettingsBuffer& buffer);

// The current settings record into the buffer. REQUIRES: OpenSettings.
void LoadSettings();
// The buffer into the current settings record; the caller closes the table, which writes it.
// REQUIRES: OpenSettings.
void StoreSettings();
// The writers' pattern: OpenSettings, StoreSettings, close the settings table.
void SaveSettings();
// The start-up load: OpenSettings, LoadSettings, close the settings table.
void ReadSettings();

}  // namespace store
