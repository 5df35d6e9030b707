// The inventory reports. The three that value stock read the products kept in stock in the product
// tag's order, then each one's purchases and lines once through their product tags (ReadStockHistories).
#include "reports/InventoryRpt.h"

#include "base/Format.h"
#include "base/StatusSink.h"
#include "reports/RptSpan.h"
#include "reports/RptUtil.h"
#include "reports/Valuation.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace reports {

namespace {

using base::Decimal;

const QString kNotFound = QStringLiteral("Not Found");
const QString kProcessingInventory = QStringLiteral("Processing Inventory");

QString amount(const char* format, const Decimal& value) { return base::FormatNumber(format, value); }
QString spanText(double start, double end) {
    return base::DateText(start) + QStringLiteral(" through ") + base::DateText(end);
}

void setup(int width, int cells, const QString& title) {
    ReportWidth = width;
    CellsPerLine = cells;
    BeginReport();
    TitleLines = {title};
}

// Every record of a table in the order of tag, with the status shown and the progress stepped.
template <class Fn>
void walkAll(xbase::Table* table, store::TagId tag, const QString& status, Fn fn) {
    base::ShowStatus(status);
    ProgressSteps progress(table->recCount());
    store::SelectTag(table, tag);
    for (int rc = table->top(); rc == xbase::kOk && !table->eof(); rc = table->skip(1)) {
        fn(table);
        progress.step();
    }
}

// A product kept in stock, as the valuation reports list it.
struct Stocked {
    QString code, description;
    Decimal reorder;
    StockHistory history;
};

// Opens the four tables the valuation reads and reads the products kept in stock, in the product
// tag's order, with their histories; false when a table could not be opened.
bool readStocked(QList<Stocked>* products, const QString& status = kProcessingInventory) {
    if (!store::OpenProd() || !store::OpenPur() || !store::OpenItm() || !store::OpenInv()) return false;
    QStringList codes;
    walkAll(store::ProdTable, store::TagId::Prod, status, [&](xbase::Table* prod) {
        if (!store::ReadField(prod, &store::ProdBuffer::lInven)) return;
        const QString code = TrimmedCode(store::ReadField(prod, &store::ProdBuffer::PrID));
        products->append({code, base::TrimRight(store::ReadField(prod, &store::ProdBuffer::PDesc)),
                          store::ReadField(prod, &store::ProdBuffer::REORDER), {}});
        codes.append(code);
    });
    ProgressSteps progress(codes.size());
    const QHash<QString, StockHistory> histories = ReadStockHistories(codes, &progress);
    for (Stocked& p : *products) p.history = histories.value(p.code);
    return true;
}

// The whole stock's cost as of a date.
Decimal stockCost(const QList<Stocked>& products, double asOf) {
    Decimal total;
    for (const Stocked& p : products) total += ValueStock(p.history, asOf, store::SettingsRec.fifo).cost;
    return total;
}

void finish() {
    base::ShowStatus(QString());
    store::CloseAll();
}

}  // namespace

void BuildPurchasing(double start, double end) {
    if (store::OpenProd() && store::OpenPur()) {
        setup(71, 6, QStringLiteral("Purchasing Report for ") + spanText(start, end));
        SetHeadings({"L00", "L12", "R47", "R58", "R71"}, {"Product", "Description", "Date", "Quantity", "Cost"});
        Decimal total;
        QString listed;  // the code of the last purchase listed
        bool any = false;
        DayText dayText;
        walkAll(store::PurTable, store::TagId::Pur, QStringLiteral("Processing Purchasing Report"), [&](xbase::Table* pur) {
            const double date = store::ReadField(pur, &store::PurBuffer::PURDate);
            if (date < start || date > end) return;
            const QString code = TrimmedCode(store::ReadField(pur, &store::PurBuffer::PURProd));
            const Decimal cost = store::ReadField(pur, &store::PurBuffer::PURCost);
            QStringList cells = {{}, {}, "R47" + dayText(date), "R58" + amount("%10.2f", store::ReadField(pur, &store::PurBuffer::PURQty)),
                                 "R71" + amount("%12.2f", cost)};
            if (!any || code != listed) {
                QString description;
                cells[0] = "L00" + code;
                cells[1] = "L12" + (FindProduct(code, &description, true) ? base::TrimRight(description) : kNotFound);
                listed = code;
                any = true;
            }
            CheckPageBreak(LinesOnPage + 1, true);
            NewLineWith(cells);
            total += cost;
        });
        if (LastLine() >= 0) {
            Attribute() = QStringLiteral("U");
            CheckPageBreak(LinesOnPage + 1, true);
            NewLineWith({"L00Total", {}, {}, {}, "R71" + amount("%13.2f", total)});
            WidenDateColumn(47);
        }
    }
    finish();
}

