#pragma once
// The open routines: open as catalogued, select the default tag, go to the top (LastResult), fetch the
// field handles. A table that cannot be opened ends the program (false only when the exit hook returns).
#include "store/Catalogue.h"

namespace store {

bool OpenSettings();
bool OpenCust();
bool OpenGroups();
bool OpenInv();
bool OpenItm();
bool OpenLabels();
bool OpenPmt();
bool OpenProd();
bool OpenPur();
bool OpenByKey(TableKey key);
// The six tables an invoice is made of and shown with: customers, groups, invoices, lines, payments
// and products.
bool OpenInvoiceTables();

}  // namespace store
