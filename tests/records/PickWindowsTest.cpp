// The pick windows walked as a user walks them, through their launchers and the scripted dialog facade:
// empty tables, New, Cancel and the title bar, paging and searching in the grids, the side boxes, and
// the two list-box picks.
#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "PickFixture.h"
#include "base/Format.h"
#include "invoicing/PickPmtU.h"
#include "records/CustomerU.h"
#include "records/PickCustU.h"
#include "records/PickGroupU.h"
#include "records/PickInvU.h"
#include "records/PickLabelU.h"
#include "records/PickProdU.h"
#include "records/PickPurU.h"
#include "records/PickU.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace records_test {
namespace {

using records::PickGridWindow;
using records::TPickCust;
using records::TPickGroup;
using records::TPickInv;
using records::TPickLab;
using records::TPickProd;
using records::TPickPur;

// Invoices and label stocks are handed the window "New" opens by their caller; here one stand-in.
QDialog* g_laterRecordWindow = nullptr;
bool pickInvoice(bool allowNew, bool* created) {
    return records::PickInvoice(allowNew ? g_laterRecordWindow : nullptr, created);
}
bool pickLabel(bool allowNew, bool* created) {
    return records::PickLabel(allowNew ? g_laterRecordWindow : nullptr, created);
}

class PickWindowsTest : public PickTest {
protected:
    void SetUp() override {
        PickTest::SetUp();
        app::CreateForms();
        g_laterRecordWindow = &laterRecordWindow;
    }
    void TearDown() override {
        g_laterRecordWindow = nullptr;
        PickTest::TearDown();
    }
    QDialog laterRecordWindow;
    static QString cell(const PickGridWindow& w, int row, int column) {
        const QTableWidgetItem* item = w.StringGrid1->item(row, column);
        return item ? item->text() : QString();
    }
    // A cell of the selected row.
    static QString selected(const PickGridWindow& w, int column) { return cell(w, w.StringGrid1->currentRow(), column); }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void clickRow(PickGridWindow& w, int row) {
        const QRect rect = w.StringGrid1->visualRect(w.StringGrid1->model()->index(row, 0));
        QTest::mouseClick(w.StringGrid1->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // A line of a list-box pick shows whole, its "<DELETED>" marker included, without scrolling.
    static void showsWhole(const QListWidget* list, int line) {
        const QString text = list->item(line)->text();
        EXPECT_LE(list->fontMetrics().horizontalAdvance(text) + 6, list->viewport()->width()) << text.toStdString();
    }
    bool modalShown(const char* className) const {
        return dialogs->log().contains(QStringLiteral("Modal ") + QString::fromLatin1(className));
    }
    void openAll() {
        for (bool (*open)() : {store::OpenCust, store::OpenGroups, store::OpenProd, store::OpenInv, store::OpenPur,
                               store::OpenLabels})
            ASSERT_TRUE(open());
    }
};

struct Launcher {
    const char* name;
    bool (*run)(bool, bool*);
    long* current;
    const char* emptyMessage;
};

const Launcher kLaunchers[] = {
    {"customers", records::PickCustomer, &store::CurCustRec, "Customer Database is Empty"},
    {"groups", records::PickGroup, &store::CurGroupRec, "Group Database is Empty"},
    {"products", records::PickProduct, &store::CurProductRec, "Product Database is Empty"},
    {"invoices", pickInvoice, &store::CurInvoiceRec, "Invoice Database is Empty"},
    {"purchases", records::PickPurchase, &store::CurPurchaseRec, "Purchase Database is Empty"},
    {"label stocks", pickLabel, &store::CurLabelRec, "Label Database is Empty"},
};

TEST_F(PickWindowsTest, EmptyTableWithoutNewIsRefusedWithItsMessage) {
    openAll();
    for (const Launcher& l : kLaunchers) {
        *l.current = 5;
        bool created = true;
        EXPECT_FALSE(l.run(false, &created)) << l.name;
        EXPECT_FALSE(created) << l.name;
        EXPECT_EQ(*l.current, -1) << l.name;
        EXPECT_EQ(dialogs->messages().last(), QString::fromLatin1(l.emptyMessage)) << l.name;
    }
    EXPECT_EQ(dialogs->messages().size(), 6);
    for (const QString& line : dialogs->log()) EXPECT_FALSE(line.startsWith("Modal")) << line.toStdString();
}

TEST_F(PickWindowsTest, EmptyCustomerTableWithNewShowsTheHeaderAndOpensTheCustomerWindow) {
    openAll();
    store::CurCustRec = 9;
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        EXPECT_EQ(w.windowTitle(), "Select Customer");
        EXPECT_EQ(store::CurCustRec, 0) << "an empty table asks for a new record";
        EXPECT_EQ(w.StringGrid1->rowCount(), 0);
        EXPECT_FALSE(w.BtnSelect->isEnabled());
        EXPECT_FALSE(w.StringGrid1->isEnabled());
        EXPECT_TRUE(w.BtnNew->isEnabled());
        click(w.BtnNew);
    });
    // The customer window is someone else's: here it only answers as a saved new customer would.
    dialogs->onModal([](QDialog&) { store::CurCustRec = 1; });
    bool created = false;
    EXPECT_TRUE(records::PickCustomer(true, &created));
    EXPECT_TRUE(created);
    EXPECT_TRUE(modalShown("records::TCustomer"));
}

TEST_F(PickWindowsTest, NewRoadCreatesOnlyWhatTheRecordWindowStored) {
    openAll();
    addNumberedCustomers(3);
    addGroup(1, "Retail");
    addProduct("ABC", 1);
    addPurchase("ABC", 45000, 1, 1);
    struct Case {
        const char* name;
        bool (*run)(bool, bool*);
        long* current;
        const char* recordWindow;
        long answer;  // what the record window leaves: a stored record, or -1 when cancelled
    };
    const Case cases[] = {
        {"customer saved", records::PickCustomer, &store::CurCustRec, "records::TCustomer", 4},
        {"customer cancelled", records::PickCustomer, &store::CurCustRec, "records::TCustomer", -1},
        {"group saved", records::PickGroup, &store::CurGroupRec, "records::TGroupDef", 2},
        {"group cancelled", records::PickGroup, &store::CurGroupRec, "records::TGroupDef", -1},
        {"product saved", records::PickProduct, &store::CurProductRec, "records::TProdDef", 2},
        {"product cancelled", records::PickProduct, &store::CurProductRec, "records::TProdDef", -1},
        {"purchase saved", records::PickPurchase, &store::CurPurchaseRec, "records::TPurDef", 2},
        {"purchase cancelled", records::PickPurchase, &store::CurPurchaseRec, "records::TPurDef", -1},
    };
    for (const Case& c : cases) {
        dialogs->onModal([](QDialog& w) {
            auto* newButton = w.findChild<QPushButton*>("BtnNew");
            ASSERT_TRUE(newButton && newButton->isEnabled());
            click(newButton);
        });
        const QString expected = QString::fromLatin1(c.recordWindow);
        // The record window is shown for a new record; here it answers as a save or a cancel would.
        dialogs->onModal([c, expected](QDialog& w) {
            EXPECT_EQ(QString::fromLatin1(w.metaObject()->className()), expected);
            *c.current = c.answer;
        });
        bool created = !(c.answer > 0);
        EXPECT_EQ(c.run(true, &created), c.answer > 0) << c.name;
        EXPECT_EQ(created, c.answer > 0) << c.name;
    }
}

TEST_F(PickWindowsTest, InvoiceAndLabelStockNewOpensTheWindowTheCallerPassed) {
    openAll();
    addInvoice(1001, 1);
    addLabel("Avery 5160");
    for (const Launcher* l : {&kLaunchers[3], &kLaunchers[5]}) {
        dialogs->onModal([](QDialog& w) { click(w.findChild<QPushButton*>("BtnNew")); });
        // The passed window answers as a saved new record would.
        dialogs->onModal([this, l](QDialog& w) {
            EXPECT_EQ(&w, &laterRecordWindow) << l->name;
            EXPECT_EQ(*l->current, 0) << l->name;
            *l->current = 2;
        });
        bool created = false;
        EXPECT_TRUE(l->run(true, &created)) << l->name;
        EXPECT_TRUE(created) << l->name;
    }
}

TEST_F(PickWindowsTest, NewIsDisabledWhenNotAllowedAndCancelAnswersMinusOne) {
    openAll();
    addNumberedCustomers(3);
    store::CurCustRec = 2;
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        EXPECT_FALSE(w.BtnNew->isEnabled());
        click(w.BtnCancel);
    });
    bool created = true;
    EXPECT_FALSE(records::PickCustomer(false, &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(store::CurCustRec, -1);
}

TEST_F(PickWindowsTest, ClosingByTheTitleBarIsACancelEverywhere) {
    openAll();
    addNumberedCustomers(12);
    addGroup(1, "Retail");
    addGroup(2, "Export");
    addProduct("ABC", 1);
    addInvoice(1001, 1);
    addPurchase("ABC", 45000, 1, 1);
    addLabel("Avery 5160");
    for (const Launcher& l : kLaunchers) {
        *l.current = 1;  // a small list would otherwise leave this as the caller set it
        dialogs->onModal([](QDialog& w) { w.close(); });
        EXPECT_FALSE(l.run(true, nullptr)) << l.name;
        EXPECT_EQ(*l.current, -1) << l.name;
    }
}

TEST_F(PickWindowsTest, ChoosingAnEmptyRowIsNeitherAChoiceNorNew) {
    openAll();
    addNumberedCustomers(3);
    store::CurCustRec = 0;
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        clickRow(w, 6);
        EXPECT_EQ(w.pager().selectedRecNo(), 0);
        click(w.BtnSelect);
        QTest::keyClick(w.StringGrid1, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible()) << "the window stays open";
        clickRow(w, 1);
        QTest::mouseDClick(w.StringGrid1->viewport(), Qt::LeftButton, {},
                           w.StringGrid1->visualRect(w.StringGrid1->model()->index(1, 0)).center());
    });
    EXPECT_TRUE(records::PickCustomer(true, nullptr));
    EXPECT_FALSE(modalShown("records::TCustomer"));
    store::CustTable->go(store::CurCustRec);
    store::LoadCust();
    EXPECT_EQ(store::CustRec.last.trimmed(), "NAME02");
}

