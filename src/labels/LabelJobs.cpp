#include "labels/LabelJobs.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <vector>

#include "base/Cp1252.h"
#include "base/StatusSink.h"
#include "invoicing/OrderExport.h"
#include "reports/RptSpan.h"
#include "store/DataLocation.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace labels {
namespace {

const QString kInvoiceCaption = QStringLiteral("Processing Invoice Labels");
const QString kBillingCaption = QStringLiteral("Processing Billing Labels");
const QString kStatementCaption = QStringLiteral("Processing Statement Labels");
const QString kGroupCaption = QStringLiteral("Processing Customers");

double invoiceDate(xbase::Table* inv) { return store::ReadField(inv, &store::InvBuffer::IDate); }

// The record of customer number cuNo (tag CCNO); 0 when there is none.
long customerRecord(long cuNo) {
    xbase::Table* cust = store::CustTable;
    store::SelectTag(cust, store::TagId::CustNumber);
    return cust->seek(reports::NumberKey(cuNo)) == xbase::kOk ? cust->recNo() : 0;
}

// The label of the invoice the walk stands on, for its customer; none when the customer is missing.
void addInvoiceCustomer(LabelSelection* s) {
    if (const long rec = customerRecord(store::ReadField(store::InvTable, &store::InvBuffer::CuNo)))
        AddCustomerLabel(rec, s);
}

// The customer the table stands on gets a label.
void addCurrentCustomer(LabelSelection* s) {
    store::LoadCust();
    store::BuildAddressBlock();
    s->blocks.append(store::AddressBlock);
}

// The customers in postal-code order that chosen(table) keeps. Customers carry no group tag: the
// order is walked, reading only what chosen reads of each one not kept.
template <class Chosen>
LabelSelection customersByPostalCode(Chosen chosen) {
    LabelSelection s;
    base::ShowStatus(kGroupCaption);
    xbase::Table* cust = store::CustTable;
    reports::ProgressSteps progress(cust->recCount());
    store::SelectTag(cust, store::TagId::CustZip);
    for (int rc = cust->top(); rc == xbase::kOk; rc = cust->skip(1)) {
        progress.step();
        if (chosen(cust)) addCurrentCustomer(&s);
    }
    return s;
}

bool owing(xbase::Table* inv) { return !store::ReadField(inv, &store::InvBuffer::Due).isZero(); }

}  // namespace

void AddCustomerLabel(long rec, LabelSelection* selection) {
    store::LastResult = store::CustTable->go(rec);
    if (store::LastResult == xbase::kOk) addCurrentCustomer(selection);
}

LabelSelection InvoiceLabels(double start, double end) {
    LabelSelection s;
    base::ShowStatus(kInvoiceCaption);
    const double days = std::trunc(end - start) + 1;
    reports::DateSpanWalk walk(store::InvTable, store::TagId::InvDate, &invoiceDate, start, end);
    for (bool on = walk.first(); on; on = walk.next()) {
        base::ShowProgress(int((invoiceDate(store::InvTable) - start) * 100 / days));
        addInvoiceCustomer(&s);
    }
    return s;
}

LabelSelection PastDueLabels(double start, double end) {
    LabelSelection s;
    base::ShowStatus(kBillingCaption);
    reports::DateSpanWalk walk(store::InvTable, store::TagId::InvDate, &invoiceDate, start, end);
    reports::ProgressSteps progress(walk.count());
    for (bool on = walk.first(); on; on = walk.next()) {
        progress.step();
        if (owing(store::InvTable)) addInvoiceCustomer(&s);
    }
    return s;
}

LabelSelection StatementLabels(double start, double end) {
    LabelSelection s;
    base::ShowStatus(kStatementCaption);
    // The customers owing on an invoice of the span, each once, found from the span's invoices.
    std::set<long> owingCustomers;
    reports::DateSpanWalk walk(store::InvTable, store::TagId::InvDate, &invoiceDate, start, end);
    reports::ProgressSteps progress(walk.count());
    for (bool on = walk.first(); on; on = walk.next()) {
        progress.step();
        if (owing(store::InvTable)) owingCustomers.insert(store::ReadField(store::InvTable, &store::InvBuffer::CuNo));
    }
    // In postal-code order, as the postal-code tag orders them (equal codes in record order).
    struct Found {
        QString zip;
        long rec;
    };
    std::vector<Found> found;
    for (const long cuNo : owingCustomers)
        if (const long rec = customerRecord(cuNo)) found.push_back({store::ReadField(store::CustTable, &store::CustBuffer::zip), rec});
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return std::tie(a.zip, a.rec) < std::tie(b.zip, b.rec); });
    for (const Found& f : found) AddCustomerLabel(f.rec, &s);
    return s;
}

LabelSelection GroupLabels(const QList<int>& groups) {
    if (groups.isEmpty()) return {};
    return customersByPostalCode([&groups](xbase::Table* cust) {
        return groups.contains(store::ReadField(cust, &store::CustBuffer::ngroup));
    });
}

LabelSelection AllCustomerLabels() {
    return customersByPostalCode([](xbase::Table*) { return true; });
}

LabelSelection NumberedLabels(const QStringList& numbers) {
    LabelSelection s;
    for (const QString& text : numbers) {
        bool number = false;
        const long cuNo = text.trimmed().toLong(&number);
        const long rec = number && cuNo > 0 ? customerRecord(cuNo) : 0;
        if (rec) AddCustomerLabel(rec, &s);
        else ++s.skippedLines;
    }
    return s;
}

LabelSelection BatchLabels(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = base::Cp1252::toUnicode(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // the end of the last line
    return NumberedLabels(lines);
}

QString FindBatchFile() {
    // Name filters match without regard to case unless told otherwise.
    const QDir dir(store::DataDir());
    const QStringList found = dir.entryList({invoicing::kBatchLabFile}, QDir::Files);
    return found.isEmpty() ? QString() : dir.filePath(found.first());
}

}  // namespace labels
