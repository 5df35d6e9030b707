// The paging behind the grid pick lists, over a real customer table: where a showing places the page,
// what each key and scroll event does, the incremental search, and the cells of each kind of row.
#include <algorithm>

#include "PickFixture.h"
#include "records/PickPager.h"
#include "records/PickRows.h"

using namespace base::literals;

namespace records_test {
namespace {

using records::PickKey;
using records::PickPager;
using records::PickScroll;

class PickPagerTest : public PickTest {
protected:
    void SetUp() override {
        PickTest::SetUp();
        ASSERT_TRUE(store::OpenCust());
        ASSERT_TRUE(store::OpenGroups());
    }
    // Customers NAME01..NAMEnn appended in a scrambled order, so record numbers differ from positions.
    // Returns the record numbers in name order.
    std::vector<long> addScrambled(int count) {
        std::vector<long> inOrder(size_t(count), 0);
        for (int k = 0; k < count; ++k) {
            const int i = (k * 37) % count;  // 37 is prime to the counts used here
            inOrder[size_t(i)] = addCustomer(QStringLiteral("NAME%1").arg(i + 1, 2, 10, QLatin1Char('0')), "A");
        }
        select("CName");
        return inOrder;
    }
    static void select(const char* tag) { store::CustTable->selectTag(store::CustTable->findTag(tag)); }
    // The last names on the page.
    static QStringList names(const PickPager& pager) {
        QStringList out;
        for (const records::PickRow& row : pager.rows()) out << row.cells.value(0);
        return out;
    }
    static QString name(int i) { return QStringLiteral("NAME%1").arg(i, 2, 10, QLatin1Char('0')); }

