#pragma once
// The demo business: customers in four groups, products (some kept in stock, with purchases),
// invoices over the last twelve months with their lines and payments (some still owing), two label
// stocks and a letterhead. Deterministic from the seed and the closing day.
#include "store/DataDir.h"
#include "xbase/Engine.h"

namespace store {

struct DemoTables {
    xbase::Table* cust = nullptr;
    xbase::Table* groups = nullptr;
    xbase::Table* inv = nullptr;
    xbase::Table* itm = nullptr;
    xbase::Table* pmt = nullptr;
    xbase::Table* prod = nullptr;
    xbase::Table* pur = nullptr;
    xbase::Table* labels = nullptr;
    xbase::Table* party = nullptr;  // e-invoice data; none written when null
};

// The letterhead and label choice of the demo business.
void DemoLetterhead(SettingsBuffer* settings);

// Appends the demo records to the (empty, open) tables. options.asOf must be set.
// Returns 0 or the first failed append's code.
int WriteDemoBusiness(const DemoTables& tables, const DataDirOptions& options, const SettingsBuffer& settings);

// How many products and purchases the demo writes for a number of invoices.
long DemoProductCount(long invoices);

}  // namespace store