TEST_F(PickWindowsTest, CustomerListOpensOnTheLastOfFiftyAndPagesWithKeysAndBar) {
    openAll();
    addGroup(1, "Retail");
    addGroup(2, "Export");
    for (int i = 50; i >= 1; --i)  // appended backwards: the last by name is record 1
        addCustomer(QStringLiteral("NAME%1").arg(i, 2, 10, QLatin1Char('0')), "A", i % 2 + 1);
    store::CurCustRec = 1;
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(0)->text(), "Last");
        EXPECT_TRUE(w.StringGrid1->isColumnHidden(w.recNoColumn()));
        EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(w.recNoColumn())->text(), "RecNo");
        EXPECT_EQ(cell(w, 0, 0), "NAME41");
        EXPECT_EQ(w.StringGrid1->currentRow(), 9);
        EXPECT_EQ(selected(w, 0), "NAME50");
        EXPECT_EQ(selected(w, w.recNoColumn()), "1");
        EXPECT_EQ(w.Edit2->text(), "Retail");
        EXPECT_TRUE(w.ScrollBar1->isVisibleTo(&w));
        EXPECT_EQ(w.ScrollBar1->value(), 100);

        QTest::keyClick(w.StringGrid1, Qt::Key_Home);
        EXPECT_EQ(cell(w, 0, 0), "NAME01");
        EXPECT_EQ(w.Edit2->text(), "Export");
        QTest::keyClick(w.StringGrid1, Qt::Key_PageDown);
        EXPECT_EQ(selected(w, 0), "NAME20");
        w.ScrollBar1->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(cell(w, 0, 0), "NAME21");
        EXPECT_EQ(w.ScrollBar1->value(), 50);
        w.ScrollBar1->triggerAction(QAbstractSlider::SliderToMinimum);
        EXPECT_EQ(cell(w, 0, 0), "NAME01");
        EXPECT_EQ(w.ScrollBar1->value(), 0);

        QTest::keyClicks(w.Edit1, "name3");
        EXPECT_EQ(selected(w, 0), "NAME30");
        QTest::keyClick(w.StringGrid1, Qt::Key_Enter);
    });
    EXPECT_TRUE(records::PickCustomer(true, nullptr));
    EXPECT_EQ(store::CurCustRec, 21);  // NAME30 was the 21st appended
}