void BuildProductListing(double, double) {
    if (store::OpenProd()) {
        setup(64, 5, QStringLiteral("Product Listing"));
        SetHeadings({"L00", "L12", "R51", "R64"}, {"Product", "Description", "Unit Price", "Reorder"});
        walkAll(store::ProdTable, store::TagId::Prod, QStringLiteral("Processing Product Listing"), [](xbase::Table* prod) {
            using P = store::ProdBuffer;
            const QString comment = store::ReadField(prod, &P::IComm).trimmed();
            // A product and its comment stay on one page.
            CheckPageBreak(LinesOnPage + (comment.isEmpty() ? 1 : 2), true);
            NewLineWith({"L00" + TrimmedCode(store::ReadField(prod, &P::PrID)),
                         "L12" + base::TrimRight(store::ReadField(prod, &P::PDesc)),
                         "R51" + amount("%12.2f", store::ReadField(prod, &P::UPrice)),
                         "R64" + amount("%12.2f", store::ReadField(prod, &P::REORDER))});
            if (!comment.isEmpty()) NewLineWith({{}, "L12" + comment});
        });
        if (LastLine() >= 0) Attribute() = QStringLiteral("U");
    }
    finish();
}

void BuildStockOnHand(double, double) {
    QList<Stocked> products;
    if (readStocked(&products)) {
        const double today = base::Today();
        setup(85, 7, QStringLiteral("Stock On-Hand as of ") + base::DateText(today));
        const QStringList directives = {"L00", "L12", "R52", "R65", "R78", "R85"};
        SetHeadings(directives, {"Product", "Description", "On-Hand", "On-Order", "Level", "Stock"});
        QStringList upper(CellsPerLine);
        const QStringList upperWords = {{}, {}, "Quantity", "Quantity", "Reorder", "Need"};
        for (int i = 2; i < directives.size(); ++i) upper[i] = directives[i] + upperWords[i];
        HeaderRows.insert(1, upper);
        for (const Stocked& p : products) {
            const StockValue v = ValueStock(p.history, today, store::SettingsRec.fifo);
            const Decimal onHand = v.quantity - v.uncovered;
            const bool enough = onHand + v.onOrder >= p.reorder;
            CheckPageBreak(LinesOnPage + 2, true);
            NewLineWith({"L00" + p.code, "L12" + p.description, "R52" + amount("%12.2f", onHand),
                         "R65" + amount("%12.2f", v.onOrder), "R78" + amount("%12.2f", p.reorder),
                         enough ? QStringLiteral("R85OK") : QStringLiteral("R85YES")});
            if (!enough) Attribute() = QStringLiteral("B");
        }
        if (LastLine() >= 0) Attribute() += QStringLiteral("U");
    }
    finish();
}

void BuildInventory(double start, double) {
    QList<Stocked> products;
    if (readStocked(&products)) {
        setup(67, 5, QStringLiteral("Inventory as of ") + base::DateText(start));
        SetHeadings({"L00", "L12", "R52", "R67"}, {"Product", "Description", "Quantity", "Cost"});
        Decimal total;
        for (const Stocked& p : products) {
            const StockValue v = ValueStock(p.history, start, store::SettingsRec.fifo);
            CheckPageBreak(LinesOnPage + 2, true);
            NewLineWith({"L00" + p.code, "L12" + p.description, "R52" + amount("%12.2f", v.quantity),
                         "R67" + amount("%12.2f", v.cost)});
            total += v.cost;
        }
        if (LastLine() >= 0) {
            Attribute() = QStringLiteral("U");
            NewLineWith({{}, {}, "R52Total", "R67" + amount("%12.2f", total)});
        }
    }
    finish();
}

void BuildCostOfGoods(double start, double end) {
    const QString status = QStringLiteral("Processing Cost of Goods");
    QList<Stocked> products;
    if (readStocked(&products, status)) {
        setup(50, 3, QStringLiteral("Cost of Goods Sold from ") + spanText(start, end));
        SetHeadings({"L00", "R50"}, {"Description", "Amount"});
        // The stock at the close of the day before the span: a purchase on its first day is a purchase of it.
        const Decimal beginning = stockCost(products, start - 1);
        Decimal purchases;
        walkAll(store::PurTable, store::TagId::Pur, status, [&](xbase::Table* pur) {
            const double date = store::ReadField(pur, &store::PurBuffer::PURDate);
            if (date >= start && date <= end) purchases += store::ReadField(pur, &store::PurBuffer::PURCost);
        });
        const Decimal ending = stockCost(products, end);
        auto line = [](const char* label, const Decimal& value, bool ruled) {
            NewLineWith({QLatin1String("L00") + QLatin1String(label), "R50" + amount("%12.2f", value)});
            if (ruled) Attribute() = QStringLiteral("U");
        };
        CheckPageBreak(LinesOnPage + 6, true);
        line("Beginning Inventory", beginning, false);
        line("Inventory Purchases", purchases, true);
        line("Total", beginning + purchases, false);
        line("Ending Inventory", ending, true);
        line("Cost of Goods Sold", beginning + purchases - ending, false);
    }
    finish();
}

}  // namespace reports
