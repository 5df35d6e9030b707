// The sales and tax reports: the invoices of a span found through the date tag, their lines through
// the line table's invoice-number tag, each read once.
#include "reports/SalesRpt.h"

#include <QHash>
#include <QList>

#include <algorithm>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/Money.h"
#include "base/StatusSink.h"
#include "reports/RptSpan.h"
#include "reports/RptUtil.h"
#include "store/Settings.h"
#include "store/dbFiles.h"

namespace reports {

namespace {

const QString kNoInvoices = QStringLiteral("No Invoices within selected dates.");
const QString kProcessingSales = QStringLiteral("Processing Sales");
const QString kUnknownProduct = QStringLiteral("Unknown Product");

using base::Decimal;

QString amount(const char* format, const Decimal& value) { return base::FormatNumber(format, value); }
QString spanText(double start, double end) {
    return base::DateText(start) + QStringLiteral(" through ") + base::DateText(end);
}

double invoiceDate(xbase::Table* t) { return store::ReadField(t, &store::InvBuffer::IDate); }

// One line item as the reports read it.
struct Item {
    QString code;
    Decimal qty, product;  // product: quantity x unit price, unrounded
    bool tax1 = false, tax2 = false;
};

Item readItem(xbase::Table* itm) {
    Item item;
    item.code = store::ReadField(itm, &store::ItmBuffer::PrID);
    // The fields hold two decimals, as the item rows' texts do: the product is the rows' product.
    item.qty = store::ReadField(itm, &store::ItmBuffer::Qty);
    item.product = item.qty * store::ReadField(itm, &store::ItmBuffer::UPR);
    item.tax1 = store::ReadField(itm, &store::ItmBuffer::LTax1);
    item.tax2 = store::ReadField(itm, &store::ItmBuffer::LTax2);
    return item;
}

// An invoice of the span with its lines.
struct SpanInvoice {
    long ivNo = 0;
    double date = 0;
    Decimal ship, tax;
    QList<Item> items;
};

long invoiceNumber(xbase::Table* t) { return store::ReadField(t, &store::InvBuffer::IvNo); }
long itemInvoice(xbase::Table* t) { return store::ReadField(t, &store::ItmBuffer::IvNo); }

// The shared opening: the invoices of the span in date order with their lines, setup run and the
// status shown; none (the message shown) when the span holds no invoice. The invoices are read in one
// walk of the date tag, their lines then in invoice-number order with one cursor, so that every line
// is read once; progress counts the invoices whose lines are read.
QList<SpanInvoice> readSpan(double start, double end, void (*setup)(double, double)) {
    xbase::Table* inv = store::InvTable;
    QList<SpanInvoice> invoices;
    DateSpanWalk walk(inv, store::TagId::InvDate, &invoiceDate, start, end);
    for (bool on = walk.first(); on; on = walk.next())
        invoices.append({invoiceNumber(inv), invoiceDate(inv), store::ReadField(inv, &store::InvBuffer::Ship),
                         store::ReadField(inv, &store::InvBuffer::Tax), {}});
    if (invoices.isEmpty()) {
        base::ShowMessage(kNoInvoices);
        return {};
    }
    setup(start, end);
    base::ShowStatus(kProcessingSales);
    QList<int> byNumber(invoices.size());
    for (int i = 0; i < byNumber.size(); ++i) byNumber[i] = i;
    std::stable_sort(byNumber.begin(), byNumber.end(),
                     [&](int a, int b) { return invoices[a].ivNo < invoices[b].ivNo; });
    QList<long> numbers;
    for (int i : byNumber) numbers.append(invoices[i].ivNo);
    ProgressSteps progress(invoices.size());
    ForEachOfNumbers(
        store::ItmTable, store::TagId::Itm, &itemInvoice, numbers,
        [&](int i, xbase::Table* itm) { invoices[byNumber[i]].items.append(readItem(itm)); },
        [&](int) { progress.step(); });
    return invoices;
}

bool openSalesTables() { return store::OpenInv() && store::OpenItm() && store::OpenProd(); }

// ---- Sales summary

const QStringList kSummaryDirectives = {"V00", "R07", "V08", "R17", "V18", "R28", "V29",
                                        "R40", "V41", "R52", "V53", "R63", "V64"};

void setupSummary(double start, double end) {
    ReportWidth = 64;
    CellsPerLine = 14;
    BeginReport();
    TitleLines = {QStringLiteral("Sales Summary for ") + spanText(start, end)};
    const store::SettingsBuffer& s = store::SettingsRec;
    SetHeadings(kSummaryDirectives, {"", "Inv. No", "", "Date", "", "Items", "", s.ShipLine.trimmed(), "",
                                     s.TaxLine.trimmed(), "", "Total", ""});
}

// The directives with a text after each right-aligned one, in order.
QStringList summaryCells(const QStringList& texts) {
    QStringList cells = kSummaryDirectives;
    for (int i = 0, t = 0; i < cells.size(); ++i)
        if (cells[i].startsWith(QLatin1Char('R'))) cells[i] += texts.value(t++);
    return cells;
}

}  // namespace

void BuildSalesSummary(double start, double end) {
    if (openSalesTables()) {
        Decimal items, ship, tax;
        DayText dayText;
        for (const SpanInvoice& inv : readSpan(start, end, &setupSummary)) {
            Decimal invItems;
            for (const Item& item : inv.items) invItems += item.product;
            CheckPageBreak(LinesOnPage + 1, true);
            NewLineWith(summaryCells({base::PadNumber(inv.ivNo, 6), dayText(inv.date), amount("%10.2f", invItems),
                                      amount("%10.2f", inv.ship), amount("%10.2f", inv.tax),
                                      amount("%10.2f", invItems + inv.ship + inv.tax)}));
            items += invItems;
            ship += inv.ship;
            tax += inv.tax;
        }
        if (LastLine() >= 0) {
            Attribute() = QStringLiteral("U");
            CheckPageBreak(LinesOnPage + 1, true);
            QStringList cells = summaryCells({{}, QStringLiteral("Totals"), amount("%10.2f", items),
                                              amount("%10.2f", ship), amount("%10.2f", tax),
                                              amount("%10.2f", items + ship + tax)});
            cells[1].clear();
            cells[2].clear();
            NewLineWith(cells);
            Attribute() = QStringLiteral("U");
        }
        base::ShowStatus(QString());
    }
    store::CloseAll();
}

// ---- Sales by product

namespace {

struct ProductRow {
    QString code;
    Decimal qty, sales;  // each kept to the cent after every addition, as its text column was
};

void setupByProduct(double start, double end) {
    ReportWidth = 65;
    CellsPerLine = 10;
    BeginReport();
    TitleLines = {QStringLiteral("Sales by Product from ") + spanText(start, end)};
    SetHeadings({"V00", "L02", "V13", "L15", "V43", "R49", "V51", "R63", "V65"},
                {"", "Item Code", "", "Description", "", "Qty.", "", "Sale Total", ""});
}

QStringList productCells(const QString& code, const QString& description, const ProductRow& row) {
    return {"V00", "L02" + base::TrimRight(code), "V13", "L15" + base::TrimRight(description), "V43",
            "R49" + amount("%10.2f", row.qty), "V51", "R63" + amount("%10.2f", row.sales), "V65"};
}

}  // namespace

void BuildSalesByProduct(double start, double end) {
    QList<ProductRow> rows;  // in order of first sale
    QHash<QString, int> rowOf;
    const QList<SpanInvoice> invoices = openSalesTables() ? readSpan(start, end, &setupByProduct) : QList<SpanInvoice>();
    for (const SpanInvoice& inv : invoices) {
        for (const Item& item : inv.items) {
            const auto found = rowOf.constFind(item.code);
            if (found == rowOf.constEnd()) {
                rowOf.insert(item.code, int(rows.size()));
                rows.append({item.code, base::RoundMoney(item.qty), base::RoundMoney(item.product)});
                continue;
            }
            ProductRow& row = rows[*found];
            row.qty = base::RoundMoney(row.qty + item.qty);
            row.sales = base::RoundMoney(row.sales + item.product);
        }
    }
    const bool walked = !invoices.isEmpty();
    if (walked && rows.isEmpty()) base::ShowMessage(kNoInvoices);
    if (rows.isEmpty()) {
        base::ShowStatus(QString());
        store::CloseAll();
        return EndReport();
    }
    // Known products in the product table's order (its tag orders by the upper-case code), then the
    // codes it lacks in order of sale.
    struct Known {
        std::string key;
        QString description;
        int row;
    };
    QList<Known> known;
    QList<int> unknown;
    for (int i = 0; i < rows.size(); ++i) {
        QString description;
        if (FindProduct(rows[i].code, &description))
            known.append({store::ToTableText(base::TrimRight(rows[i].code).toUpper()), description, i});
        else
            unknown.append(i);
    }
    std::stable_sort(known.begin(), known.end(), [](const Known& a, const Known& b) { return a.key < b.key; });
    Decimal total;
    auto addRow = [&](int i, const QString& description) {
        CheckPageBreak(LinesOnPage + 2, true);
        NewLineWith(productCells(rows[i].code, description, rows[i]));
        total += rows[i].sales;
    };
    for (const Known& k : known) addRow(k.row, k.description);
    for (int i : unknown) addRow(i, kUnknownProduct);
    Attribute() = QStringLiteral("U");
    NewLineWith({"V00", "L02Total Sales", {}, {}, {}, {}, "V51", "R63" + amount("%10.2f", total), "V65"});
    Attribute() = QStringLiteral("U");
    base::ShowStatus(QString());
    store::CloseAll();
}

// ---- Tax summary

void BuildTaxSummary(double start, double end) {
    const store::SettingsBuffer& s = store::SettingsRec;
    Decimal net, taxable1, taxable2, charged1, charged2;
    auto setup = [](double from, double to) {
        ReportWidth = 50;
        CellsPerLine = 4;
        BeginReport();
        TitleLines = {QStringLiteral("Tax report for ") + spanText(from, to)};
        ColumnDirectives = {"L00", "R38", "R50"};
    };
    const QList<SpanInvoice> invoices = openSalesTables() ? readSpan(start, end, +setup) : QList<SpanInvoice>();
    for (const SpanInvoice& inv : invoices) {
        for (const Item& item : inv.items) {
            net += item.product;
            if (item.tax1) taxable1 += item.product;
            if (item.tax2) taxable2 += item.product;
        }
        // The first charge line is itself taxed by the second: always (2), or where tax was charged (3).
        if (s.ShipTax == 2 || (s.ShipTax == 3 && inv.tax > Decimal())) taxable2 += inv.ship;
        charged1 += inv.ship;
        charged2 += inv.tax;
    }
    base::ShowStatus(QString());
    store::CloseAll();
    if (invoices.isEmpty()) return;
    const QString shipLine = s.ShipLine.trimmed(), taxLine = s.TaxLine.trimmed();
    // A label with its amount in the taxable-sales column or in the amounts column.
    auto line = [](const QString& label, const Decimal& value, bool taxableColumn, bool ruled) {
        const QString text = amount("%11.2f", value);
        NewLineWith({"L00" + label, taxableColumn ? "R38" + text : QString(), taxableColumn ? QString() : "R50" + text});
        if (ruled) Attribute() = QStringLiteral("U");
    };
    CheckPageBreak(LinesOnPage + 2, false);
    NewLine();
    Attribute() = QStringLiteral("U");
    line(QStringLiteral("Net Item Sales"), net, false, false);
    if (s.TaxRate1 > Decimal()) {
        Attribute() = QStringLiteral("U");
        line(QStringLiteral("Sales subject to ") + shipLine, taxable1, true, false);
    }
    line(shipLine + QStringLiteral(" Charged"), charged1, false, true);
    line(QStringLiteral("Sales subject to ") + taxLine, taxable2, true, false);
    line(taxLine + QStringLiteral(" Charged"), charged2, false, true);
    line(QStringLiteral("Total"), net + charged1 + charged2, false, true);
}

}  // namespace reports