TEST_F(PickWindowsTest, SearchBoxPagesAndChoosesKeypadPagesTheWheelMovesThePage) {
    openAll();
    addNumberedCustomers(50);
    for (int g = 1; g <= 3; ++g) addGroup(g, QStringLiteral("GROUP%1").arg(g));
    store::CurCustRec = 1;
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        // Keys to the search box (0) or the grid (1), or a wheel turn over the bar (2) or the grid (3);
        // then the first row and the chosen one.
        const std::tuple<int, int, Qt::KeyboardModifiers, const char*, const char*> steps[] = {
            {0, Qt::Key_End, {}, "NAME41", "NAME50"},       {0, Qt::Key_Home, {}, "NAME01", "NAME01"},
            {0, Qt::Key_Down, {}, "NAME01", "NAME02"},      {0, Qt::Key_PageDown, {}, "NAME11", "NAME20"},
            {1, Qt::Key_PageDown, Qt::KeypadModifier, "NAME21", "NAME30"},
            {0, Qt::Key_PageUp, Qt::KeypadModifier, "NAME11", "NAME11"},
            {2, -120, {}, "NAME14", "NAME14"},  // a notch down: three lines
            {3, 120, {}, "NAME11", "NAME11"},
            {0, Qt::Key_End, Qt::KeypadModifier, "NAME41", "NAME50"}, {0, Qt::Key_Up, {}, "NAME41", "NAME49"},
        };
        for (const auto& [target, key, modifiers, top, chosen] : steps) {
            QWidget* to[] = {w.Edit1, w.StringGrid1, w.ScrollBar1, w.StringGrid1->viewport()};
            if (target < 2) QTest::keyClick(to[target], Qt::Key(key), modifiers);
            const QPointF at(to[target]->width() / 2.0, to[target]->height() / 2.0);
            QWheelEvent turn(at, to[target]->mapToGlobal(at), {}, {0, key}, {}, {}, Qt::NoScrollPhase, false);
            if (target >= 2) QApplication::sendEvent(to[target], &turn);
            EXPECT_EQ(cell(w, 0, 0), top) << key << " to " << target;
            EXPECT_EQ(selected(w, 0), chosen) << key << " to " << target;
        }
        EXPECT_TRUE(w.Edit1->hasFocus());
        QTest::keyClick(w.Edit1, Qt::Key_Return);
    });
    EXPECT_TRUE(records::PickCustomer(true, nullptr));
    EXPECT_EQ(store::CurCustRec, 49);

    // The group list moves under its search box too, and Enter there chooses.
    store::CurGroupRec = 1;
    dialogs->onModal<TPickGroup>([](TPickGroup& w) {
        ASSERT_TRUE(w.Edit1->hasFocus());
        QTest::keyClick(w.Edit1, Qt::Key_End);
        QTest::keyClick(w.Edit1, Qt::Key_Up, Qt::KeypadModifier);
        EXPECT_EQ(w.ListBox1->currentRow(), 1);
        QTest::keyClick(w.Edit1, Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_TRUE(records::PickGroup(true, nullptr));
    EXPECT_EQ(store::CurGroupRec, 2);
}

TEST_F(PickWindowsTest, TypingSmJumpsByNameAndCompanyModeShowsCompanies) {
    openAll();
    for (const char* last : {"ADAMS", "BAKER", "BROWN", "CLARK", "DAVIS", "EVANS", "GREEN", "HALL", "JONES",
                             "KING", "LEE", "MOORE", "SMALL", "SMITH", "TAYLOR"})
        addCustomer(QString::fromLatin1(last), "A");
    store::CurCustRec = 0;
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        QTest::keyClicks(w.Edit1, "SM");
        EXPECT_EQ(selected(w, 0), "SMALL");
        const QString row = selected(w, 0);
        w.Edit1->setText("ZZ");
        EXPECT_EQ(selected(w, 0), row) << "past the last key nothing changes";
        click(w.BtnCancel);
    });
    EXPECT_FALSE(records::PickCustomer(true, nullptr));

    store::SettingsRec.ByCust = false;
    store::CustTable->go(1);
    store::LoadCust();
    store::CustRec.addr1 = "Zenith Pty Ltd";
    EXPECT_TRUE(store::StoreCust().ok());
    dialogs->onModal<TPickCust>([](TPickCust& w) {
        EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(0)->text(), "Company");
        EXPECT_EQ(QString::fromStdString(store::CustTable->selectedTag()->name()).toUpper(), "CCOMP");
        QTest::keyClick(w.StringGrid1, Qt::Key_End);
        EXPECT_EQ(selected(w, 0), "Zenith Pty Ltd");
        EXPECT_EQ(selected(w, 1), "ADAMS");
        click(w.BtnSelect);
    });
    EXPECT_TRUE(records::PickCustomer(true, nullptr));
    EXPECT_EQ(store::CurCustRec, 1);
}

