// The product and purchase windows on their own: captions, money fields in red and in a comma locale,
// and purchases edited without choosing a product.
#include <QApplication>
#include <QTest>

#include "base/Format.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "records/RecordsFixture.h"

using namespace base::literals;

using namespace records;
using namespace records_test;

namespace {

class ProductWindowTest : public WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        store::OpenProd();
        store::OpenPur();
    }
    template <class W>
    void show(std::function<void(W&)> script) {
        dialogs->onModal<W>(std::move(script));
        base::dialogs().showModal(form<W>());
    }
};

TEST_F(ProductWindowTest, ANegativePriceShowsRed) {
    ASSERT_EQ(store::ProdTable->appendBlank(), 0);
    store::ProdRec = store::ProdBuffer{};
    store::ProdRec.PrID = QStringLiteral("REFUND");
    store::ProdRec.UPrice = -5;
    EXPECT_TRUE(store::StoreProd().ok());
    store::CurProductRec = 1;
    show<TProdDef>([](TProdDef& w) {
        EXPECT_EQ(w.MaskEdit1->text(), QStringLiteral("   -5.00"));
        EXPECT_TRUE(w.MaskEdit1->shownNegative());
        EXPECT_FALSE(w.MaskEdit2->shownNegative());
        w.BtnCancelClick();
    });
    store::CurProductRec = 0;
    show<TProdDef>([](TProdDef& w) {
        EXPECT_FALSE(w.MaskEdit1->shownNegative());
        w.MaskEdit1->clear();
        QTest::keyClicks(w.MaskEdit1, "-12");
        EXPECT_TRUE(w.MaskEdit1->shownNegative());
        QTest::keyClick(w.MaskEdit1, Qt::Key_Backspace);
        QTest::keyClick(w.MaskEdit1, Qt::Key_Backspace);
        QTest::keyClick(w.MaskEdit1, Qt::Key_Backspace);
        EXPECT_FALSE(w.MaskEdit1->shownNegative());
    });
}

TEST_F(ProductWindowTest, TaxBoxesCarryTheComputedLinesLabels) {
    store::SettingsRec.ShipLine = QStringLiteral("  GST ");
    store::SettingsRec.TaxLine = QStringLiteral("PST   ");
    store::CurProductRec = 0;
    show<TProdDef>([](TProdDef& w) {
        EXPECT_EQ(w.CheckBox1->text(), QStringLiteral("GST"));
        EXPECT_EQ(w.CheckBox2->text(), QStringLiteral("PST"));
        EXPECT_EQ(w.CheckBox3->text(), QStringLiteral("Inventory Item"));
        EXPECT_FALSE(w.BtnDelete->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), w.Edit1);
        EXPECT_EQ(w.Edit1->maxLength(), 10);
        EXPECT_EQ(w.Edit2->maxLength(), 27);
        EXPECT_EQ(w.Edit3->maxLength(), 27);
        EXPECT_EQ(w.Edit4->maxLength(), 10);
    });
}

TEST_F(ProductWindowTest, MoneyFieldsUseTheLocalesSeparator) {
    testing_support::LocaleScope comma(testing_support::commaLocale());
    addProduct(QStringLiteral("WID"));
    store::CurPurchaseRec = 0;
    show<TPurDef>([](TPurDef& w) {
        EXPECT_EQ(w.MaskEdit2->text(), QStringLiteral("      0,00"));
        EXPECT_EQ(w.MaskEdit3->text(), QStringLiteral("        0,00"));
        EXPECT_EQ(QApplication::focusWidget(), w.BtnProd);
        w.Edit1->setText(QStringLiteral("WID"));
        w.MaskEdit2->setText(QStringLiteral("2,5"));
        w.MaskEdit3->setText(QStringLiteral("10,25"));
        w.BtnSaveClick();
    });
    store::PurBuffer stored;
    store::PurTable->go(1);
    store::ReadRecord(store::PurTable, &stored);
    EXPECT_EQ(stored.PURQty, 2.5_dec);
    EXPECT_EQ(stored.PURCost, 10.25_dec);
}

TEST_F(ProductWindowTest, EditingAPurchaseWithoutProductLeavesTheInventoryFlag) {
    addProduct(QStringLiteral("WID"), false);
    ASSERT_EQ(store::PurTable->appendBlank(), 0);
    store::PurRec = store::PurBuffer{QStringLiteral("WID"), base::DayFromDate(QDate(2026, 3, 1)), 1, 9, 0};
    EXPECT_TRUE(store::StorePur().ok());
    store::CurPurchaseRec = 1;
    show<TPurDef>([](TPurDef& w) {
        EXPECT_EQ(w.Edit1->text(), QStringLiteral("WID"));
        EXPECT_EQ(w.DateTimePicker1->date(), QDate(2026, 3, 1));
        EXPECT_TRUE(w.BtnDelete->isEnabled());
        w.MaskEdit2->setText(QStringLiteral("4"));
        w.BtnSaveClick();
    });
    store::ProdBuffer product;
    store::ProdTable->go(1);
    store::ReadRecord(store::ProdTable, &product);
    EXPECT_FALSE(product.lInven);
    store::PurBuffer stored;
    store::PurTable->go(1);
    store::ReadRecord(store::PurTable, &stored);
    EXPECT_EQ(stored.PURQty, 4);
    EXPECT_EQ(stored.PURDate, base::DayFromDate(QDate(2026, 3, 1)));
    EXPECT_EQ(store::PurTable->recCount(), 1);
}

}  // namespace
