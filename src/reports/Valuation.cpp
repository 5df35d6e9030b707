#include "reports/Valuation.h"

#include <algorithm>
#include <ranges>
#include <string>
#include <unordered_map>
#include <utility>

#include "base/Format.h"
#include "reports/RptSpan.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace reports {

using base::Decimal;

namespace {

struct Lot {
    double date;
    Decimal bought, cost, remaining;
};

// Takes what it can of q from the lot.
void consume(Lot& lot, Decimal& q) {
    if (lot.remaining < q) {
        q -= lot.remaining;
        lot.remaining = Decimal();
    } else {
        lot.remaining -= q;
        q = Decimal();
    }
}

void consumeOldestFirst(QList<Lot>& lots, Decimal& q) {
    for (Lot& lot : lots) {
        consume(lot, q);
        if (q <= Decimal()) return;
    }
}

}  // namespace

StockValue ValueStock(const StockHistory& history, double asOf, bool fifo) {
    StockValue value;
    QList<Lot> lots;
    for (const StockPurchase& p : history.purchases) {
        if (p.qty <= Decimal()) continue;
        if (p.date <= asOf)
            lots.append({p.date, p.qty, p.cost, p.qty});
        else
            value.onOrder += p.qty;
    }
    for (const StockSale& sale : history.sales) {
        Decimal q = sale.qty;
        if (sale.date <= asOf && !lots.isEmpty()) {
            if (fifo) {
                consumeOldestFirst(lots, q);
            } else {
                // The newest lots bought by the sale's day first; what they lack comes from the oldest on.
                // A lot is taken from before q is looked at, so a return (q below 0) goes back into the
                // newest such lot, as first in first out puts it back into the oldest.
                for (qsizetype i = lots.size() - 1; i >= 0; --i) {
                    if (lots[i].date > sale.date || lots[i].remaining <= Decimal()) continue;
                    consume(lots[i], q);
                    if (q <= Decimal()) break;
                }
                if (q > Decimal()) consumeOldestFirst(lots, q);
            }
        }
        value.uncovered += q;
    }
    for (const Lot& lot : lots) {
        value.quantity += lot.remaining;
        value.cost += (lot.cost * lot.remaining).dividedBy(lot.bought, Decimal::kPlaces);
    }
    return value;
}

// ---- From the tables

namespace {

// Purchases whose code differs only in case stand among the code's in the purchase tag.
void readPurchases(const QString& code, QList<StockPurchase>* out) {
    ForEachOfCode(store::PurTable, store::TagId::Pur,
                  [](xbase::Table* t) { return store::ReadField(t, &store::PurBuffer::PURProd); },
                  store::FieldWidth(&store::PurBuffer::PURProd), code, [&](xbase::Table* pur) {
                      out->append({store::ReadField(pur, &store::PurBuffer::PURDate),
                                   store::ReadField(pur, &store::PurBuffer::PURQty),
                                   store::ReadField(pur, &store::PurBuffer::PURCost)});
                      return true;
                  });
}

}  // namespace

namespace {

struct Sale {
    long ivNo;
    Decimal qty;
};

Sale saleOf(xbase::Table* itm) {
    return {store::ReadField(itm, &store::ItmBuffer::IvNo), store::ReadField(itm, &store::ItmBuffer::Qty)};
}

// Reading lines through the product tag costs a seek per product and a read per line, the lines of a
// product lying all over the file. Read in record order as a walk they come a block at a time, so
// when many products are asked for, every line is read once that way and those of the codes kept.
// The cost of a seek against that of a record read in a block walk: about this many records.
constexpr qsizetype kRecordsPerSeek = 64;

// sales[code] := the code's lines in the product tag's order (invoice number, then as stored); the
// tag is selected again afterwards. progress steps once per code, spread over the walk.
void readSalesInRecordOrder(const QStringList& codes, QHash<QString, QList<Sale>>* sales, ProgressSteps* progress) {
    xbase::Table* itm = store::ItmTable;
    const int width = store::FieldWidth(&store::ItmBuffer::PrID);
    // The codes as the line table stores them (blank-padded, case kept), as the product tag's keys.
    struct Lines {
        QString code;
        QList<Sale> sales;
    };
    std::unordered_map<std::string, Lines> wanted;
    for (const QString& code : codes) wanted.emplace(store::ToTableText(code.leftJustified(width)), Lines{code, {}});
    const xbase::Field* prid = itm->field(store::BindingOfMember(&store::ItmBuffer::PrID).field);
    if (!prid) return;
    const long perStep = std::max<long>(1, itm->recCount() / long(codes.size()));
    qsizetype stepped = 0;
    store::SelectTag(itm, store::TagId::None);
    {
        WalkScope walk(itm);
        long n = 0;
        for (int rc = itm->top(); rc == xbase::kOk && !itm->eof(); rc = itm->skip(1)) {
            const auto found = wanted.find(prid->text());
            if (found != wanted.end()) found->second.sales.append(saleOf(itm));
            if (progress && ++n % perStep == 0 && stepped < codes.size()) {
                progress->step();
                ++stepped;
            }
        }
    }
    for (; progress && stepped < codes.size(); ++stepped) progress->step();
    store::SelectTag(itm, store::TagId::ItmProd);
    for (Lines& lines : wanted | std::views::values) {
        std::stable_sort(lines.sales.begin(), lines.sales.end(), [](const Sale& a, const Sale& b) { return a.ivNo < b.ivNo; });
        sales->insert(lines.code, std::move(lines.sales));
    }
}

}  // namespace

QHash<QString, StockHistory> ReadStockHistories(const QStringList& codes, ProgressSteps* progress) {
    QHash<QString, StockHistory> histories;
    QHash<QString, QList<Sale>> sales;
    QStringList distinct;
    for (const QString& given : codes) {
        const QString code = TrimmedCode(given);
        if (histories.contains(code)) continue;
        readPurchases(code, &histories[code].purchases);
        distinct.append(code);
    }
    if (distinct.isEmpty()) return histories;
    if (distinct.size() * kRecordsPerSeek >= store::ItmTable->recCount()) {
        readSalesInRecordOrder(distinct, &sales, progress);
    } else {
        for (const QString& code : distinct) {
            QList<Sale>& own = sales[code];
            ForEachLineOf(code, [&](xbase::Table* itm) { own.append(saleOf(itm)); });
            if (progress) progress->step();
        }
    }
    QList<long> numbers;
    for (const QList<Sale>& own : std::as_const(sales))
        for (const Sale& sale : own) numbers.append(sale.ivNo);
    const QHash<long, InvoiceFacts> invoices = ReadInvoices(numbers);
    for (auto it = sales.cbegin(); it != sales.cend(); ++it) {
        StockHistory& history = histories[it.key()];
        for (const Sale& sale : *it) {
            const auto invoice = invoices.constFind(sale.ivNo);
            if (invoice != invoices.cend()) history.sales.append({invoice->date, sale.qty});
        }
    }
    return histories;
}

bool InventoryAsOf(const QString& code, double date, StockValue* value) {
    *value = StockValue{};
    if (!store::ProdRec.lInven) return false;
    *value = ValueStock(ReadStockHistories({code}).value(base::TrimRight(code)), date, store::SettingsRec.fifo);
    return true;
}

}  // namespace reports