    PickPager customers{records::CustomerCellsByName, true};
};

TEST_F(PickPagerTest, TenRecordsFitOnePageElevenScroll) {
    addNumberedCustomers(10);
    select("CName");
    long current = 7;
    customers.show(store::CustTable, &current);
    EXPECT_EQ(current, 7) << "a single page sets no answer";
    EXPECT_FALSE(customers.scrollBarVisible());
    EXPECT_EQ(customers.maxPageTop(), 0);
    EXPECT_EQ(names(customers).size(), 10);
    EXPECT_EQ(customers.selectedRow(), 1);
    for (const PickKey key : {PickKey::PageDown, PickKey::End, PickKey::Down})
        EXPECT_FALSE(customers.key(key));
    EXPECT_EQ(customers.pageTop(), 0);
    EXPECT_EQ(customers.selectedRow(), 10);

    addCustomer(name(11), "A");
    customers.show(store::CustTable, &current);
    EXPECT_EQ(current, -1);
    EXPECT_TRUE(customers.scrollBarVisible());
    EXPECT_EQ(customers.maxPageTop(), 1);
    EXPECT_EQ(customers.pageTop(), 1) << "record 7 on top would pass the last page";
    EXPECT_EQ(customers.selectedRow(), 6);
    EXPECT_EQ(customers.scrollPosition(), 100);
    EXPECT_TRUE(customers.key(PickKey::Home));
    EXPECT_EQ(customers.scrollPosition(), 0);
    EXPECT_EQ(names(customers).first(), name(1));
}

TEST_F(PickPagerTest, ShowingPlacesThePageOnTheCurrentRecord) {
    const std::vector<long> recs = addScrambled(50);
    struct Case {
        int position;  // 1-based place in name order; 0: no current record
        long pageTop;
        int row;
    };
    for (const Case c : {Case{50, 40, 10}, Case{5, 4, 1}, Case{45, 40, 5}, Case{0, 0, 1}, Case{1, 0, 1}}) {
        long current = c.position > 0 ? recs[size_t(c.position - 1)] : 0;
        customers.show(store::CustTable, &current);
        EXPECT_EQ(current, -1);
        EXPECT_EQ(customers.pageTop(), c.pageTop) << c.position;
        EXPECT_EQ(customers.selectedRow(), c.row) << c.position;
        EXPECT_EQ(names(customers).first(), name(int(c.pageTop) + 1)) << c.position;
        if (c.position > 0) { EXPECT_EQ(customers.selectedRecNo(), recs[size_t(c.position - 1)]); }
    }
}

TEST_F(PickPagerTest, OrdinalIsExactForEveryRecordDeletedOnesIncluded) {
    const std::vector<long> recs = addScrambled(60);
    for (const long deleted : {recs[3], recs[30], recs[59]}) markDeleted(store::CustTable, deleted);
    select("CName");
    for (size_t i = 0; i < recs.size(); ++i) {
        long current = recs[i];
        customers.show(store::CustTable, &current);
        const long expected = std::min<long>(long(i), 50);
        ASSERT_EQ(customers.pageTop(), expected) << "record at place " << i;
        EXPECT_EQ(customers.selectedRecNo(), recs[i]);
    }
}

TEST_F(PickPagerTest, KeysMoveThePageAndTheSelection) {
    addScrambled(50);
    long current = 0;
    customers.show(store::CustTable, &current);
    struct Step {
        PickKey key;
        long pageTop;
        int row;
    };
    const Step steps[] = {
        {PickKey::Down, 0, 2},     {PickKey::Up, 0, 1},     {PickKey::Up, 0, 1},       // Up on row 1 of the first page
        {PickKey::PageUp, 0, 1},   {PickKey::PageDown, 10, 10}, {PickKey::Down, 11, 10},  // row 10 shows the next one
        {PickKey::Up, 11, 9},      {PickKey::Up, 11, 8},    {PickKey::Home, 0, 1},
        {PickKey::Up, 0, 1},       {PickKey::End, 40, 10},  {PickKey::Down, 40, 10},   // the last page stays
        {PickKey::PageDown, 40, 10}, {PickKey::PageUp, 30, 1}, {PickKey::Up, 29, 1},
    };
    for (const Step& s : steps) {
        customers.key(s.key);
        EXPECT_EQ(customers.pageTop(), s.pageTop) << int(s.key);
        EXPECT_EQ(customers.selectedRow(), s.row) << int(s.key);
        EXPECT_EQ(names(customers).first(), name(int(s.pageTop) + 1));
        EXPECT_EQ(names(customers).size(), 10);
    }
}

TEST_F(PickPagerTest, ScrollBarEventsMoveByLinesPagesAndThumb) {
    addScrambled(50);
    long current = 0;
    customers.show(store::CustTable, &current);
    struct Step {
        PickScroll event;
        int position;
        bool moved;
        long pageTop;
        int bar;
    };
    const Step steps[] = {
        {PickScroll::LineUp, 0, false, 0, 0},        {PickScroll::LineDown, 0, true, 1, 2},
        {PickScroll::PageDown, 0, true, 11, 27},     {PickScroll::ThumbTrack, 90, false, 11, 27},
        {PickScroll::EndScroll, 0, false, 11, 27},   {PickScroll::ThumbPosition, 50, true, 20, 50},
        {PickScroll::Bottom, 0, true, 40, 100},      {PickScroll::PageDown, 0, false, 40, 100},
        {PickScroll::PageUp, 0, true, 30, 75},       {PickScroll::Top, 0, true, 0, 0},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(customers.scroll(s.event, s.position), s.moved) << int(s.event);
        EXPECT_EQ(customers.pageTop(), s.pageTop) << int(s.event);
        EXPECT_EQ(customers.scrollPosition(), s.bar) << int(s.event);
        EXPECT_EQ(customers.selectedRow(), 1) << "customers select row 1 after a refill";
    }
}

TEST_F(PickPagerTest, SearchJumpsToTheFirstKeyStartingWithTheTextOrTheNextGreater) {
    for (const char* last : {"ADAMS", "BAKER", "BROWN", "CLARK", "DAVIS", "EVANS", "GREEN", "HALL", "JONES",
                             "KING", "LEE", "MOORE", "SMALL", "SMITH", "TAYLOR", "WALKER", "WHITE", "YOUNG"})
        addCustomer(QString::fromLatin1(last), "A");
    select("CName");
    long current = 0;
    customers.show(store::CustTable, &current);
    const QStringList firstPage = names(customers);

    struct Case {
        const char* typed;
        bool placed;
        const char* selected;
    };
    const Case cases[] = {
        {"sm", true, "SMALL"},  {"SMI", true, "SMITH"}, {"SMI", false, "SMITH"},  // the same text: nothing
        {"smz", true, "TAYLOR"}, {"ZZZ", false, "TAYLOR"},                        // past the last key
        {"b", true, "BAKER"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(customers.search(records::PickSearchKey(QString::fromLatin1(c.typed))), c.placed) << c.typed;
        const int row = customers.selectedRow();
        ASSERT_GT(row, 0);
        EXPECT_EQ(customers.rows()[size_t(row - 1)].cells.value(0), QString::fromLatin1(c.selected)) << c.typed;
    }
    EXPECT_EQ(names(customers).first(), "BAKER") << "the found key is brought to the top row";
    // A key beyond every other from a fresh showing leaves the page as it was.
    customers.show(store::CustTable, &current);
    EXPECT_FALSE(customers.search("ZZZ"));
    EXPECT_EQ(names(customers), firstPage);
}

TEST_F(PickPagerTest, ProductsAndPurchasesKeepTheSelectedRowCustomersGoToRowOne) {
    addScrambled(30);
    PickPager keeping{records::CustomerCellsByName, false};
    long current = 0;
    keeping.show(store::CustTable, &current);
    customers.show(store::CustTable, &current);
    keeping.selectRow(4);
    customers.selectRow(4);
    keeping.scroll(PickScroll::LineDown);
    customers.scroll(PickScroll::LineDown);
    EXPECT_EQ(keeping.selectedRow(), 4);
    EXPECT_EQ(customers.selectedRow(), 1);
}

TEST_F(PickPagerTest, EmptyTableAndRowsBelowTheLastRecordHoldNoRecord) {
    long current = 0;
    customers.show(store::CustTable, &current);
    EXPECT_TRUE(customers.empty());
    EXPECT_TRUE(customers.rows().empty());
    EXPECT_EQ(customers.selectedRecNo(), 0);

    addNumberedCustomers(3);
    select("CName");
    customers.show(store::CustTable, &current);
    customers.selectRow(5);
    EXPECT_EQ(customers.selectedRecNo(), 0);
    customers.key(PickKey::Down);
    EXPECT_EQ(customers.selectedRow(), 5) << "Down does not walk into the empty rows";
    customers.selectRow(3);
    customers.key(PickKey::Down);
    EXPECT_EQ(customers.selectedRow(), 3);
}

// A table in one order whose fractional position is off by a fixed number of records, as the engine's
// estimate can be over a large index. Record n stands at place (n * 7) % count.
class SkewedTable : public xbase::Table {
public:
    SkewedTable(long count, long skew) : m_count(count), m_skew(skew) {}
    long recAt(long place) const {
        for (long r = 1; r <= m_count; ++r)
            if (placeOf(r) == place) return r;
        return 0;
    }

    const std::string& name() const override { return m_name; }
    bool exclusive() const override { return false; }
    bool readOnly() const override { return false; }
    int close() override { return 0; }
    const std::vector<xbase::Tag*>& tags() const override { return m_tags; }
    xbase::Tag* findTag(std::string_view) const override { return nullptr; }
    int selectTag(xbase::Tag*) override { return 0; }
    xbase::Tag* selectedTag() const override { return nullptr; }
    int top() override { return at(0); }
    int bottom() override { return at(m_count - 1); }
    int skip(long count) override {
        const long to = m_place + count;
        if (to < 0) {
            at(0);
            return xbase::kBof;
        }
        if (to >= m_count) {
            m_place = m_count;
            return xbase::kEof;
        }
        return at(to);
    }
    int seek(std::string_view) override { return xbase::kEof; }
    int go(long recno) override { return recno >= 1 && recno <= m_count ? at(placeOf(recno)) : xbase::kEof; }
    long recNo() const override { return m_place < m_count ? recAt(m_place) : m_count + 1; }
    long recCount() const override { return m_count; }
    bool eof() const override { return m_place >= m_count; }
    bool bof() const override { return false; }
    int position(double* fraction) override {
        *fraction = std::clamp((double(m_place + m_skew) + 0.5) / double(m_count), 0.0, 1.0);
        return 0;
    }
    int goPosition(double) override { return 0; }
    int appendBlank() override { return -1; }
    int markDeleted() override { return -1; }
    int recall() override { return -1; }
    bool isDeleted() const override { return false; }
    int flush(bool) override { return 0; }
    int revert() override { return 0; }
    int pack() override { return -1; }
    int compressMemo() override { return -1; }
    int zap(long, long) override { return -1; }
    int createIndex(const std::string&, const std::vector<xbase::TagDef>&) override { return -1; }
    const std::vector<xbase::Field*>& fields() const override { return m_fields; }
    xbase::Field* field(std::string_view) const override { return nullptr; }

private:
    long placeOf(long recno) const { return (recno * 7) % m_count; }
    int at(long place) {
        m_place = place;
        return 0;
    }
    long m_count, m_skew, m_place = 0;
    std::string m_name = "SKEWED";
    std::vector<xbase::Tag*> m_tags;
    std::vector<xbase::Field*> m_fields;
};

TEST(PickPagerWalk, PlacesExactlyHoweverFarThePositionEstimateIsOff) {
    struct Case {
        long skew;         // records the estimate is ahead (+) or behind (-)
        int maxLongSkips;  // overshoots are tried again ever shorter
        int maxProbes;     // the walk to the first record doubles its steps
    };
    for (const Case c : {Case{0, 1, 3}, Case{-700, 1, 24}, Case{700, 8, 24}, Case{40, 3, 12}}) {
        SkewedTable table(2003, c.skew);  // 2003 is prime to 7: every place has one record
        PickPager pager([](xbase::Table* t) { return QStringList{QString::number(t->recNo())}; }, true);
        for (const long place : {0L, 5L, 1000L, 1992L, 2002L}) {
            long current = table.recAt(place);
            pager.show(&table, &current);
            EXPECT_EQ(pager.pageTop(), std::min(place, 1993L)) << c.skew << " at " << place;
            EXPECT_EQ(pager.selectedRecNo(), table.recAt(place));
            EXPECT_LE(pager.lastWalk().longSkips, c.maxLongSkips) << c.skew << " at " << place;
            EXPECT_LE(pager.lastWalk().probes, c.maxProbes) << c.skew << " at " << place;
        }
    }
}

TEST(PickSearchKeys, TypedTextBecomesTheSeekKey) {
    struct Case {
        const char* typed;
        const char* plain;
        const char* invoice;
    };
    const Case cases[] = {
        {"sm", "SM", "      "}, {"  Smith ", "SMITH", "      "}, {"12", "12", "    12"},
        {"12____", "12____", "    12"}, {" 1001 ", "1001", "  1001"}, {"", "", "      "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(records::PickSearchKey(QString::fromLatin1(c.typed)), QString::fromLatin1(c.plain)) << c.typed;
        EXPECT_EQ(records::InvoiceSearchKey(QString::fromLatin1(c.typed)), QString::fromLatin1(c.invoice)) << c.typed;
    }
}

TEST(PickSearchLine, SelectsTheFirstNameNotBelowTheText) {
    QStringList names;
    for (const char* n : {"ALPHA   ", "BETA    ", "BETTER  ", "GAMMA   ", "\xC9TAGE   "}) names << QString::fromLatin1(n);
    struct Case {
        const char* typed;
        int line;
    };
    const Case cases[] = {{"", 0}, {"a", 0}, {"b", 1}, {"bet", 1}, {"BETT", 2}, {"BF", 3}, {" gam ", 3},
                          {"Z", 4},  // byte order: É (0xC9) sorts after Z
                          {"\xC9U", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(records::SearchLine(names, QString::fromLatin1(c.typed)), c.line) << c.typed;
    EXPECT_EQ(records::SearchLine({"ALPHA"}, "B"), std::nullopt) << "one line does not search";
}

TEST_F(PickPagerTest, RowsShowTheDeletedMarkerInPlaceOfOneColumn) {
    ASSERT_TRUE(store::OpenProd());
    ASSERT_TRUE(store::OpenPur());
    ASSERT_TRUE(store::OpenInv());
    const long cust = addCustomer("SMITH", "JOHN", 1, "Calls first");
    const long prod = addProduct("ABC", 12.5_dec);
    const long pur = addPurchase("ABC", 45000, 3, 30);
    const long inv = addInvoice(12, 1, "Urgent");
    const auto cells = [](xbase::Table* t, long rec, QStringList (*read)(xbase::Table*)) {
        t->go(rec);
        return read(t);
    };
    EXPECT_EQ(cells(store::CustTable, cust, records::CustomerCellsByName), QStringList({"SMITH", "JOHN", "Calls first"}));
    EXPECT_EQ(cells(store::ProdTable, prod, records::ProductCells), QStringList({"ABC", "Product ABC", "   12.50"}));
    EXPECT_EQ(cells(store::PurTable, pur, records::PurchaseCells).mid(2), QStringList({"      3.00", "       30.00"}));
    EXPECT_EQ(cells(store::InvTable, inv, records::InvoiceCells).value(0), "    12");

    markDeleted(store::CustTable, cust);
    markDeleted(store::ProdTable, prod);
    markDeleted(store::PurTable, pur);
    markDeleted(store::InvTable, inv);
    EXPECT_EQ(cells(store::CustTable, cust, records::CustomerCellsByName).value(2), "< DELETED >");
    EXPECT_EQ(cells(store::CustTable, cust, records::CustomerCellsByCompany).value(2), "< DELETED >");
    EXPECT_EQ(cells(store::ProdTable, prod, records::ProductCells).value(2), "<DELETED>");
    EXPECT_EQ(cells(store::PurTable, pur, records::PurchaseCells).value(3), "<DELETED>");
    EXPECT_EQ(cells(store::InvTable, inv, records::InvoiceCells).value(2), "< DELETED >");
}

}  // namespace
}  // namespace records_test
