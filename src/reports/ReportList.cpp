#include "reports/ReportList.h"

#include "reports/CustomerRpt.h"
#include "reports/InventoryRpt.h"
#include "reports/SalesRpt.h"

namespace reports {

const std::vector<ReportEntry>& Reports() {
    static const std::vector<ReportEntry> list = {
        {ReportId::SalesSummary, "sales-summary", "one line per invoice with its items, charges and total", true,
         &BuildSalesSummary},
        {ReportId::SalesByProduct, "sales-by-product", "quantity and sales per product", true, &BuildSalesByProduct},
        {ReportId::TaxSummary, "tax-summary", "net sales, taxable sales and the charges", true, &BuildTaxSummary},
        {ReportId::DailyIncome, "daily-income", "payments by day with a total per day", true, &BuildDailyIncome},
        {ReportId::GstIncome, "gst-income", "payments with their GST/VAT part", true, &BuildGstIncome},
        {ReportId::Receivables, "receivables", "every invoice with a balance and its age", false, &BuildReceivables},
        {ReportId::AgedReceivables, "aged-receivables", "balances per customer by age", false,
         &BuildAgedReceivables},
        {ReportId::Purchasing, "purchasing", "purchases by product with their cost", true, &BuildPurchasing},
        {ReportId::ProductListing, "product-listing", "every product with its price and reorder level", false,
         &BuildProductListing},
        {ReportId::StockOnHand, "stock-on-hand", "stock on hand today, on order, and what to reorder", false,
         &BuildStockOnHand},
        {ReportId::Inventory, "inventory", "quantity and cost of the stock as of a date", false, &BuildInventory,
         Asks::AsOfDate},
        {ReportId::CostOfGoods, "cost-of-goods", "stock at the start, purchases, stock at the end", true,
         &BuildCostOfGoods},
        {ReportId::CustomerProfile, "customer-profile", "each customer's address beside all they bought", false,
         &BuildCustomerProfile, Asks::Customers},
        {ReportId::ProductBuyers, "product-buyers", "who bought a product, with their group", true,
         &BuildProductBuyers, Asks::Product},
    };
    return list;
}

const ReportEntry& Report(ReportId id) {
    for (const ReportEntry& e : Reports())
        if (e.id == id) return e;
    return Reports().front();  // unreachable: every id has its entry
}

const ReportEntry* FindReport(const QString& name) {
    for (const ReportEntry& e : Reports())
        if (name == QLatin1String(e.name)) return &e;
    return nullptr;
}

}  // namespace reports
