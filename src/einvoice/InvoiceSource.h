#pragma once
// Reads a stored invoice with everything its e-invoice needs, through the record layer: the invoice,
// its lines and payments (by the invoice number's tags), its customer, the seller's and the buyer's
// e-invoice records, and the settings' computed lines.
#include "einvoice/EInvoice.h"

namespace einvoice {

// Opens the tables ReadSource reads (creating the party table when the data has none). False when a
// table could not be opened (the open routine has told the user).
bool OpenSourceTables();

// The invoice numbered ivNo. False when there is no such invoice. REQUIRES: OpenSourceTables.
bool ReadSource(long ivNo, Source* source);

// The numbers of the invoices dated from firstDay to lastDay, in date order (through the date tag).
std::vector<long> InvoicesDated(double firstDay, double lastDay);

}  // namespace einvoice
