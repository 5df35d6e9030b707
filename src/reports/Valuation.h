#pragma once
// Inventory valuation: a product's stock rebuilt as the lots of its purchases up to a date, its sales
// consumed against them first-in-first-out or last-in-first-out. Quantities and costs are exact
// decimals; a lot is worth its purchase cost x remaining / bought (to the eighth decimal), so a lot
// still whole is worth exactly what it cost, and nothing is rounded before it is printed.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Decimal.h"

namespace reports {

class ProgressSteps;

struct StockPurchase {
    double date = 0;
    base::Decimal qty, cost;  // cost: of the whole purchase
    friend bool operator==(const StockPurchase&, const StockPurchase&) = default;
};

struct StockSale {
    double date = 0;  // its invoice's date
    base::Decimal qty;
    friend bool operator==(const StockSale&, const StockSale&) = default;
};

// One product's purchases in date order and its sales in invoice-number order.
struct StockHistory {
    QList<StockPurchase> purchases;
    QList<StockSale> sales;
    friend bool operator==(const StockHistory&, const StockHistory&) = default;
};

struct StockValue {
    base::Decimal quantity;   // left in the lots bought up to the date
    base::Decimal cost;       // what those remainders cost
    base::Decimal onOrder;    // bought after the date
    base::Decimal uncovered;  // sold beyond the lots, and sold on invoices dated after the date
};

// The stock as of asOf. A purchase of no quantity (or less) makes no lot: there is nothing to divide
// its cost by. A sale dated after asOf, or made while no lot exists, is uncovered as a whole.
StockValue ValueStock(const StockHistory& history, double asOf, bool fifo);

// ---- From the tables. REQUIRES: Pur5, ITM5 and INV5 open; ITM5's tag is left on "ItmP". ----

// The histories of the products with these codes (trailing blanks aside), keyed by the code as given.
// Each product costs one seek into the purchase tag; its lines are found through the line table's
// product tag, or, when so many products are asked for that seeks would cost more, the line table is
// read once in record order. The invoices of all their sales are then read once each, in number
// order; a sale whose invoice is missing is left out. progress (optional) steps once per code.
QHash<QString, StockHistory> ReadStockHistories(const QStringList& codes, ProgressSteps* progress = nullptr);

// The stock of one product as of date, when the current product (ProdRec) is kept in stock (lInven);
// false, with *value all zero, when it is not.
bool InventoryAsOf(const QString& code, double date, StockValue* value);

}  // namespace reports
