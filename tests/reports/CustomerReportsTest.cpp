// The customer profile and product buyers reports on a small business, their expected lines written out
// as the plain export shows them (" |U" ruled under), and what the profile of one customer reads.
#include <gtest/gtest.h>

#include "reports/CustomerRpt.h"
#include "reports/ReportFixture.h"
#include "reports/ReportList.h"
#include "reports/Selection.h"

using namespace base::literals;
using namespace reports;
using report_testing::day;

namespace {

const double kJune1 = day(2026, 6, 1), kJune30 = day(2026, 6, 30);

class CustomerReportsTest : public report_testing::BusinessReportTest {
protected:
    void SetUp() override {
        BusinessReportTest::SetUp();
        SelectedCustomers.clear();
        SelectedGroups.clear();
        SelectedProduct.clear();
    }
    // Four customers in three groups; widgets bought in June by two of them and by a customer number
    // nobody has, once in July; a spare part nobody bought.
    void business() {
        group(1, "Retail");
        group(2, "Trade");
        group(3, "Staff");
        customer(1, "Mr", "John", "Smith", "Acme Pty Ltd", 1, "1 High St", "Springfield");
        customer(2, "", "Ann", "Lee", "", 2);
        customer(3, "Ms", "Zoe", "Adams", "Zed Ltd", 1);
        customer(4, "", "Bob", "Brown", "", 3);
        product("WIDGET", "Blue widget");
        product("SPARE", "Spare part");
        invoice(1001, 1, kJune1, 0, 0, 0);
        item(1001, "WIDGET", 2, 3.35_dec);
        item(1001, "BOLT", 1, 0.5_dec);
        invoice(1002, 3, day(2026, 6, 15), 0, 0, 0);
        item(1002, "WIDGET", 1, 3.5_dec);
        invoice(1003, 1, day(2026, 6, 20), 0, 0, 0);
        item(1003, "WIDGET", 5, 3);
        invoice(1004, 9, day(2026, 6, 25), 0, 0, 0);
        item(1004, "WIDGET", 1, 3.35_dec);
        invoice(1005, 1, day(2026, 7, 1), 0, 0, 0);
        item(1005, "WIDGET", 1, 3.35_dec);
    }
};

TEST_F(CustomerReportsTest, ProfileSetsTheAddressBlockBesideAllTheCustomerBought) {
    business();
    SelectedCustomers = {1, 2};
    BuildCustomerProfile(0, 0);
    const QStringList expected = {
        "                             Customer Profile",
        "", "", "", " |U",
        " Customer                              Date   Product         Qty  U-Price |U",
        // The address block's name line, as on the documents, keeps the title's width.
        " Mr  John Smith                      6/1/26   WIDGET         2.00     3.35",
        " Acme Pty Ltd                        6/1/26   BOLT           1.00     0.50",
        " 1 High St                          6/20/26   WIDGET         5.00     3.00",
        "                                     7/1/26   WIDGET         1.00     3.35",
        " Springfield  ",
        " Cust#: 1  Group: Retail |U",
        // No purchases: the address lines and the customer's number alone.
        " Ann Lee  ",
        " ",
        " ",
        " Cust#: 2  Group: Trade |U",
    };
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(store::CustTable, nullptr);
}

TEST_F(CustomerReportsTest, ProfileByGroupsTakesTheirCustomersInNameOrder) {
    business();
    SelectedGroups = {2, 1};
    BuildCustomerProfile(0, 0);
    QStringList numbers;
    for (const QString& line : shown())
        if (line.contains(QLatin1String("Cust#"))) numbers << line.trimmed();
    EXPECT_EQ(numbers, QStringList({"Cust#: 3  Group: Retail |U", "Cust#: 2  Group: Trade |U",
                                    "Cust#: 1  Group: Retail |U"}));
}

TEST_F(CustomerReportsTest, ProfileRunsOnOverPagesWithTheAddressAtTheStartOfTheBlock) {
    customer(1, "Mr", "John", "Smith", "Acme Pty Ltd", 0, "1 High St", "Springfield");
    for (int i = 0; i < 30; ++i) {
        invoice(2000 + i, 1, kJune1 + i, 0, 0, 0);
        item(2000 + i, "WIDGET", i + 1, 1);
    }
    m_printer.holdLines(22 + kHeadingReserve, base::ReportFont, 75);
    SelectedCustomers = {1};
    BuildCustomerProfile(0, 0);
    QStringList customerColumn;  // what stands left of the first rule on the lines with a purchase
    int pages = 0, rows = 0;
    for (const QStringList& line : ReportLines) {
        if (line[0].startsWith(QLatin1String("L00Page "))) ++pages;
        if (!line[3].startsWith(QLatin1String("R43")) || line[3] == QLatin1String("R43Date")) continue;
        ++rows;
        EXPECT_EQ(line[3], "R43" + base::DateText(kJune1 + rows - 1));
        if (!line[1].isEmpty()) customerColumn << line[1];
    }
    EXPECT_EQ(rows, 30);
    EXPECT_GE(pages, 2);
    EXPECT_EQ(customerColumn, QStringList({"L01Mr  John Smith", "L01Acme Pty Ltd", "L011 High St", "L01",
                                           "L01Springfield  ", "L01Cust#: 1  Group: "}));
}

// A street too long for the postal code beside it leaves the code a line of its own: without a code
// that line is blanks, as blank as an empty one, and becomes the customer's number line.
TEST_F(CustomerReportsTest, ProfileCountsALineOfBlanksAsBlank) {
    group(1, "Retail");
    customer(5, "", "Cy", "Long", "", 1, "12 The Very Long Road Name Street");
    SelectedCustomers = {5};
    BuildCustomerProfile(0, 0);
    EXPECT_EQ(shown().mid(6), QStringList({" Cy Long", " ", " 12 The Very Long Road Name Street", " Cust#: 5  Group: Retail |U"}));
}

// "UNKNOWN" is the group of a customer nobody has, not of one whose name happens to be that word.
TEST_F(CustomerReportsTest, ProductBuyersKnowsACustomerNamedUnknown) {
    business();
    customer(6, "", "", "UNKNOWN", "", 2);
    invoice(1006, 6, day(2026, 6, 26), 0, 0, 0);
    item(1006, "WIDGET", 1, 3);
    SelectedProduct = QStringLiteral("WIDGET");
    BuildProductBuyers(kJune1, kJune30);
    EXPECT_TRUE(shown().contains(" UNKNOWN                             Trade                 6/26/26      3.00 |U"));
}

TEST_F(CustomerReportsTest, ProductBuyersListsEverySaleOfTheSpanWithNameAndGroup) {
    business();
    SelectedProduct = QStringLiteral("WIDGET");
    BuildProductBuyers(kJune1, kJune30);
    const QStringList expected = {
        "                        Buyers of WIDGET-Blue widget",
        "                         from 6/1/26 through 6/30/26",
        "", "", "", " |U",
        " Customer                            MailGroup                Date   U-Price |U",
        " Mr John Smith                       Retail                 6/1/26      3.35",
        " Ms Zoe Adams                        Retail                6/15/26      3.50",
        " Mr John Smith                       Retail                6/20/26      3.00",
        " UNKNOWN                             UNKNOWN               6/25/26      3.35 |U",
    };
    EXPECT_EQ(shown(), expected);
    EXPECT_TRUE(dialogs->messages().isEmpty());

    // Nobody bought it: nothing to show, nothing said. No invoice in the span: said.
    SelectedProduct = QStringLiteral("SPARE");
    BuildProductBuyers(kJune1, kJune30);
    EXPECT_EQ(LastLine(), -1);
    EXPECT_TRUE(dialogs->messages().isEmpty());
    BuildProductBuyers(day(2027, 1, 1), day(2027, 1, 31));
    EXPECT_EQ(dialogs->messages(), QStringList({"No Invoices within selected dates."}));
    EXPECT_EQ(store::InvTable, nullptr);
}

TEST_F(CustomerReportsTest, UnknownSelectionNamesWhatNothingOnFileHas) {
    business();
    const struct {
        QList<long> customers;
        QList<int> groups;
        QString product;
        const char* unknown;
    } cases[] = {
        {{1, 3}, {}, {}, ""},
        {{1, 77}, {}, {}, "customer 77"},
        {{}, {2, 9}, {}, "group 9"},
        {{}, {}, "SPARE", ""},
        {{}, {}, "NOPE", "product NOPE"},
        {{}, {}, "widget", "product widget"},  // codes are told apart by case
    };
    for (const auto& c : cases) {
        SelectedCustomers = c.customers;
        SelectedGroups = c.groups;
        SelectedProduct = c.product;
        EXPECT_EQ(UnknownSelection(), QLatin1String(c.unknown)) << c.unknown;
    }
    EXPECT_EQ(store::CustTable, nullptr);
}

// One customer's profile among thousands of invoices reads that customer's invoices and lines through
// their tags, not the invoice table.
class ProfileCostTest : public report_testing::DemoReportTest {
protected:
    ProfileCostTest() : DemoReportTest(200, 2400) {}
};

TEST_F(ProfileCostTest, OneCustomerReadsOnlyTheirInvoices) {
    SelectedGroups.clear();
    SelectedCustomers = {7};
    store::Engine().counters().reset();
    BuildCustomerProfile(0, 0);
    const uint64_t read = store::Engine().counters().recordsRead;
    int rows = 0;
    for (const QStringList& line : ReportLines) rows += line[5].startsWith(QLatin1String("L46")) ? 1 : 0;
    ASSERT_GT(rows, 2);  // the heading's "Product" and at least two purchases
    // Each of their invoices and lines once, and one record past each invoice's lines.
    EXPECT_LE(read, uint64_t(3 * rows + 10)) << rows << " rows";
    EXPECT_LT(read, 2400u / 10);
}

}  // namespace
