#pragma once
// The customer documents: tax invoices, bills and account statements, built into the report buffer
// with the business letterhead. The window layer installs the hooks that show its dialogs, pick lists
// and the report window; the generators themselves hold no widgets.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "base/Decimal.h"

namespace reports {

// ---- Hooks installed by the window layer (unset: the dialog counts as cancelled, nothing is shown) ----

extern std::function<bool()> ShowDateSpan;      // TDateSpan on StartDate/EndDate; false when cancelled
extern std::function<bool()> PickInvoiceHook;   // invoice pick list; true with CurInvoiceRec chosen
extern std::function<bool()> PickCustomerHook;  // customer pick list; true with CurCustRec chosen
extern std::function<void()> ShowReportWindow;  // the report window on the buffer, modal

enum class DocKind { Invoice, Bill };

// Print invoices: by dates (TDateSpan) or by picking; as tax invoices or as bills.
void PrintInvoices(bool byPicking, DocKind kind);
// The invoice being edited (the working set) as a tax invoice in the report window.
void PrintCurrentInvoice();
// Print statements: with balances in a date span, or for picked customers.
void PrintStatements(bool byPicking);

// Sets ReportWidth 73, CellsPerLine 12, BeginReport and the directives and headings of the table.
void SetupDocumentTable();
// Adds one document for the invoice in memory (InvRec, ItemRows, PaymentRows, AddressBlock).
void AddInvoiceDocument(DocKind kind);
// The title a document gets: "Tax Invoice", or for bills "Bill" when Due > 0 and "Statement" otherwise.
QString DocumentTitle(DocKind kind, const base::Decimal& due);

// Sets ReportWidth 59, CellsPerLine 12, BeginReport, the title, directives and headings of statements.
void SetupStatementTable();
// One statement row for the invoice at CurInvoiceRec (loads it): number, date, charges, payments, due.
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