TEST_F(PickWindowsTest, CodesDatesAndAmountsShowWholeInEveryList) {
    testing_support::LocaleScope british(QLocale(QLocale::English, QLocale::UnitedKingdom));  // dd/MM/yyyy
    openAll();
    const QDate wide(2026, 12, 28);
    addProduct("WWWWWWWWWW", 99999);
    addPurchase("WWWWWWWWWW", base::DayFromDate(wide), 999999, 9999999);
    addCustomer("MAYER", "A");
    addInvoice(999999, 1, "Order");
    store::PaymentRows = {{QLocale().toString(wide, QLocale::ShortFormat), "  99999.99", "      0.00", false}};
    // Free texts (descriptions, notes) may end in an ellipsis; codes, dates and amounts never.
    auto whole = [](const QTableWidget* grid, const char* list) {
        EXPECT_FALSE(grid->wordWrap()) << list;
        for (int c = 0; c < grid->columnCount(); ++c) {
            const QString title = grid->horizontalHeaderItem(c)->text();
            if (grid->isColumnHidden(c) || title == "Description" || title == "Note") continue;
            for (int r = 0; r < grid->rowCount(); ++r) {
                const QString text = grid->item(r, c) ? grid->item(r, c)->text() : QString();
                EXPECT_LE(grid->fontMetrics().horizontalAdvance(text) + 6, grid->columnWidth(c))
                    << list << ": " << title.toStdString() << " " << text.toStdString();
            }
        }
    };
    auto check = [&] {
        dialogs->onModal([&](QDialog& list) {
            whole(list.findChild<QTableWidget*>("StringGrid1"), list.metaObject()->className());
            click(list.findChild<QPushButton*>("BtnCancel"));
        });
    };
    store::CurProductRec = store::CurPurchaseRec = store::CurInvoiceRec = 1;
    for (bool (*pick)(bool, bool*) : {records::PickProduct, records::PickPurchase}) {
        check();
        pick(false, nullptr);
    }
    check();
    records::PickInvoice(nullptr, nullptr);
    check();
    base::dialogs().showModal(app::Form<invoicing::TPickPmt>());
}

