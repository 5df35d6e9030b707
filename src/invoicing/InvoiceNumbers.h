#pragma once
// Invoice numbering: the number a new invoice is shown with while it is written, and the number it is
// given when it is first saved (asking for the first number of an empty invoice table).
// REQUIRES: INV5 open (the invoice command opens it).

namespace invoicing {

// Invoice numbers are stored in six places.
inline constexpr long kMaxInvoiceNumber = 999999;

// The number a new invoice gets: the last invoice's number + 1 in the selected order of the open
// invoice table (1 for an empty table).
long NextInvoiceNumber();

// The number a new invoice gets when it is saved: the next number, after asking for the starting
// number when the table holds no invoice yet. 0 when no number up to kMaxInvoiceNumber is left (the
// user has been told).
long NumberForNewInvoice();
// The first-invoice prompt: a whole number from 1 to kMaxInvoiceNumber; an answer that is not a whole
// number, and Cancel, give 1; a whole number out of range is refused and asked again.
long AskFirstInvoiceNumber();

}  // namespace invoicing
