// The settings record: defaults of a fresh directory, the writers' round trip, cutting and the
// stored form of logicals.
#include <gtest/gtest.h>

#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "support/TestSupport.h"

using namespace base::literals;

using namespace store;

namespace {

class SettingsTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        ASSERT_EQ(WriteDataDir(dataDir(), DataDirOptions{}), 0);
        EngineInit();
        SettingsRec = SettingsBuffer{};
    }
    void TearDown() override {
        EngineEnd();
        DataDirTest::TearDown();
    }
};

TEST_F(SettingsTest, FreshDirectoryStartsWithUsableDefaults) {
    ReadSettings();
    EXPECT_EQ(SettingsRec.FontName.trimmed(), QString());
    EXPECT_EQ(SettingsRec.FontSize, 0);
    EXPECT_EQ(SettingsRec.ShipLine.trimmed(), QStringLiteral("Shipping"));
    EXPECT_EQ(SettingsRec.TaxLine.trimmed(), QStringLiteral("Tax"));
    EXPECT_EQ(SettingsRec.TaxRate2, 10.0_dec);
    EXPECT_EQ(SettingsRec.GSTField, 2);
    EXPECT_TRUE(SettingsRec.ByCust);
    EXPECT_TRUE(SettingsRec.fifo);
    EXPECT_TRUE(Engine().tables().empty());
}

TEST_F(SettingsTest, WritersStoreTheWholeBufferAndCloseTheTable) {
    SettingsRec.FontName = QStringLiteral("DejaVu Sans");
    SettingsRec.FontSize = 11;
    SettingsRec.LabID = QStringLiteral("Sheet 3 x 10");
    SettingsRec.Company = QStringLiteral("Bluegum Office Supplies");
    SettingsRec.Addr4 = QStringLiteral("Port Melville 3999");
    SettingsRec.SigLine = QString(70, QLatin1Char('s'));  // cut to 59
    SettingsRec.LogoHeight = 1.25;
    SettingsRec.LogoWidth = 2.5;
    SettingsRec.ShipLine = QStringLiteral("Freight");
    SettingsRec.TaxLine = QStringLiteral("VAT");
    SettingsRec.ShipTax = 3;
    SettingsRec.TaxRound = 2;
    SettingsRec.LHJustify = 3;
    SettingsRec.TaxRate1 = 12.5_dec;
    SettingsRec.TaxRate2 = 99.99_dec;
    SettingsRec.TopMargin = -0.25;
    SettingsRec.ByCust = false;
    SettingsRec.fifo = true;
    SettingsRec.GSTField = 1;
    const SettingsBuffer saved = SettingsRec;

    EXPECT_TRUE(SaveSettings().ok());
    EXPECT_TRUE(Engine().tables().empty());
    SettingsRec = SettingsBuffer{};
    ReadSettings();

    EXPECT_EQ(SettingsRec.FontName.trimmed(), saved.FontName);
    EXPECT_EQ(SettingsRec.FontSize, 11);
    EXPECT_EQ(SettingsRec.LabID.trimmed(), saved.LabID);
    EXPECT_EQ(SettingsRec.Company.trimmed(), saved.Company);
    EXPECT_EQ(SettingsRec.Addr4.trimmed(), saved.Addr4);
    EXPECT_EQ(SettingsRec.SigLine, QString(59, QLatin1Char('s')));
    EXPECT_EQ(SettingsRec.LogoHeight, 1.25);
    EXPECT_EQ(SettingsRec.LogoWidth, 2.5);
    EXPECT_EQ(SettingsRec.ShipLine.trimmed(), saved.ShipLine);
    EXPECT_EQ(SettingsRec.TaxLine.trimmed(), saved.TaxLine);
    EXPECT_EQ(SettingsRec.ShipTax, 3);
    EXPECT_EQ(SettingsRec.TaxRound, 2);
    EXPECT_EQ(SettingsRec.LHJustify, 3);
    EXPECT_EQ(SettingsRec.TaxRate1, 12.5_dec);
    EXPECT_EQ(SettingsRec.TaxRate2, 99.99_dec);
    EXPECT_EQ(SettingsRec.TopMargin, -0.25);
    EXPECT_FALSE(SettingsRec.ByCust);
    EXPECT_TRUE(SettingsRec.fifo);
    EXPECT_EQ(SettingsRec.GSTField, 1);

    OpenSettings();
    EXPECT_EQ(SettingsTable->recCount(), 1);
    EXPECT_EQ(SettingsTable->field("BYCUST")->text(), "F");
    EXPECT_EQ(SettingsTable->field("FIFO")->text(), "T");
    EXPECT_EQ(SettingsTable->selectedTag(), nullptr);
}

TEST_F(SettingsTest, SaveIntoAnEmptiedSettingsTableIsNotLost) {
    Engine().setAccessMode(1);
    OpenSettings();
    ASSERT_EQ(SettingsTable->zap(1, SettingsTable->recCount()), 0);
    CloseAll();
    Engine().setAccessMode(0);

    SettingsRec.Company = QStringLiteral("Kept");
    EXPECT_TRUE(SaveSettings().ok());
    SettingsRec = SettingsBuffer{};
    ReadSettings();
    EXPECT_EQ(SettingsRec.Company.trimmed(), QStringLiteral("Kept"));
}

}  // namespace
