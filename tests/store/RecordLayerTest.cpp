// The record layer over a fresh data directory: numbering, the address block, loading an invoice,
// storing and committing, field conversions, the fatal open path and the data-file check.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <vector>

#include "base/Format.h"
#include "store/Customers.h"
#include "store/DataDir.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/ImportDirs.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

using namespace base::literals;

using namespace store;

namespace {

class RecordLayerTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        QString error;
        ASSERT_EQ(WriteDataDir(dataDir(), DataDirOptions{}, &error), 0) << error.toStdString();
        EngineInit();
        SetProgramExitHook([this] { ++m_exits; });
        SettingsRec = DefaultSettings();
        CustRec = CustBuffer{};
    }
    void TearDown() override {
        EngineEnd();
        SetProgramExitHook(nullptr);
        DataDirTest::TearDown();
    }

    static void addCustomer(long number, const QString& last = QStringLiteral("Smith")) {
        ASSERT_EQ(CustTable->appendBlank(), 0);
        CustRec = CustBuffer{};
        CustRec.cuno = number;
        CustRec.last = last;
        EXPECT_TRUE(StoreCust().ok());
    }

    static void addInvoice(long ivNo, long cuNo) {
        ASSERT_EQ(InvTable->appendBlank(), 0);
        InvRec = InvBuffer{};
        InvRec.IvNo = ivNo;
        InvRec.CuNo = cuNo;
        InvRec.IDate = base::DayFromDate(QDate(2026, 3, 14));
        EXPECT_TRUE(StoreInv().ok());
    }

    static void addItem(long ivNo, const QString& prId, base::Decimal qty, base::Decimal price) {
        ASSERT_EQ(ItmTable->appendBlank(), 0);
        ItmRec = ItmBuffer{};
        ItmRec.IvNo = ivNo;
        ItmRec.PrID = prId;
        ItmRec.Qty = qty;
        ItmRec.UPR = price;
        ItmRec.LTax2 = true;
        ItmRec.PDesc = QStringLiteral("Widget");
        ItmRec.IComm = QStringLiteral("  blue  ");
        EXPECT_TRUE(StoreItm().ok());
    }

    static void openInvoiceTables() {
        OpenCust();
        OpenInv();
        OpenItm();
        OpenPmt();
        OpenProd();
    }

    int m_exits = 0;
};

TEST_F(RecordLayerTest, NextCustomerNumberFillsTheFirstGap) {
    struct Case {
        std::vector<long> numbers;
        long expected;
    };
    const std::vector<Case> cases{
        {{}, 1}, {{1, 2, 3, 5}, 4}, {{2, 3}, 1}, {{1, 2, 3}, 4}, {{3, 1, 1, 2}, 4}, {{1, 2, 4, 4, 5}, 3}};
    for (const Case& c : cases) {
        CloseAll();
        ASSERT_EQ(WriteDataDir(dataDir(), DataDirOptions{}), 0);
        OpenCust();
        for (long n : c.numbers) addCustomer(n);
        EXPECT_EQ(NextCustomerNumber(), c.expected) << "case with " << c.numbers.size() << " numbers";
        // The order the caller had selected stays selected.
        ASSERT_NE(CustTable->selectedTag(), nullptr);
        EXPECT_EQ(QString::fromStdString(CustTable->selectedTag()->name()).toUpper(), QStringLiteral("CNAME"));
    }
}

TEST_F(RecordLayerTest, AddressBlockPutsThePostalCodeBesideOrBelowTheLastLine) {
    const QString at22 = QString(22, QLatin1Char('a'));
    const QString at23 = QString(23, QLatin1Char('b'));
    const QString blanks20(20, QLatin1Char(' '));
    struct Case {
        bool byName;
        QString addr1;
        QString addr4;
        QStringList expected;
    };
    // Title "Dr" padded to its field as loaded from the table: the padding stays inside the name line.
    const std::vector<Case> cases{
        {true, at22, {}, {QStringLiteral("Dr  Ann Lee"), at22 + QStringLiteral("  3000"), {}, {}, {}}},
        {true, at23, {}, {QStringLiteral("Dr  Ann Lee"), at23, blanks20 + QStringLiteral("3000"), {}, {}}},
        {false, at22, {}, {at22, QStringLiteral("Dr  Ann Lee  3000"), {}, {}, {}}},
        {false, at23, {}, {at23, QStringLiteral("Dr  Ann Lee  3000"), {}, {}, {}}},
        {false, {}, {}, {{}, QStringLiteral("Dr  Ann Lee  3000"), {}, {}, {}}},
        {true, QStringLiteral("1 Mill Lane"), QStringLiteral("Ashcombe"),
         {QStringLiteral("Dr  Ann Lee"), QStringLiteral("1 Mill Lane"), {}, {}, QStringLiteral("Ashcombe  3000")}},
        // No sixth line exists: a long last line keeps the code beside it rather than losing it.
        {true, QStringLiteral("1 Mill Lane"), at23,
         {QStringLiteral("Dr  Ann Lee"), QStringLiteral("1 Mill Lane"), {}, {}, at23 + QStringLiteral("  3000")}},
    };
    for (const Case& c : cases) {
        SettingsRec.ByCust = c.byName;
        CustRec = CustBuffer{};
        CustRec.title = QStringLiteral("Dr ");
        CustRec.first = QStringLiteral(" Ann ");
        CustRec.last = QStringLiteral("Lee                 ");
        CustRec.addr1 = c.addr1;
        CustRec.addr4 = c.addr4;
        CustRec.zip = QStringLiteral("3000      ");
        BuildAddressBlock();
        EXPECT_EQ(AddressBlock, c.expected) << "byName " << c.byName << " addr1 " << c.addr1.size();
    }
}

