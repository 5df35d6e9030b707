#pragma once
// The inventory reports: purchases of a span, the product listing, and the three that value the stock
// through the valuation (stock on hand, inventory as of a date, cost of goods sold). Each opens the
// tables it reads, fills the report buffer and closes every table; showing the buffer is the caller's.
// Valued only where printed: quantities and costs stay exact decimals until their cell is written.

namespace reports {

// Purchasing Report: the purchases dated start to end, grouped by product, with their total cost.
void BuildPurchasing(double start, double end);
// Product Listing: every product with its price, reorder level and comment (no dates).
void BuildProductListing(double start, double end);
// Stock On-Hand: each product kept in stock as of today, what is on order and whether to reorder.
void BuildStockOnHand(double start, double end);
// Inventory as of start: quantity and cost of each product kept in stock, and their total.
void BuildInventory(double start, double end);
// Cost of Goods Sold from start to end: the stock the day before start, plus the purchases of the span,
// less the stock at end.
void BuildCostOfGoods(double start, double end);

}  // namespace reports
