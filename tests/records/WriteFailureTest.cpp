// A save the tables refuse, on the user's road: the customer, product, purchase and letterhead windows
// with a change typed in, Save clicked while another process holds the record's lock or while the disk
// is full. The user is told why, the window stays open with what was typed, the table is exactly as
// before, and once the cause is gone the same Save goes through.
#include <QDir>
#include <QTest>

#include "records/CustomerU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "records/RecordsFixture.h"
#include "records/StationaryU.h"
#include "support/LockHolder.h"
#include "support/TableSnapshot.h"

using namespace records;
using namespace records_test;

namespace {

enum class Cause { Lock, DiskFull };

class WriteFailureTest : public WindowsTest {
protected:
    // The file of a table as the data directory spells it.
    std::string fileOf(const char* table) const {
        const QStringList found = QDir(dataDir()).entryList({QString::fromLatin1(table) + ".dbf"}, QDir::Files);
        return found.isEmpty() ? std::string() : path(found.first()).toStdString();
    }

    // Shows window W on record 1, types text into the field, clicks Save under cause, and checks
    // what the user sees and what the table holds; then clicks Save again with the cause gone.
    template <class W>
    void saveRefused(Cause cause, const char* table, const char* reason, QWidget* (*field)(W&), const char* text) {
        const QStringList before = testing_support::tableRecords(table);
        std::unique_ptr<testing_support::RecordLockHolder> otherUser;
        dialogs->onModal<W>([&](W& w) {
            QWidget* edit = field(w);
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, QString::fromLatin1(text));
            if (cause == Cause::Lock) {
                otherUser = std::make_unique<testing_support::RecordLockHolder>(fileOf(table), 1);
                ASSERT_TRUE(otherUser->ok());
            } else {
                failNextWrite(xbase::kErrDiskFull);
            }
            QTest::mouseClick(w.BtnSave, Qt::LeftButton);
            EXPECT_TRUE(w.isVisible()) << table << ": the window stays open";
            ASSERT_FALSE(dialogs->messages().isEmpty()) << table;
            EXPECT_TRUE(dialogs->messages().last().contains(QString::fromLatin1(reason))) << dialogs->messages().last().toStdString();
            EXPECT_EQ(testing_support::tableRecords(table), before) << table;
            otherUser.reset();
            QTest::mouseClick(w.BtnSave, Qt::LeftButton);
            EXPECT_FALSE(w.isVisible()) << table << ": the second Save goes through";
        });
        base::dialogs().showModal(form<W>());
        EXPECT_NE(testing_support::tableRecords(table), before) << table;
        EXPECT_TRUE(testing_support::tableRecords(table).join('|').contains(QString::fromLatin1(text))) << table;
        EXPECT_EQ(programExits, 0);
    }
};

const char* reasonOf(Cause cause) { return cause == Cause::Lock ? "another user has the record locked" : "the disk is full"; }

TEST_F(WriteFailureTest, RefusedSavesKeepTheWindowAndTheTable) {
    store::OpenCust();
    store::OpenGroups();
    store::OpenProd();
    store::OpenPur();
    addGroup(1, QStringLiteral("Retail"));
    addCustomer(1, 1, QStringLiteral("Smith"));
    addProduct(QStringLiteral("PEN-B"));
    ASSERT_EQ(store::PurTable->appendBlank(), 0);
    store::PurRec = store::PurBuffer{QStringLiteral("PEN-B"), 45000, 2, 3, 1};
    ASSERT_TRUE(store::StorePur().ok());
    store::CloseTable(store::SettingsTable);

    for (const Cause cause : {Cause::Lock, Cause::DiskFull}) {
        store::CurCustRec = 1;
        saveRefused<TCustomer>(cause, "CUST5", reasonOf(cause), [](TCustomer& w) -> QWidget* { return w.Edit4; },
                               cause == Cause::Lock ? "Jones" : "Brown");
        store::CurProductRec = 1;
        saveRefused<TProdDef>(cause, "Prod5", reasonOf(cause), [](TProdDef& w) -> QWidget* { return w.Edit2; },
                              cause == Cause::Lock ? "Blue pen" : "Red pen");
        store::CurPurchaseRec = 1;
        saveRefused<TPurDef>(cause, "Pur5", reasonOf(cause), [](TPurDef& w) -> QWidget* { return w.MaskEdit2; },
                             cause == Cause::Lock ? "7" : "9");
        const store::SettingsBuffer settings = store::SettingsRec;
        saveRefused<TStationary>(cause, "CRV1", reasonOf(cause), [](TStationary& w) -> QWidget* { return w.Edit2; },
                                 cause == Cause::Lock ? "Harbour Traders" : "Quay Traders");
        EXPECT_NE(store::SettingsRec.Company, settings.Company) << "the saved letterhead is the program's";
    }
}

}  // namespace