TEST_F(RecordLayerTest, InvoiceOfAMissingCustomerLeavesTheCustomerAlone) {
    openInvoiceTables();
    addCustomer(7, QStringLiteral("Keeper"));
    addInvoice(1001, 99);
    LoadCust();
    const CustBuffer before = CustRec;
    CurCustRec = -1;
    CurInvoiceRec = InvTable->recNo();

    LoadInvoice();

    EXPECT_EQ(AddressBlock, QStringList{QString()});
    EXPECT_EQ(CustRec.cuno, before.cuno);
    EXPECT_EQ(CustRec.last, before.last);
    EXPECT_EQ(CurCustRec, -1);
    EXPECT_EQ(LastItemRow, -1);
    EXPECT_EQ(LastPmtRow, -1);
}

TEST_F(RecordLayerTest, LoadInvoiceBuildsRowsFromLinesPaymentsAndProducts) {
    openInvoiceTables();
    ASSERT_EQ(ProdTable->appendBlank(), 0);
    ProdRec = ProdBuffer{};
    ProdRec.PrID = QStringLiteral("KNOWN");
    ProdRec.RCode = QStringLiteral(" R1 ");
    ProdRec.PMemo = QStringLiteral("  Warranty text  ");
    EXPECT_TRUE(StoreProd().ok());
    addCustomer(5, QStringLiteral("Payer"));
    addInvoice(1001, 5);
    const long invoiceRec = InvTable->recNo();
    addInvoice(1002, 5);
    addItem(1001, QStringLiteral("KNOWN"), 2, 12.5_dec);
    addItem(1002, QStringLiteral("KNOWN"), 9, 9);  // another invoice's line is not collected
    addItem(1001, QStringLiteral("GONE"), 1.5_dec, -3);
    ASSERT_EQ(PmtTable->appendBlank(), 0);
    PmtRec = PmtBuffer{1001, base::DayFromDate(QDate(2026, 4, 2)), 25, 2.27_dec, true};
    EXPECT_TRUE(StorePmt().ok());

    CurInvoiceRec = invoiceRec;
    LoadInvoice();

    ASSERT_EQ(LastItemRow, 1);
    ASSERT_EQ(ItemRows.size(), 2);
    EXPECT_EQ(ItemRows[0], (QStringList{QStringLiteral("KNOWN     "), QStringLiteral("     2.00"),
                                        QStringLiteral("   12.50"), QStringLiteral("f"), QStringLiteral("t"),
                                        QStringLiteral("Widget") + QString(53, QLatin1Char(' ')),
                                        QStringLiteral("blue"), QStringLiteral("R1"), QStringLiteral("Warranty text")}));
    EXPECT_EQ(ItemRows[1][0], QStringLiteral("GONE      "));
    EXPECT_EQ(ItemRows[1][1], QStringLiteral("     1.50"));
    EXPECT_EQ(ItemRows[1][2], QStringLiteral("   -3.00"));
    EXPECT_EQ(ItemRows[1][7], QString());
    EXPECT_EQ(ItemRows[1][8], QString());
    ASSERT_EQ(LastPmtRow, 0);
    EXPECT_EQ(PaymentRows[0], (QStringList{QStringLiteral("4/2/26"), QStringLiteral("     25.00"),
                                           QStringLiteral("      2.27"), QStringLiteral("T")}));
    EXPECT_EQ(AddressBlock.size(), 5);
    EXPECT_EQ(AddressBlock[0], QStringLiteral("Payer  "));
    EXPECT_EQ(CustRec.cuno, 5);
}

