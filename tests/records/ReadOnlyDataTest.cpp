// A data directory the user may only read. The tests run as root, whom file modes do not stop, so the
// engine's file system is told to refuse every open for writing, as the modes of another user's files
// do: the tables open for reading, the customer window shows the customer, and a Save says that the
// data are read-only, keeping the window and the table as they were.
#include <QTest>

#include "records/CustomerU.h"
#include "records/RecordsFixture.h"
#include "support/TableSnapshot.h"

using namespace records;
using namespace records_test;

namespace {

class ReadOnlyDataTest : public WindowsTest {};

TEST_F(ReadOnlyDataTest, ACustomerShowsAndASaveSaysTheDataAreReadOnly) {
    store::OpenCust();
    store::OpenGroups();
    addGroup(1, QStringLiteral("Retail"));
    addCustomer(1, 1, QStringLiteral("Smith"));
    store::CloseAll();
    readOnlyFiles(true);
    store::OpenCust();
    store::OpenGroups();
    ASSERT_NE(store::CustTable, nullptr);
    EXPECT_TRUE(store::CustTable->readOnly());
    const QStringList before = testing_support::tableRecords("CUST5");

    store::CurCustRec = 1;
    bool shown = false;
    dialogs->onModal<TCustomer>([&](TCustomer& w) {
        shown = true;
        EXPECT_EQ(w.Edit4->text().trimmed(), QStringLiteral("Smith"));
        w.Edit4->setFocus();
        QTest::keyClick(w.Edit4, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.Edit4, QStringLiteral("Jones"));
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
        EXPECT_TRUE(w.isVisible());
        ASSERT_FALSE(dialogs->messages().isEmpty());
        EXPECT_TRUE(dialogs->messages().last().contains(QStringLiteral("the data files are read-only")))
            << dialogs->messages().last().toStdString();
        EXPECT_EQ(w.Edit4->text(), QStringLiteral("Jones"));
    });
    base::dialogs().showModal(form<TCustomer>());
    EXPECT_TRUE(shown);
    EXPECT_EQ(testing_support::tableRecords("CUST5"), before);
    EXPECT_EQ(programExits, 0);
}

}  // namespace
