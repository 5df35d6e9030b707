#include "einvoice/InvoiceSource.h"

#include "base/Format.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/RecordBuffers.h"
#include "store/OpenRoutines.h"

namespace einvoice {

namespace {

// Reads every record of table whose key in tag starts with key, in the tag's order.
template <class B>
std::vector<B> recordsOf(xbase::Table* table, store::TagId tag, long ivNo) {
    const QString key = base::PadNumber(ivNo, 6);
    std::vector<B> records;
    if (store::SelectTag(table, tag) < 0) return records;
    for (int rc = table->seek(key.toStdString()); rc == xbase::kOk; rc = table->skip()) {
        B record;
        store::ReadRecord(table, &record);
        if (record.IvNo != ivNo) break;
        records.push_back(record);
    }
    return records;
}

}  // namespace

bool OpenSourceTables() {
    if (store::EnsurePartyTable() < 0) return false;
    store::ReadSettings();
    // The tables the invoice is printed from as well, for Factur-X.
    return store::OpenInvoiceTables() && store::OpenByKey(store::TableKey::Party);
}

bool ReadSource(long ivNo, Source* s) {
    *s = Source{};
    const QString key = base::PadNumber(ivNo, 6);
    xbase::Table* inv = store::InvTable;
    if (store::SelectTag(inv, store::TagId::Inv) < 0 || inv->seek(key.toStdString()) != xbase::kOk) return false;
    s->invoiceRec = inv->recNo();
    store::ReadRecord(inv, &s->inv);
    s->items = recordsOf<store::ItmBuffer>(store::ItmTable, store::TagId::Itm, ivNo);
    s->payments = recordsOf<store::PmtBuffer>(store::PmtTable, store::TagId::Pmt, ivNo);
    xbase::Table* cust = store::CustTable;
    if (store::SelectTag(cust, store::TagId::CustNumber) >= 0 &&
        cust->seek(base::PadNumber(s->inv.CuNo, 6).toStdString()) == xbase::kOk) {
        store::ReadRecord(cust, &s->customer);
        s->customerFound = true;
    }
    s->sellerFound = store::FindParty(store::kSellerParty, &s->seller);
    s->buyerFound = store::FindParty(s->inv.CuNo, &s->buyer);
    s->company = store::SettingsRec.Company;
    s->tax = TaxSetup::fromSettings();
    return true;
}

std::vector<long> InvoicesDated(double firstDay, double lastDay) {
    std::vector<long> numbers;
    xbase::Table* inv = store::InvTable;
    if (store::SelectTag(inv, store::TagId::InvDate) < 0) return numbers;
    const QString from = base::DateFromDay(firstDay).toString(QStringLiteral("yyyyMMdd"));
    constexpr int kOnNextGreater = 2;
    int rc = inv->seek(from.toStdString());
    while (rc == xbase::kOk || rc == kOnNextGreater) {
        if (store::ReadField(inv, &store::InvBuffer::IDate) > lastDay) break;
        numbers.push_back(store::ReadField(inv, &store::InvBuffer::IvNo));
        rc = inv->skip();
    }
    return numbers;
}

}  // namespace einvoice
