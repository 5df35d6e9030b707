#pragma once
// The report commands of the main window and the invoice window. Each asks the user for its selection
// (TDateSpan, or a pick list again and again), has the generators build the report buffer from the
// answers, and shows the report window on it.
#include "reports/ReportList.h"
#include "reports/RptGen.h"

namespace reports {

// Invoices or bills: for a date span, or picked one by one from the invoice list. Opens the invoice
// tables and closes every table at the end.
void PrintInvoices(bool byPicking, DocKind kind);
// Account statements: customers owing in a date span, or customers picked one by one.
void PrintStatements(bool byPicking);
// The invoice window's "Print": the invoice being edited (its working set) as a tax invoice. The
// window's tables stay open.
void PrintCurrentInvoice(const store::InvoiceWorkingSet& invoice);
// The invoice window's "Email": the same document, its PDF attached, in the e-mail window.
void EmailCurrentInvoice(const store::InvoiceWorkingSet& invoice);
// The e-mail window on the documents of the buffer (the report window's "Email").
void EmailReport();

// A report of the table, its choices asked first: the product (the product pick list), the date
// (today offered) or the span (the current month offered), as the report asks.
void RunReport(ReportId id);

// The customer profile of the groups chosen in TMultGroup, or of customers picked one by one from the
// customer pick list until it is cancelled.
void PrintCustomerProfile(bool byGroups);

// Shows the report window on the buffer when it has lines, then discards the buffer.
void ShowReport();

}  // namespace reports
