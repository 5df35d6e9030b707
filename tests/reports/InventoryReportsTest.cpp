// The inventory reports and their valuation: lots consumed first-in-first-out and last-in-first-out,
// then the reports on a small stock built for the purpose, their expected lines written out as the
// plain export shows them (" |U" ruled under, " |B" bold).
#include <gtest/gtest.h>

#include "reports/InventoryRpt.h"
#include "reports/ReportFixture.h"
#include "reports/ReportList.h"
#include "reports/Valuation.h"

using namespace base::literals;
using namespace reports;
using base::Decimal;
using report_testing::day;

namespace {

const double kJune1 = day(2026, 6, 1), kJune5 = day(2026, 6, 5), kJune10 = day(2026, 6, 10),
             kJune30 = day(2026, 6, 30), kJuly2 = day(2026, 7, 2), kJuly5 = day(2026, 7, 5);

TEST(ValueStockTest, LotsAreConsumedAsTheMethodSaysAndValuedAtTheirOwnCost) {
    // Ten units for 20.00 (2.00 each) on the 1st, five for 15.00 (3.00 each) on the 5th.
    const QList<StockPurchase> tenThenFive = {{kJune1, 10, 20}, {kJune5, 5, 15}};
    const struct {
        const char* what;
        QList<StockPurchase> purchases;
        QList<StockSale> sales;
        bool fifo;
        Decimal quantity, cost, onOrder, uncovered;
    } cases[] = {
        {"12 sold, first in first out: 3 of the second lot left", tenThenFive, {{kJune10, 12}}, true, 3, 9, 0, 0},
        {"12 sold, last in first out: 5 of the second, 7 of the first", tenThenFive, {{kJune10, 12}}, false, 3, 6, 0, 0},
        {"last in first out passes over a lot bought after the sale", {{kJune1, 10, 20}, {day(2026, 6, 12), 5, 15}},
         {{kJune10, 12}}, false, 3, 9, 0, 0},
        {"a sale beyond every lot leaves them empty, the rest uncovered", tenThenFive, {{kJune10, 20}}, true, 0, 0, 0, 5},
        {"the same by last in first out", tenThenFive, {{kJune10, 20}}, false, 0, 0, 0, 5},
        {"bought after the date: on order, never stock", {{kJune1, 10, 20}, {kJuly5, 5, 15}}, {}, true, 10, 20, 5, 0},
        {"sold after the date: nothing consumed, all uncovered", tenThenFive, {{kJuly2, 4}}, true, 15, 35, 0, 4},
        {"sold with no lot at all: uncovered", {{kJuly5, 5, 15}}, {{kJune10, 2}}, false, 0, 0, 5, 2},
        {"a return goes back into the oldest lot", tenThenFive, {{kJune10, 12}, {kJune10, -1}}, true, 4, 11, 0, 0},
        {"last in first out: a return goes back into the newest lot not empty", tenThenFive,
         {{kJune10, 12}, {kJune10, -1}}, false, 4, 8, 0, 0},
        {"last in first out: a return after a small sale refills the newer lot", tenThenFive,
         {{kJune10, 3}, {kJune10, -1}}, false, 13, 29, 0, 0},
        {"no quantity makes no lot; no cost is worth nothing", {{kJune1, 0, 7}, {kJune1, -2, 4}, {kJune1, 3, 0}}, {},
         true, 3, 0, 0, 0},
        {"a lot left whole is worth exactly its cost", {{kJune1, 3, 10}}, {}, true, 3, 10, 0, 0},
        {"a third of a cost to the eighth decimal", {{kJune1, 3, 10}}, {{kJune10, 1}}, true, 2, 6.66666667_dec, 0, 0},
    };
    for (const auto& c : cases) {
        const StockValue v = ValueStock({c.purchases, c.sales}, kJune30, c.fifo);
        EXPECT_EQ(v.quantity, c.quantity) << c.what;
        EXPECT_EQ(v.cost, c.cost) << c.what;
        EXPECT_EQ(v.onOrder, c.onOrder) << c.what;
        EXPECT_EQ(v.uncovered, c.uncovered) << c.what;
    }
}

class InventoryReportsTest : public report_testing::BusinessReportTest {
protected:
    // Three products kept in stock and a service; bolts bought twice and twelve sold in June, a gadget
    // bought only after June (and one coming in a month), nuts sold in July, a purchase of a code no
    // product has and a line whose invoice is missing.
    void business() {
        product("BOLT", "Hex bolt", 10, "Box of 100", 4);
        product("GADGET", "Gadget", 5, "", 20);
        product("LABOUR", "Labour hour", {}, "", 50);
        product("NUT", "Hex nut", 12, "", 2);
        purchase("BOLT", kJune1, 10, 20);
        purchase("BOLT", kJune5, 5, 15);
        purchase("NUT", kJune1, 8, 8);
        purchase("GHOST", day(2026, 6, 3), 2, 5);
        purchase("GADGET", kJuly5, 4, 40);
        purchase("GADGET", base::Today() + 30, 2, 20);
        invoice(1001, 1, kJune10, 0, 0, 0);
        item(1001, "BOLT", 12, 4);
        item(1001, "LABOUR", 2, 50);
        invoice(1002, 1, kJuly2, 0, 0, 0);
        item(1002, "NUT", 3, 2);
        invoice(1003, 1, day(2026, 6, 20), 0, 0, 0);
        item(1003, "GADGET", 1, 20);
        item(1999, "NUT", 100, 2);
    }
};

TEST_F(InventoryReportsTest, PurchasingListsTheSpanByProductWithMissingProductsNotFound) {
    business();
    BuildPurchasing(kJune1, kJune30);
    const QStringList expected = {
        "             Purchasing Report for 6/1/26 through 6/30/26",
        "", "", "", " |U",
        "Product     Description                    Date   Quantity         Cost |U",
        "BOLT        Hex bolt                     6/1/26      10.00        20.00",
        "                                         6/5/26       5.00        15.00",
        "GHOST       Not Found                    6/3/26       2.00         5.00",
        "NUT         Hex nut                      6/1/26       8.00         8.00 |U",
        "Total                                                             48.00",
    };
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(store::PurTable, nullptr);
}

// The description is looked up without regard to case: a purchase keyed "bolt" is the bolt's.
TEST_F(InventoryReportsTest, PurchasingFindsTheProductWhateverTheCaseOfItsCode) {
    product("BOLT", "Hex bolt", 10, "", 4);
    product("Nut", "Hex nut", 12, "", 2);
    purchase("bolt", kJune1, 10, 20);
    purchase("NUT", kJune1, 8, 8);
    purchase("Nut", kJune5, 1, 1);
    BuildPurchasing(kJune1, kJune30);
    EXPECT_EQ(shown().mid(6, 3), QStringList({"bolt        Hex bolt                     6/1/26      10.00        20.00",
                                  "NUT         Hex nut                      6/1/26       8.00         8.00",
                                  "Nut         Hex nut                      6/5/26       1.00         1.00 |U"}));
}

TEST_F(InventoryReportsTest, ProductListingHasEveryProductWithItsComment) {
    business();
    BuildProductListing(0, 0);
    const QStringList expected = {
        "                         Product Listing",
        "", "", "", " |U",
        "Product     Description                  Unit Price      Reorder |U",
        "BOLT        Hex bolt                           4.00        10.00",
        "            Box of 100",
        "GADGET      Gadget                            20.00         5.00",
        "LABOUR      Labour hour                       50.00         0.00",
        "NUT         Hex nut                            2.00        12.00 |U",
    };
    EXPECT_EQ(shown(), expected);
}

TEST_F(InventoryReportsTest, InventoryAsOfADateValuesTheLotsLeftByEitherMethod) {
    business();
    for (bool fifo : {true, false}) {
        store::SettingsRec.fifo = fifo;
        BuildInventory(kJune30, kJune30);
        const QStringList expected = {
            "                      Inventory as of 6/30/26",
            "", "", "", " |U",
            "Product     Description                     Quantity           Cost |U",
            fifo ? "BOLT        Hex bolt                            3.00           9.00"
                 : "BOLT        Hex bolt                            3.00           6.00",
            "GADGET      Gadget                              0.00           0.00",
            "NUT         Hex nut                             8.00           8.00 |U",
            fifo ? "                                               Total          17.00"
                 : "                                               Total          14.00",
        };
        EXPECT_EQ(shown(), expected) << fifo;
    }
}

TEST_F(InventoryReportsTest, StockOnHandSaysWhatToReorderAndIsOkExactlyAtTheLevel) {
    business();
    BuildStockOnHand(0, 0);
    QStringList lines;
    for (const QStringList& line : ReportLines)
        lines << ExportLine(line, ExportKind::Plain) + (IsBold(line.last()) ? " |B" : "") +
                     (IsUnderlined(line.last()) ? " |U" : "");
    const QString title = "Stock On-Hand as of " + base::DateText(base::Today());  // centred on column 42
    const QStringList expected = {
        QString(42 - title.size() / 2, QLatin1Char(' ')) + title + " |B",
        "", "", "", " |U",
        "                                            Quantity     Quantity      Reorder   Need",
        "Product     Description                      On-Hand     On-Order        Level  Stock |U",
        "BOLT        Hex bolt                            3.00         0.00        10.00    YES |B",
        "GADGET      Gadget                              3.00         2.00         5.00     OK",
        "NUT         Hex nut                             5.00         0.00        12.00    YES |B |U",
    };
    EXPECT_EQ(lines.mid(2), expected);
}

TEST_F(InventoryReportsTest, CostOfGoodsCountsAPurchaseOnTheFirstDayAmongThePurchases) {
    business();
    for (bool fifo : {true, false}) {
        store::SettingsRec.fifo = fifo;
        BuildCostOfGoods(kJune5, kJune30);
        const QStringList expected = {
            "  Cost of Goods Sold from 6/5/26 through 6/30/26",
            "", "", "", " |U",
            "Description                                 Amount |U",
            "Beginning Inventory                          28.00",
            "Inventory Purchases                          15.00 |U",
            "Total                                        43.00",
            fifo ? "Ending Inventory                             17.00 |U"
                 : "Ending Inventory                             14.00 |U",
            fifo ? "Cost of Goods Sold                           26.00" : "Cost of Goods Sold                           29.00",
        };
        EXPECT_EQ(shown(), expected) << fifo;
    }
}

TEST_F(InventoryReportsTest, InventoryAsOfAnswersForTheCurrentProductOnly) {
    business();
    store::OpenPur();
    store::OpenItm();
    store::OpenInv();
    StockValue v;
    store::ProdRec.lInven = false;
    EXPECT_FALSE(InventoryAsOf("BOLT", kJune30, &v));
    EXPECT_EQ(v.quantity, Decimal());
    store::ProdRec.lInven = true;
    ASSERT_TRUE(InventoryAsOf("NUT", kJune30, &v));
    // The line of a missing invoice is left out; July's sale is uncovered at the end of June.
    EXPECT_EQ(v.quantity, 8);
    EXPECT_EQ(v.uncovered, 3);
    ASSERT_TRUE(InventoryAsOf("bolt", kJune30, &v));  // codes are told apart by case
    EXPECT_EQ(v.quantity, Decimal());
    store::CloseAll();
}

TEST_F(InventoryReportsTest, AnEmptyBusinessValuesNothing) {
    ASSERT_TRUE(store::OpenPur() && store::OpenItm() && store::OpenInv());
    EXPECT_TRUE(ReadStockHistories({}).isEmpty());
    store::CloseAll();
    for (ReportId id : {ReportId::StockOnHand, ReportId::Inventory, ReportId::CostOfGoods}) {
        Report(id).build(kJune1, kJune30);
        EXPECT_EQ(store::ItmTable, nullptr) << Report(id).name;
        EndReport();
    }
}

// A generated business: products, their purchases and some thousands of lines.
class ValuationCostTest : public report_testing::DemoReportTest {
protected:
    ValuationCostTest() : DemoReportTest(100, 1500) {}
};

// Valuing every product reads each line, purchase and invoice a small constant number of times, never
// every line once per product.
TEST_F(ValuationCostTest, ValuingAllProductsReadsEachRecordAboutOnce) {
    store::OpenProd();
    store::OpenPur();
    store::OpenItm();
    store::OpenInv();
    const uint64_t products = store::ProdTable->recCount(), purchases = store::PurTable->recCount(),
                   lines = store::ItmTable->recCount(), invoices = store::InvTable->recCount();
    store::CloseAll();
    ASSERT_GT(products, 150u);
    ASSERT_GT(lines, 3000u);
    for (ReportId id : {ReportId::StockOnHand, ReportId::Inventory, ReportId::CostOfGoods}) {
        store::Engine().counters().reset();
        Report(id).build(kJune1, kJune30);
        EndReport();
        const uint64_t read = store::Engine().counters().recordsRead;
        // Each record once, and one record past the end of each product's purchases and lines.
        EXPECT_LE(read, 2 * (products + purchases + lines + invoices)) << Report(id).name << ": " << read;
    }
}

// Many products' lines are read in record order, one product's through the product tag: both give the
// same histories, sales in invoice-number order, a product twice on an invoice (a return among them)
// kept as stored, and a code in other letters kept apart.
TEST_F(ValuationCostTest, ManyProductsReadInRecordOrderHaveTheHistoriesOneProductHas) {
    ASSERT_TRUE(store::OpenProd() && store::OpenPur() && store::OpenItm() && store::OpenInv());
    ASSERT_EQ(store::ItmTable->go(1), 0);
    const long ivNo = store::ReadField(store::ItmTable, &store::ItmBuffer::IvNo);
    const QString code = store::ReadField(store::ItmTable, &store::ItmBuffer::PrID).trimmed();
    const std::pair<QString, Decimal> added[] = {{code, 2.5_dec}, {code, -1_dec}, {code.toLower(), 5_dec}};
    for (const auto& [lineCode, qty] : added) {
        ASSERT_EQ(store::ItmTable->appendBlank(), 0);
        store::ItmRec = {};
        store::ItmRec.IvNo = ivNo;
        store::ItmRec.PrID = lineCode;
        store::ItmRec.Qty = qty;
        ASSERT_TRUE(store::StoreItm().ok());
    }
    QStringList codes = {code.toLower()};
    store::SelectTag(store::ProdTable, store::TagId::Prod);
    for (int rc = store::ProdTable->top(); rc == xbase::kOk && !store::ProdTable->eof(); rc = store::ProdTable->skip(1))
        codes.append(store::ReadField(store::ProdTable, &store::ProdBuffer::PrID));
    const uint64_t lines = store::ItmTable->recCount();
    store::Engine().counters().reset();
    const QHash<QString, StockHistory> all = ReadStockHistories(codes);
    EXPECT_GE(store::Engine().counters().recordsRead, lines) << "every line read once in record order";
    EXPECT_EQ(all.value(code.toLower()).sales.size(), 1);
    EXPECT_GE(all.value(code).sales.size(), 3);
    for (const QString& one : codes) {
        const QString trimmed = one.trimmed();
        store::Engine().counters().reset();
        const StockHistory alone = ReadStockHistories({one}).value(trimmed);
        EXPECT_LT(store::Engine().counters().recordsRead, lines / 4) << "through the tags";
        EXPECT_EQ(alone, all.value(trimmed)) << trimmed.toStdString();
    }
    store::CloseAll();
}

}  // namespace
