#include "reports/Valuation.h"

#include "base/Format.h"
#include "reports/RptSpan.h"
#include "store/Settings.h"
#include "store/dbFiles.h"

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
                for (qsizetype i = lots.size() - 1; i >= 0 && q > Decimal(); --i)
                    if (lots[i].date <= sale.date && lots[i].remaining > Decimal()) consume(lots[i], q);
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

QHash<QString, StockHistory> ReadStockHistories(const QStringList& codes, ProgressSteps* progress) {
    struct Sale {
        long ivNo;
        Decimal qty;
    };
    QHash<QString, StockHistory> histories;
    QHash<QString, QList<Sale>> sales;
    QList<long> numbers;
    for (const QString& given : codes) {
        const QString code = TrimmedCode(given);
        if (histories.contains(code)) continue;
        readPurchases(code, &histories[code].purchases);
        QList<Sale>& own = sales[code];
        ForEachLineOf(code, [&](xbase::Table* itm) {
            own.append({store::ReadField(itm, &store::ItmBuffer::IvNo), store::ReadField(itm, &store::ItmBuffer::Qty)});
            numbers.append(own.last().ivNo);
        });
        if (progress) progress->step();
    }
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