TEST_F(PickWindowsTest, InvoiceSearchSeeksTheNumberRightAlignedAndShowsTheCustomer) {
    openAll();
    addCustomer("SMITH", "JOHN");
    addCustomer("JONES", "MARY");
    for (long n = 1; n <= 30; ++n) addInvoice(n, n % 2 + 1, QStringLiteral("Order %1").arg(n));
    store::InvTable->selectTag(store::InvTable->findTag("Inv"));
    store::InvTable->bottom();
    store::CurInvoiceRec = store::InvTable->recNo();
    dialogs->onModal<TPickInv>([](TPickInv& w) {
        EXPECT_EQ(w.windowTitle(), "Select Invoice");
        EXPECT_EQ(selected(w, 0), "    30");
        EXPECT_EQ(w.Edit2->text(), "JOHN SMITH");
        QTest::keyClicks(w.MaskEdit1, "12");
        EXPECT_EQ(w.pager().lastSearch(), "    12");
        EXPECT_EQ(selected(w, 0), "    12");
        EXPECT_EQ(selected(w, 2), "Order 12");
        EXPECT_EQ(w.Edit2->text(), "JOHN SMITH");
        QTest::keyClick(w.StringGrid1, Qt::Key_Down);
        EXPECT_EQ(w.Edit2->text(), "MARY JONES");
        QTest::keyClick(w.StringGrid1, Qt::Key_Up);
        QTest::keyClick(w.StringGrid1, Qt::Key_Return);
    });
    EXPECT_TRUE(records::PickInvoice(nullptr));
    EXPECT_EQ(store::CurInvoiceRec, 12);
}