TEST_F(RecordLayerTest, StoreLeavesTheTableOnTheSameRecordAndOrderWithTheIndexOnDisk) {
    OpenCust();
    for (const char* name : {"Carter", "Adams", "Baker", "Dunn"}) addCustomer(NextCustomerNumber(), QLatin1String(name));
    CustTable->selectTag(CustTable->findTag("CCNO"));
    ASSERT_EQ(CustTable->go(3), 0);
    LoadCust();
    CustRec.last = QStringLiteral("Zeller");
    EXPECT_TRUE(StoreCust().ok());

    EXPECT_EQ(CustTable->recNo(), 3);
    EXPECT_EQ(QString::fromStdString(CustTable->selectedTag()->name()).toUpper(), QStringLiteral("CCNO"));
    EXPECT_EQ(LastResult, 0);

    // Another user opening the table now finds the new key through the index file.
    xbase::Context other;
    xbase::Table* table = other.openTable("CUST5");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->selectTag(table->findTag("cname")), 0);
    EXPECT_EQ(table->seek("ZELLER"), 0);
    EXPECT_EQ(table->recNo(), 3);
    EXPECT_NE(table->seek("BAKER"), 0);  // the old key is gone from the index
}

TEST_F(RecordLayerTest, FieldConversionsOnStore) {
    OpenInv();
    addInvoice(1001, 1);
    InvRec.IDate = 0;
    InvRec.REM = QStringLiteral("Note with trailing blanks  \r\n  ");
    EXPECT_TRUE(StoreInv().ok());
    EXPECT_EQ(QString::fromStdString(InvTable->field("IDATE")->text()).trimmed(), QString());
    LoadInv();
    EXPECT_EQ(InvRec.IDate, 0);
    EXPECT_EQ(InvRec.REM, QStringLiteral("Note with trailing blanks"));

    OpenCust();
    addCustomer(1);
    CustRec.email = QString(60, QLatin1Char('e'));
    CustRec.note = QStringLiteral("Café Ümlaut €");  // Windows-1252 round trip
    EXPECT_TRUE(StoreCust().ok());
    EXPECT_EQ(CustTable->field("NOTE")->text().substr(0, 13), std::string("Caf\xE9 \xDCmlaut \x80"));
    LoadCust();
    EXPECT_EQ(CustRec.email, QString(59, QLatin1Char('e')) + QLatin1Char(' '));
    EXPECT_EQ(CustRec.note.trimmed(), QStringLiteral("Café Ümlaut €"));

    OpenItm();
    addItem(1001, QStringLiteral("A"), 1, 1);
    EXPECT_EQ(ItmTable->field("LTAX2")->text(), "T");
    EXPECT_EQ(ItmTable->field("LTAX1")->text(), "F");
    EXPECT_EQ(ItmTable->field("LBUILD")->text(), "F");
}

TEST_F(RecordLayerTest, MemoLongerThanTheEntryLimitIsStoredWhole) {
    OpenCust();
    addCustomer(1);
    QString memo;
    for (int i = 0; memo.size() < kMemoLimit + 8000; ++i) memo += QStringLiteral("line %1\r\n").arg(i);
    memo = memo.trimmed();
    CustRec.comments = memo;
    EXPECT_TRUE(StoreCust().ok());
    CloseAll();
    OpenCust();
    LoadCust();
    EXPECT_GT(CustRec.comments.size(), kMemoLimit);
    EXPECT_EQ(CustRec.comments, memo);
}

TEST_F(RecordLayerTest, MissingSettingsTableEndsTheProgramWithTheFileName) {
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("CRV1.dbf"))));
    testing_support::ScriptedDialogs dialogs;

    EXPECT_FALSE(OpenSettings());

    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Unable to open file CRV1.DBF\nProgram will now terminate.")});
    ASSERT_EQ(dialogs.events().size(), 1u);
    EXPECT_EQ(dialogs.events()[0].kind, base::MsgKind::Information);
    EXPECT_EQ(m_exits, 1);
    EXPECT_EQ(SettingsTable, nullptr);
}

TEST_F(RecordLayerTest, MissingDefaultTagNamesItsIndexFile) {
    // A group file that lists every customer tag but the default one.
    QFile group(path(QStringLiteral("CUST5.cgp")));
    ASSERT_TRUE(group.open(QIODevice::WriteOnly | QIODevice::Truncate));
    group.write("ccno.ntx\r\nczip.ntx\r\n");
    group.close();
    testing_support::ScriptedDialogs dialogs;
    OpenGroups();

    EXPECT_FALSE(OpenCust());

    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Unable to open file cName.ntx\nProgram will now terminate.")});
    EXPECT_EQ(m_exits, 1);
    EXPECT_EQ(GroupsTable, nullptr);  // the exit path closed every table
}

TEST_F(RecordLayerTest, DataFilesPresentIgnoresCaseAndNeedsAllNine) {
    EXPECT_TRUE(DataFilesPresent());
    ASSERT_TRUE(QFile::rename(path(QStringLiteral("ITM5.dbf")), path(QStringLiteral("itm5.DBF"))));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("ImpDirs.dbf"))));  // not one of the nine
    EXPECT_TRUE(DataFilesPresent());
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("GSTPMT.dbf"))));
    EXPECT_FALSE(DataFilesPresent());
}

