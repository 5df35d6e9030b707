#pragma once
// The customers each label job chooses, as the address blocks their labels print, in the job's order.
// Invoices of a span are found through the invoice date tag and customers through the customer-number
// tag, so a job reads the records it labels and not the whole table.
#include <QList>
#include <QString>
#include <QStringList>

namespace labels {

// The six jobs, numbered as the label printing command's modes.
enum class LabelJob {
    SelectedCustomers = 1,  // picked one by one from the customer list
    InvoicesDated,          // one label per invoice of a span
    PastDueBilling,         // one label per invoice of a span with an amount due
    BalanceDueStatement,    // one label per customer owing on an invoice of a span, by postal code
    CustomerGroups,         // the customers of chosen groups, by postal code
    Batch,                  // the customer numbers of the batch label file
};

// What a job chose: one address block per label, and the batch file's lines it could not use.
struct LabelSelection {
    QList<QStringList> blocks;
    int skippedLines = 0;
};

// The customer at record rec gets a label (LoadCust, BuildAddressBlock). REQUIRES: CUST5 open.
void AddCustomerLabel(long rec, LabelSelection* selection);

// Jobs 2 to 4 over the invoices dated start to end (day numbers). REQUIRES: CUST5 and INV5 open.
LabelSelection InvoiceLabels(double start, double end);
LabelSelection PastDueLabels(double start, double end);
LabelSelection StatementLabels(double start, double end);
// Job 5: the customers whose group is among groups (none: no labels). REQUIRES: CUST5 open.
LabelSelection GroupLabels(const QList<int>& groups);
// Every customer, in postal-code order. REQUIRES: CUST5 open.
LabelSelection AllCustomerLabels();
// One label per customer number, in the order given; a text that is not a number or names no
// customer is skipped and counted. REQUIRES: CUST5 open.
LabelSelection NumberedLabels(const QStringList& numbers);
// Job 6: NumberedLabels of the file's lines (CR LF ended). REQUIRES: CUST5 open.
LabelSelection BatchLabels(const QString& fileName);

// The batch label file in the data directory, whatever the case of its name; empty when there is
// none.
QString FindBatchFile();

}  // namespace labels
