#pragma once
// The customer documents: tax invoices, bills and account statements, built into the report buffer
// with the business letterhead. The choices they are built from (a date span, the invoices or customers
// picked one by one) are asked by the report commands (ReportCommands) and handed in; the generators
// themselves hold no widgets and show nothing but their one message.
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Decimal.h"
#include "store/WorkingSet.h"

namespace reports {

enum class DocKind { Invoice, Bill };

// ---- The documents of the report commands. REQUIRES: the invoice tables open (OpenInvoiceTables). ----

// StartDate and EndDate := the span the date dialog offers first: today for invoices, the current month
// for bills.
void SetDocumentSpan(DocKind kind);
// A fresh document table with the invoices dated start to end; as bills only those with Due > 0.
void AddInvoicesInSpan(DocKind kind, double start, double end);
// A fresh document table for invoices picked one by one, CurInvoiceRec on the last invoice. With no
// invoice: "No invoices to select.", the buffer discarded and false.
bool BeginPickedInvoices();
// The invoice at rec, loaded into the working set, as one more document.
void AddPickedInvoice(DocKind kind, long rec);
// A fresh statement table with a statement for every customer (postcode order) owing on invoices dated
// start to end, those invoices its rows.
void AddStatementsWithBalances(double start, double end);
// A fresh statement table for customers picked one by one, CurCustRec on the first by name (-1: none).
void BeginPickedStatements();
// The customer at rec with every invoice of theirs as one more statement; nothing when they have none.
void AddPickedStatement(long rec);

// Sets ReportWidth 73, CellsPerLine 12, BeginReport and the directives and headings of the table.
void SetupDocumentTable();
// Adds one document for the invoice of a working set (its buffer, lines, payments and address block).
void AddInvoiceDocument(DocKind kind, const store::InvoiceWorkingSet& invoice = store::CurrentInvoice);
// The title a document gets: "Tax Invoice", or for bills "Bill" when Due > 0 and "Statement" otherwise.
QString DocumentTitle(DocKind kind, const base::Decimal& due);

// Sets ReportWidth 59, CellsPerLine 12, BeginReport, the title, directives and headings of statements.
void SetupStatementTable();
// One statement row for the invoice at CurInvoiceRec (loads it into the program-wide working set, its
// customer with it): number, date, charges, payments, due.
QStringList StatementRow();
// Adds one customer's statement (address from AddressBlock) from the rows.
void AddStatement(const QList<QStringList>& rows);

// The letterhead block from the settings record. The top margin and the logo's room are counted in
// lines of the renderer's line advance on PageDevice(), so they print as many inches as the settings say.
void AddLetterhead();
// The letterhead prefix for the settings' justification at ReportWidth: "L00", "C36", "R73".
QString LetterheadPrefix(int justify);

// Splits a memo into lines that fit ReportWidth columns of PageDevice() in the font the renderer uses
// there; false for an empty memo.
// A word wider than a line is broken at the line's width.
bool WrapMemo(const QString& memo, QStringList* lines);

}  // namespace reports
