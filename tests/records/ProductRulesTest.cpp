// Product IDs, the duplicate rule and product saving, on the tables themselves.
#include "records/ProductRules.h"
#include "records/RecordsFixture.h"

using namespace base::literals;

using namespace records;
using namespace records_test;

namespace {

class ProductRulesTest : public RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        store::OpenProd();
        store::OpenPur();
    }
    static ProductSave saveNew(const QString& typedId) {
        store::CurProductRec = 0;
        BeginProduct();
        ProductEntry entry;
        entry.id = typedId;
        return SaveProduct(entry).verdict;
    }
    static store::ProdBuffer product(long recno) {
        store::ProdBuffer p;
        store::ProdTable->go(recno);
        store::ReadRecord(store::ProdTable, &p);
        return p;
    }
};

TEST_F(ProductRulesTest, IdsAreTrimmedUpperCasedAndUnique) {
    struct Step {
        const char* typed;
        ProductSave expected;
    };
    const std::vector<Step> steps = {
        {" abc ", ProductSave::Saved},     {"abc", ProductSave::Duplicate}, {"ABCD", ProductSave::Saved},
        {"ab", ProductSave::Saved},        {"   ", ProductSave::BlankId},   {"AbCd ", ProductSave::Duplicate},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed);
        EXPECT_EQ(saveNew(QString::fromLatin1(step.typed)), step.expected);
    }
    ASSERT_EQ(store::ProdTable->recCount(), 3);
    EXPECT_EQ(product(1).PrID.trimmed(), QStringLiteral("ABC"));
    EXPECT_EQ(product(2).PrID.trimmed(), QStringLiteral("ABCD"));
    EXPECT_EQ(product(3).PrID.trimmed(), QStringLiteral("AB"));
}

TEST_F(ProductRulesTest, KeepingTheIdIsNoDuplicateButTakingAnothersIs) {
    addProduct(QStringLiteral("ABC"));
    const long rec = addProduct(QStringLiteral("XYZ"));
    store::CurProductRec = rec;
    ASSERT_TRUE(BeginProduct());
    ProductEntry entry;
    entry.id = QStringLiteral("xyz");
    entry.price = -12.5_dec;
    EXPECT_EQ(SaveProduct(entry), ProductSave::Saved);
    EXPECT_EQ(product(rec).UPrice, -12.5_dec);
    entry.id = QStringLiteral("abc");
    EXPECT_EQ(SaveProduct(entry), ProductSave::Duplicate);
    EXPECT_EQ(product(rec).PrID.trimmed(), QStringLiteral("XYZ"));
}

TEST_F(ProductRulesTest, SavedFieldsAreTrimmedAndADeletedProductStaysDeleted) {
    const long rec = addProduct(QStringLiteral("P1"));
    markDeleted(store::ProdTable, rec);
    store::CurProductRec = rec;
    ASSERT_TRUE(BeginProduct());
    store::ProdRec.ONHAND = 7;
    ProductEntry entry{QStringLiteral(" p1 "), QStringLiteral(" Widget "), QStringLiteral(" blue "),
                       QStringLiteral(" R1 "), QStringLiteral("  text \n\n"), 9.99_dec, 3, true, false, true};
    ASSERT_EQ(SaveProduct(entry), ProductSave::Saved);
    const store::ProdBuffer p = product(rec);
    EXPECT_EQ(p.PDesc.trimmed(), QStringLiteral("Widget"));
    EXPECT_TRUE(p.PDesc.startsWith(QLatin1Char('W')));
    EXPECT_TRUE(p.IComm.startsWith(QLatin1Char('b')));
    EXPECT_TRUE(p.RCode.startsWith(QLatin1Char('R')));
    EXPECT_EQ(p.PMemo, QStringLiteral("text"));
    EXPECT_TRUE(p.LTax1);
    EXPECT_FALSE(p.LTax2);
    EXPECT_TRUE(p.lInven);
    EXPECT_EQ(p.REORDER, 3);
    EXPECT_EQ(p.ONHAND, 7);  // kept as loaded
    EXPECT_TRUE(deletedAt(store::ProdTable, rec));
}

}  // namespace