TEST_F(RecordLayerTest, ImportDirectoriesRoundTripCutTo126) {
    InfoDir = QStringLiteral("  /srv/orders/info  ");
    OrderDir = QString(130, QLatin1Char('d'));
    EXPECT_TRUE(SaveImportDirs().ok());
    InfoDir = OrderDir = QStringLiteral("stale");
    LoadImportDirs();
    EXPECT_EQ(InfoDir, QStringLiteral("/srv/orders/info"));
    EXPECT_EQ(OrderDir, QString(126, QLatin1Char('d')));
    EXPECT_TRUE(Engine().tables().empty());
}

TEST_F(RecordLayerTest, FindCustomerGroupLoadsOrClears) {
    OpenGroups();
    ASSERT_EQ(GroupsTable->appendBlank(), 0);
    GroupRec = GroupBuffer{7, QStringLiteral("Trade")};
    EXPECT_TRUE(StoreGroup().ok());
    CustRec.ngroup = 7;
    GroupRec = GroupBuffer{};
    FindCustomerGroup();
    EXPECT_EQ(GroupRec.nGroup, 7);
    EXPECT_EQ(GroupRec.cGroup.trimmed(), QStringLiteral("Trade"));
    CustRec.ngroup = 8;
    FindCustomerGroup();
    EXPECT_EQ(GroupRec.nGroup, 0);
    EXPECT_EQ(GroupRec.cGroup, QString());
}

}  // namespace

namespace {

// A failure is told by the call that failed and never taken for a later command's: each refused
// store below is followed by an open, which must simply work.
TEST_F(RecordLayerTest, AFailureIsToldWhereItHappensAndNotByTheNextOpen) {
    ASSERT_TRUE(OpenCust());
    ASSERT_TRUE(OpenProd());
    struct Case {
        const char* name;
        std::function<WriteResult()> fail;
        const char* reason;
        bool (*next)();
    };
    const Case cases[] = {
        {"customer number too wide",
         [] {
             addCustomer(1);
             CustRec.cuno = 1234567;
             return StoreCust();
         },
         "too wide", OpenGroups},
        {"product store past the end",
         [] {
             ProdTable->bottom();
             ProdTable->skip(1);
             return StoreProd();
         },
         "no record", OpenInv},
    };
    for (const Case& c : cases) {
        const WriteResult result = c.fail();
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_TRUE(result.reason().contains(QLatin1String(c.reason))) << c.name << ": " << result.reason().toStdString();
        EXPECT_TRUE(c.next()) << c.name;
        EXPECT_EQ(ErrorCode(), 0) << c.name;
    }
    // The refused number left the stored one as it was.
    CustTable->go(1);
    LoadCust();
    EXPECT_EQ(CustRec.cuno, 1);
    EXPECT_EQ(m_exits, 0);
}

// A buffer bound wrongly on purpose: the check names every fault.
struct MisboundBuffer {
    QString last;
    int wrongKind = 0;
    bool flag = false;
    long number = 0;
    QString unknown;
};

}  // namespace

template <>
struct store::BindingOf<MisboundBuffer> : store::BoundTo<MisboundBuffer, store::TableKey::Cust> {};
template <>
const std::vector<store::Binding<MisboundBuffer>>& store::BoundTo<MisboundBuffer, store::TableKey::Cust>::list() {
    using B = MisboundBuffer;
    static const std::vector<Binding<B>> list{{"LAST", &B::last},       {"FIRST", &B::wrongKind},
                                              {"NGROUP", &B::flag},     {"CUNO", &B::number},
                                              {"CUNO", &B::number},     {"NOSUCH", &B::unknown}};
    return list;
}

namespace {

TEST(RecordBindings, EveryBindingAndTagFitsTheCatalogueAndAMisfitIsNamed) {
    const std::vector<std::string> faults = RecordLayerFaults();
    EXPECT_TRUE(faults.empty()) << (faults.empty() ? std::string() : faults.front());

    std::vector<std::string> misfits = BindingFaults<MisboundBuffer>();
    const std::vector<std::string> expected{"CUST5.FIRST: a whole number bound to a field of type C",
                                            "CUST5.NGROUP: a flag bound to a field of type N",
                                            "CUST5.CUNO: bound twice", "CUST5.NOSUCH: no such field"};
    EXPECT_EQ(misfits, expected);
    // A member's field is found by its binding, with its catalogued width.
    EXPECT_EQ(FieldWidth(&CustBuffer::last), 20);
    EXPECT_EQ(FieldWidth(&GroupBuffer::cGroup), 59);
}

}  // namespace
