#pragma once
// The settings record: the preferences and the business's particulars, read once at start-up into one
// program-wide buffer that every window reads. Writers change a member and write the whole buffer back.
#include <QString>

#include "base/Decimal.h"
#include "store/Binding.h"
#include "store/WriteResult.h"
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

template <>
struct BindingOf<SettingsBuffer> : BoundTo<SettingsBuffer, TableKey::Settings> {};

// The current settings record into the buffer. REQUIRES: OpenSettings.
void LoadSettings();
// The buffer into the first settings record, written at once (all or nothing). REQUIRES: OpenSettings.
[[nodiscard]] WriteResult StoreSettings();
// The writers' pattern: OpenSettings, StoreSettings, close the settings table.
[[nodiscard]] WriteResult SaveSettings();
// What a window's Save does: writes next and makes it the program's settings, or, when it cannot be
// written, tells the user (naming what) and keeps the settings as they were. True when saved.
bool ChangeSettings(const SettingsBuffer& next, const QString& what);
// The order customers are shown, picked and started in: by name, or by company (the settings' ByCust).
TagId CustomerOrderTag();

// The computed line that is the GST/VAT tax (GSTField). Its rate and caption are computed line 1's when
// GSTField is 1 and line 2's otherwise; a payment made on an invoice is taken to include the tax only
// when GSTField names a line (1 or 2) and that line's amount is above 0.
struct GstLine {
    bool named = false;   // GSTField is 1 or 2
    bool first = false;   // GSTField is 1
    base::Decimal rate;   // percent
    QString caption;      // trimmed
    // The line's amount of an invoice's two: ship for line 1, tax otherwise.
    const base::Decimal& amountOf(const base::Decimal& ship, const base::Decimal& tax) const {
        return first ? ship : tax;
    }
    // Whether a new payment of an invoice with these amounts starts as including the tax.
    bool chargedOn(const base::Decimal& ship, const base::Decimal& tax) const {
        return named && amountOf(ship, tax) > base::Decimal();
    }
};
GstLine GstLineOf(const SettingsBuffer& s = SettingsRec);

// The start-up load: OpenSettings, LoadSettings, close the settings table.
void ReadSettings();

}  // namespace store