TEST_F(PickWindowsTest, ProductAndPurchaseGridsKeepTheCallersTagAndSelectedRow) {
    openAll();
    for (int i = 25; i >= 1; --i) addProduct(QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')), i);
    addPurchase("P002", 45001, 2, 20);
    addPurchase("P001", 45000, 1, 10);
    store::CurProductRec = 0;
    dialogs->onModal<TPickProd>([](TPickProd& w) {
        EXPECT_EQ(w.windowTitle(), "PickProd");
        EXPECT_EQ(cell(w, 0, 0), "P001");
        QTest::keyClick(w.StringGrid1, Qt::Key_Down);
        QTest::keyClick(w.StringGrid1, Qt::Key_Down);
        w.ScrollBar1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(cell(w, 0, 0), "P002");
        EXPECT_EQ(w.StringGrid1->currentRow(), 2) << "products keep the selected row";
        EXPECT_EQ(selected(w, 2), "    4.00");
        click(w.BtnSelect);
    });
    EXPECT_TRUE(records::PickProduct(true, nullptr));
    EXPECT_EQ(store::CurProductRec, 22);  // P004

    store::CurPurchaseRec = 0;
    dialogs->onModal<TPickPur>([](TPickPur& w) {
        EXPECT_FALSE(w.ScrollBar1->isVisibleTo(&w));
        EXPECT_EQ(selected(w, 0), "P001");
        EXPECT_EQ(selected(w, 3), "       10.00");
        QTest::keyClicks(w.Edit1, "p002");
        EXPECT_EQ(selected(w, 0), "P002");
        click(w.BtnSelect);
    });
    EXPECT_TRUE(records::PickPurchase(true, nullptr));
    EXPECT_EQ(store::CurPurchaseRec, 1);
}

TEST_F(PickWindowsTest, GroupListMarksDeletedGroupsSearchesAndRestoresTheTag) {
    openAll();
    addGroup(1, "Wholesale");
    addGroup(2, "Retail");
    const long exportGroup = addGroup(3, "Export");
    markDeleted(store::GroupsTable, exportGroup);
    store::GroupsTable->selectTag(store::GroupsTable->findTag("NGroup"));
    store::CurGroupRec = 2;
    dialogs->onModal<TPickGroup>([](TPickGroup& w) {
        EXPECT_EQ(w.windowTitle(), "PickGroup");
        ASSERT_EQ(w.ListBox1->count(), 3);
        EXPECT_EQ(w.ListBox1->item(0)->text(), QString("Export").leftJustified(59) + "<DELETED>");
        showsWhole(w.ListBox1, 0);
        EXPECT_EQ(w.ListBox1->item(1)->text(), QString("Retail").leftJustified(59));
        EXPECT_EQ(w.ListBox1->currentRow(), 1) << "the current group's line";
        QTest::keyClicks(w.Edit1, "w");
        EXPECT_EQ(w.ListBox1->currentRow(), 2);
        QTest::keyClicks(w.Edit1, "z");
        EXPECT_EQ(w.ListBox1->currentRow(), -1);
        click(w.BtnSelect);
        EXPECT_TRUE(w.isVisible());
        w.ListBox1->setCurrentRow(0);
        QTest::keyClick(w.ListBox1, Qt::Key_Return);
    });
    EXPECT_TRUE(records::PickGroup(true, nullptr));
    EXPECT_EQ(dialogs->messages(), QStringList{"Item Not Selected"});
    EXPECT_EQ(store::CurGroupRec, exportGroup) << "a deleted group can still be chosen";
    EXPECT_EQ(QString::fromStdString(store::GroupsTable->selectedTag()->name()).toUpper(), "NGROUP");
}

TEST_F(PickWindowsTest, GroupListWithOneGroupDoesNotSearch) {
    openAll();
    addGroup(1, "Retail");
    store::CurGroupRec = 0;
    dialogs->onModal<TPickGroup>([](TPickGroup& w) {
        QTest::keyClicks(w.Edit1, "zz");
        EXPECT_EQ(w.ListBox1->currentRow(), 0);
        const QPoint firstLine = w.ListBox1->visualItemRect(w.ListBox1->item(0)).center();
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {}, firstLine);
        QTest::mouseDClick(w.ListBox1->viewport(), Qt::LeftButton, {}, firstLine);
    });
    EXPECT_TRUE(records::PickGroup(false, nullptr));
    EXPECT_EQ(store::CurGroupRec, 1);
}

TEST_F(PickWindowsTest, LabelStockListShowsEveryStockAndChoosesByLine) {
    openAll();
    addLabel("Avery 5160");
    const long old = addLabel("Old stock");
    addLabel("Avery 5161");
    markDeleted(store::LabelsTable, old);
    store::CurLabelRec = 3;
    dialogs->onModal<TPickLab>([](TPickLab& w) {
        EXPECT_EQ(w.windowTitle(), "PickLab");
        EXPECT_EQ(store::CurLabelRec, -1);
        ASSERT_EQ(w.ListBox1->count(), 3);
        EXPECT_EQ(w.ListBox1->currentRow(), 1);
        EXPECT_EQ(w.ListBox1->item(2)->text(), QString("Old stock").leftJustified(40) + "<DELETED>");
        showsWhole(w.ListBox1, 2);
        w.ListBox1->setCurrentRow(2);
        click(w.BtnSelect);
    });
    EXPECT_TRUE(records::PickLabel(nullptr));
    EXPECT_EQ(store::CurLabelRec, old);
}

}  // namespace
}  // namespace records_test
