#pragma once
// The sales and tax reports over the invoices dated within a span, and the income and receivables
// reports over payments and balances. Each opens the tables it reads, fills the report buffer (or
// shows why there is nothing to report) and closes every table; showing the buffer is the caller's.
// Amounts are exact decimals: quantity x unit price is summed unrounded and rounded only as printed.

namespace reports {

// Sales Summary: one ruled line per invoice with its item total, its two charge lines and its total.
void BuildSalesSummary(double start, double end);
// Sales by Product: quantity and sales per product code, in the product table's order.
void BuildSalesByProduct(double start, double end);
// Tax report: net item sales, the sales subject to each charge line and what was charged.
void BuildTaxSummary(double start, double end);
// Daily Income: the payments of the span, grouped by day with a total under each day.
void BuildDailyIncome(double start, double end);
// GST/VAT Income/Collections: the same payments with the tax part of each.
void BuildGstIncome(double start, double end);
// RECEIVABLES: every invoice with a balance, its customer and its age in days (no span).
void BuildReceivables(double start, double end);
// Aged Receivables: one line per customer owing, the balance split by the age of the invoices.
void BuildAgedReceivables(double start, double end);

}  // namespace reports
