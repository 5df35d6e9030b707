// The customer profile reads each customer's invoices through the invoice table's customer tag and
// their lines by invoice number; the product buyers report reads the product's lines through the line
// table's product tag and only their invoices. Neither walks a whole invoice or line table.
#include "reports/CustomerRpt.h"

#include <QList>
#include <QStringList>

#include <algorithm>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/StatusSink.h"
#include "reports/RptSpan.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/Customers.h"
#include "store/EngineContext.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace reports {

namespace {

using base::Decimal;

const QString kNoInvoices = QStringLiteral("No Invoices within selected dates.");

QString amount(const char* format, const Decimal& value) { return base::FormatNumber(format, value); }

// The rules of a ruled table: its directives with the texts after the text cells (the odd ones).
QStringList ruledCells(const QStringList& directives, const QStringList& texts) {
    QStringList cells = directives;
    for (int i = 1, t = 0; i < cells.size(); i += 2, ++t)
        cells[i] = texts.value(t).isNull() ? QString() : cells[i] + texts.value(t);
    return cells;
}

// ---- Customer profile

const QStringList kProfileDirectives = {"V00", "L01", "V35", "R43", "V45", "L46", "V57", "R65", "V66", "R74", "V75"};

// The current customer's address block as the profile shows it: at most five lines, a blank last line
// given over to the customer's number and group.
QStringList profileAddress() {
    store::BuildAddressBlock();
    QStringList block = store::AddressBlock;
    // A line of blanks (the postal code's own line when there is none) is as blank as an empty one.
    auto blank = [](const QString& line) { return line.trimmed().isEmpty(); };
    if (block.size() >= 5 && blank(block[3]) && blank(block[4])) block = block.mid(0, 4);
    if (!blank(block.last())) block.append(QString());
    store::FindCustomerGroup();
    block.last() = QStringLiteral("Cust#: ") + QString::number(store::CustRec.cuno) + QStringLiteral("  Group: ") +
                   store::GroupRec.cGroup.trimmed();
    return block;
}

long itemInvoice(xbase::Table* t) { return store::ReadField(t, &store::ItmBuffer::IvNo); }

// Date, product, quantity and unit price of everything the customer bought: the invoices through the
// customer tag, each one's lines by its number.
QList<QStringList> purchaseRows(long cuno) {
    xbase::Table* inv = store::InvTable;
    store::SelectTag(inv, store::TagId::InvCust);
    QList<std::pair<long, double>> invoices;
    for (int rc = inv->seek(NumberKey(cuno)); rc == xbase::kOk && !inv->eof(); rc = inv->skip(1)) {
        if (store::ReadField(inv, &store::InvBuffer::CuNo) != cuno) break;
        invoices.append({store::ReadField(inv, &store::InvBuffer::IvNo), store::ReadField(inv, &store::InvBuffer::IDate)});
    }
    QList<QStringList> rows;
    DayText dayText;
    for (const auto& [ivNo, date] : invoices) {
        ForEachOfNumbers(
            store::ItmTable, store::TagId::Itm, &itemInvoice, {ivNo},
            [&](int, xbase::Table* itm) {
                rows.append({dayText(date), base::TrimRight(store::ReadField(itm, &store::ItmBuffer::PrID)),
                             amount("%8.2f", store::ReadField(itm, &store::ItmBuffer::Qty)),
                             amount("%8.2f", store::ReadField(itm, &store::ItmBuffer::UPR))});
            },
            [](int) {});
    }
    return rows;
}

// One customer's block: the address lines beside the purchase rows, ruled under.
void addProfile() {
    store::LoadCust();
    const QStringList address = profileAddress();
    const QList<QStringList> rows = purchaseRows(store::CustRec.cuno);
    CheckPageBreak(LinesOnPage + 4, true);
    const qsizetype lines = std::max(address.size(), rows.size());
    for (qsizetype i = 0; i < lines; ++i) {
        CheckPageBreak(LinesOnPage + 1, true);
        const QStringList& row = i < rows.size() ? rows[i] : QStringList();
        NewLineWith(ruledCells(kProfileDirectives, {i < address.size() ? address[i] : QString(), row.value(0),
                                                    row.value(1), row.value(2), row.value(3)}));
    }
    Attribute() = QStringLiteral("U");
}

}  // namespace

void BuildCustomerProfile(double, double) {
    if (store::OpenCust() && store::OpenGroups() && store::OpenInv() && store::OpenItm()) {
        ReportWidth = 75;
        CellsPerLine = 12;
        BeginReport();
        TitleLines = {QStringLiteral("Customer Profile")};
        SetHeadings(kProfileDirectives, {"", "Customer", "", "Date", "", "Product", "", "Qty", "", "U-Price", ""});
        xbase::Table* cust = store::CustTable;
        for (long cuno : SelectedCustomers) {
            store::SelectTag(cust, store::TagId::CustNumber);
            if (cust->seek(NumberKey(cuno)) == xbase::kOk) addProfile();
        }
        if (!SelectedGroups.isEmpty()) {
            // Groups have no tag of their own: the customers are walked in name order.
            store::SelectTag(cust, store::TagId::CustName);
            for (int rc = cust->top(); rc == xbase::kOk && !cust->eof(); rc = cust->skip(1))
                if (SelectedGroups.contains(store::ReadField(cust, &store::CustBuffer::ngroup))) addProfile();
        }
        if (LastLine() >= 0) WidenDateColumn(43);
    }
    store::CloseAll();
}

