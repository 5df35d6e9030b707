#pragma once
// The table of reports: every report that the main window's menus and the report tool run, one entry
// each. A report is added by adding its entry; the menus and the tool find it here.
#include <QString>

#include <vector>

namespace reports {

enum class ReportId {
    SalesSummary, SalesByProduct, TaxSummary, DailyIncome, GstIncome, Receivables, AgedReceivables,
    Purchasing, ProductListing, StockOnHand, Inventory, CostOfGoods, CustomerProfile, ProductBuyers,
};

// What a report asks for besides a span of dates.
enum class Asks {
    Nothing,
    AsOfDate,   // one date (TDateSpan with one picker; the tool's --as-of), handed in as start
    Customers,  // customers or groups (the pick list or TMultGroup; --customers, --groups)
    Product,    // one product (the product pick list; --product)
};

struct ReportEntry {
    ReportId id;
    const char* name;     // the tool's name for it ("sales-summary")
    const char* summary;  // one line for the tool's list
    bool takesSpan;       // asks for a span of dates (TDateSpan; the tool's --from and --to)
    // Opens its tables, fills the report buffer (or shows why it has nothing) and closes every table.
    void (*build)(double start, double end);
    // Why the buffer stayed empty, for a caller that must say so (the tool): the report's own message
    // where it shows one, otherwise the text it would need.
    const char* nothing;
    Asks asks = Asks::Nothing;
};

const std::vector<ReportEntry>& Reports();
const ReportEntry& Report(ReportId id);
// The entry of that name; nullptr when there is none.
const ReportEntry* FindReport(const QString& name);

}  // namespace reports
