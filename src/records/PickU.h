#pragma once
// The pick-list launchers: one per table. Each refuses an empty table when no new record may be made,
// enables "New" exactly when allowed, shows the table's pick window and, when "New" was chosen, the
// table's record window for a new record.
//
// On return the table's selection variable (CurCustRec ...) holds the answer: the chosen or just created
// record (> 0) or -1 / 0 when nothing was chosen. Each returns true exactly when it is > 0; *created
// (optional) tells that the record was made in the record window just now.
// REQUIRES: the table open (customers, groups: also the tables their record windows need).
class QDialog;

namespace records {

bool PickCustomer(bool allowNew, bool* created = nullptr);  // TPickCust, then TCustomer
bool PickGroup(bool allowNew, bool* created = nullptr);     // TPickGroup, then TGroupDef
bool PickProduct(bool allowNew, bool* created = nullptr);   // TPickProd, then TProdDef
bool PickPurchase(bool allowNew, bool* created = nullptr);  // TPickPur, then TPurDef

// Invoices and label stocks have their record windows in later subsystems: the command that offers
// "New" passes the window it opens (shown modally on the selection variable 0). Without one, "New" is
// not offered.
bool PickInvoice(QDialog* newRecordWindow, bool* created = nullptr);  // TPickInv, then the invoice window
bool PickLabel(QDialog* newRecordWindow, bool* created = nullptr);    // TPickLab, then the label stock window

}  // namespace records