// ---- Product buyers

namespace {

const QStringList kBuyersDirectives = {"V00", "L01", "V36", "L37", "V57", "R66", "V67", "R76", "V77"};

double invoiceDate(xbase::Table* t) { return store::ReadField(t, &store::InvBuffer::IDate); }

bool findGroup(int group, QString* name) {
    xbase::Table* groups = store::GroupsTable;
    store::SelectTag(groups, store::TagId::GroupNumber);
    if (groups->seek(store::ToTableText(base::PadNumber(group, 2))) != xbase::kOk) return false;
    *name = store::ReadField(groups, &store::GroupBuffer::cGroup).trimmed();
    return true;
}

// The group's name, or "UNKNOWN".
QString groupName(int group) {
    QString name;
    return findGroup(group, &name) ? name : kUnknownCustomer;
}

}  // namespace

void BuildProductBuyers(double start, double end) {
    if (store::OpenInv() && store::OpenItm() && store::OpenProd() && store::OpenCust() && store::OpenGroups()) {
        if (!DateSpanWalk(store::InvTable, store::TagId::InvDate, &invoiceDate, start, end).first()) {
            base::ShowMessage(kNoInvoices);
            return store::CloseAll();
        }
        const QString code = TrimmedCode(SelectedProduct);
        QString description;
        FindProduct(code, &description);
        ReportWidth = 77;
        CellsPerLine = 10;
        BeginReport();
        TitleLines = {QStringLiteral("Buyers of ") + code.trimmed() + QLatin1Char('-') + description.trimmed(),
                      QStringLiteral("from ") + base::DateText(start) + QStringLiteral(" through ") + base::DateText(end)};
        SetHeadings(kBuyersDirectives, {"", "Customer", "", "MailGroup", "", "Date", "", "U-Price", ""});
        base::ShowStatus(QStringLiteral("Processing Buyers"));
        struct Sale {
            long ivNo;
            Decimal price;
            InvoiceFacts invoice;
        };
        QList<Sale> sales;
        QList<long> numbers;
        ForEachLineOf(code, [&](xbase::Table* itm) {
            sales.append({store::ReadField(itm, &store::ItmBuffer::IvNo), store::ReadField(itm, &store::ItmBuffer::UPR), {}});
            numbers.append(sales.last().ivNo);
        });
        const QHash<long, InvoiceFacts> invoices = ReadInvoices(numbers);
        QList<Sale> inSpan;
        for (Sale& sale : sales) {
            const auto found = invoices.constFind(sale.ivNo);
            if (found == invoices.cend() || found->date < start || found->date > end) continue;
            sale.invoice = *found;
            inSpan.append(sale);
        }
        // The order of the invoices' date tag (date, then record), each invoice's lines in their order.
        std::stable_sort(inSpan.begin(), inSpan.end(), [](const Sale& a, const Sale& b) {
            return std::pair(a.invoice.date, a.invoice.recNo) < std::pair(b.invoice.date, b.invoice.recNo);
        });
        store::SelectTag(store::CustTable, store::TagId::CustNumber);
        ProgressSteps progress(inSpan.size());
        DayText dayText;
        for (const Sale& sale : inSpan) {
            bool known = false;
            const QString name = CustomerName(sale.invoice.cuNo, &known);
            const QString group =
                known ? groupName(store::ReadField(store::CustTable, &store::CustBuffer::ngroup)) : kUnknownCustomer;
            CheckPageBreak(LinesOnPage + 1, true);
            NewLineWith(ruledCells(kBuyersDirectives, {name, group, dayText(sale.invoice.date), amount("%8.2f", sale.price)}));
            progress.step();
        }
        base::ShowStatus(QString());
        if (LastLine() >= 0) {
            Attribute() = QStringLiteral("U");
            WidenDateColumn(66);
        }
    }
    store::CloseAll();
}

QString UnknownSelection() {
    QString unknown;
    if (store::OpenCust() && store::OpenGroups() && store::OpenProd()) {
        store::SelectTag(store::CustTable, store::TagId::CustNumber);
        for (long cuno : SelectedCustomers)
            if (unknown.isEmpty() && store::CustTable->seek(NumberKey(cuno)) != xbase::kOk) unknown = QStringLiteral("customer %1").arg(cuno);
        QString name;
        for (int group : SelectedGroups)
            if (unknown.isEmpty() && !findGroup(group, &name)) unknown = QStringLiteral("group %1").arg(group);
        if (unknown.isEmpty() && !SelectedProduct.isNull() && !FindProduct(SelectedProduct, &name))
            unknown = QStringLiteral("product ") + SelectedProduct;
    }
    store::CloseAll();
    return unknown;
}

}  // namespace reports
