#pragma once
// The invoice maintenance command of the main window: opens the six tables, then the invoice pick
// list (from the last invoice) and the invoice window in turn until the list is cancelled; closes the
// tables and packs them all when anything was deleted.
namespace invoicing {

void InvoiceCommand();
// The tax definition window, modally.
void TaxDefinitionCommand();

}  // namespace invoicing
