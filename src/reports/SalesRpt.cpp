// The sales and tax reports: the invoices of a span found through the date tag, their lines through
// the line table's invoice-number tag, each read once.
#include "reports/SalesRpt.h"

#include <QList>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/Money.h"
#include "base/StatusSink.h"
#include "reports/RptSpan.h"
#include "reports/RptUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

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
    std::string code;      // as stored (Windows-1252, blank-padded): short enough to need no allocation
    Decimal qty, product;  // product: quantity x unit price, unrounded
    bool tax1 = false, tax2 = false;
};

// An invoice of the span with the sums of its lines.
struct SpanInvoice {
    long ivNo = 0;
    double date = 0;
    Decimal ship, tax;
    Decimal items, taxable1, taxable2;  // the lines' products: all, taxed by the first, by the second tax
};

// The span's invoices in date order; the lines in the order of sale (the invoices' date order, each
// invoice's lines as stored) when they were asked for.
struct Span {
    QList<SpanInvoice> invoices;
    std::vector<Item> items;
};

long invoiceNumber(xbase::Table* t) { return store::ReadField(t, &store::InvBuffer::IvNo); }
long itemInvoice(xbase::Table* t) { return store::ReadField(t, &store::ItmBuffer::IvNo); }

// The shared opening: the invoices of the span in date order with their lines, setup run and the
// status shown; none (the message shown) when the span holds no invoice. The invoices are read in one
// walk of the date tag, their lines then in invoice-number order with one cursor, so that every line
// is read once; progress counts the invoices whose lines are read.
Span readSpan(double start, double end, void (*setup)(double, double), bool withItems = false) {
    xbase::Table* inv = store::InvTable;
    Span span;
    QList<SpanInvoice>& invoices = span.invoices;
    DateSpanWalk walk(inv, store::TagId::InvDate, &invoiceDate, start, end);
    for (bool on = walk.first(); on; on = walk.next())
        invoices.append({invoiceNumber(inv), invoiceDate(inv), store::ReadField(inv, &store::InvBuffer::Ship),
                         store::ReadField(inv, &store::InvBuffer::Tax), {}, {}, {}});
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
    numbers.reserve(byNumber.size());
    for (int i : byNumber) numbers.append(invoices[i].ivNo);
    // The lines come in invoice-number order; each is tagged with its invoice's place in date order.
    std::vector<std::pair<int, Item>> read;
    const xbase::Field* code = store::ItmTable->field(store::BindingOfMember(&store::ItmBuffer::PrID).field);
    ProgressSteps progress(invoices.size());
    ForEachOfNumbers(
        store::ItmTable, store::TagId::Itm, &itemInvoice, numbers,
        [&](int i, xbase::Table* itm) {
            Item item;
            // The fields hold two decimals, as the item rows' texts do: the product is the rows' product.
            item.qty = store::ReadField(itm, &store::ItmBuffer::Qty);
            item.product = item.qty * store::ReadField(itm, &store::ItmBuffer::UPR);
            item.tax1 = store::ReadField(itm, &store::ItmBuffer::LTax1);
            item.tax2 = store::ReadField(itm, &store::ItmBuffer::LTax2);
            SpanInvoice& invoice = invoices[byNumber[i]];
            invoice.items += item.product;
            if (item.tax1) invoice.taxable1 += item.product;
            if (item.tax2) invoice.taxable2 += item.product;
            if (withItems) {
                if (code) item.code = code->text();
                read.emplace_back(byNumber[i], std::move(item));
            }
        },
        [&](int) { progress.step(); });
    if (withItems) {
        // Into the order of sale: a counting sort by the invoice's place, stable within an invoice.
        std::vector<int> first(invoices.size() + 1, 0);
        for (const auto& [at, item] : read) ++first[at + 1];
        for (size_t k = 1; k < first.size(); ++k) first[k] += first[k - 1];
        span.items.resize(read.size());
        for (auto& [at, item] : read) span.items[first[at]++] = std::move(item);
    }
    return span;
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
    QStringList cells;
    cells.reserve(kSummaryDirectives.size() + 1);  // room for the attribute: the line is made once
    for (int t = 0; const QString& directive : kSummaryDirectives)
        cells.append(directive.startsWith(QLatin1Char('R')) ? directive + texts.value(t++) : directive);
    return cells;
}

}  // namespace

void BuildSalesSummary(double start, double end) {
    if (openSalesTables()) {
        Decimal items, ship, tax;
        DayText dayText;
        for (const SpanInvoice& inv : readSpan(start, end, &setupSummary).invoices) {
            const Decimal& invItems = inv.items;
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
            WidenDateColumn(17);
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
    std::unordered_map<std::string, int> rowOf;  // by the code as stored
    const Span span = openSalesTables() ? readSpan(start, end, &setupByProduct, true) : Span();
    for (const Item& item : span.items) {
        const auto [found, added] = rowOf.try_emplace(item.code, int(rows.size()));
        if (added) {
            rows.append({store::FromTableText(item.code), base::RoundMoney(item.qty), base::RoundMoney(item.product)});
            continue;
        }
        ProductRow& row = rows[found->second];
        row.qty = base::RoundMoney(row.qty + item.qty);
        row.sales = base::RoundMoney(row.sales + item.product);
    }
    const bool walked = !span.invoices.isEmpty();
    if (walked && rows.isEmpty()) base::ShowMessage(kNoInvoices);
    if (rows.isEmpty()) {
        base::ShowStatus(QString());
        store::CloseAll();
        return EndReport();
    }
    // Known products in the product table's order (its tag folds ASCII letters only, so "é" and "ß"
    // stay where their bytes put them), then the codes it lacks in order of sale.
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
            known.append({FoldedCodeKey(rows[i].code, store::FieldWidth(&store::ProdBuffer::PrID)), description, i});
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
    const QList<SpanInvoice> invoices = openSalesTables() ? readSpan(start, end, +setup).invoices : QList<SpanInvoice>();
    for (const SpanInvoice& inv : invoices) {
        net += inv.items;
        taxable1 += inv.taxable1;
        taxable2 += inv.taxable2;
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
