#include "reports/ReportList.h"

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
