// The keyboard across every window of the program, on the demo business: Tab leaves the grids, a
// date that is no date is refused by the window's Save or OK, F1 opens the window's own help page in
// front of it, and no two visible buttons of a window share a mnemonic.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeySequence>
#include <QTest>

#include <map>

#include "AppFixture.h"
#include "FormPreparation.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "invoicing/InvoiceU.h"
#include "invoicing/PmtDefU.h"
#include "records/PurDefU.h"
#include "reports/DateSpanU.h"
#include "ui/EditWindow.h"
#include "ui/HelpU.h"

namespace app_test {
namespace {

class KeyboardTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        app::CreateForms();
        auto* main = app::Form<app::TMain>();
        main->show();  // the start-up: the engine and the settings
        ASSERT_TRUE(main->started());
    }
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
    // Shows a window of the demo business as its command would, and makes it the active window.
    void present(QWidget* window) {
        PrepareForm(window, dataDir());
        window->show();
        QApplication::setActiveWindow(window);
    }
    static std::string nameOf(const QObject* o) { return o->metaObject()->className(); }
};

TEST_F(KeyboardTest, TabLeavesEveryGridTheArrowsStayInIt) {
    // Where Tab from a grid lands, where the window says so.
    const std::map<std::string, QString> next = {{"invoicing::TInvoice", "BAddItm"}};
    int grids = 0;
    for (QWidget* window : app::AllForms()) {
        if (!qobject_cast<ui::EditWindow*>(window)) continue;
        present(window);
        for (QAbstractItemView* grid : window->findChildren<QAbstractItemView*>()) {
            if (!grid->isVisibleTo(window) || !grid->isEnabled() || !(grid->focusPolicy() & Qt::TabFocus)) continue;
            ++grids;
            const std::string what = nameOf(window) + " " + grid->objectName().toStdString();
            for (const Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
                grid->setFocus();
                const QModelIndex before = grid->currentIndex();
                QTest::keyClick(grid, Qt::Key_Tab, modifier);
                EXPECT_FALSE(grid->hasFocus()) << what << (modifier ? " Shift+Tab" : " Tab");
                EXPECT_EQ(grid->currentIndex(), before) << what;
                if (const auto it = next.find(nameOf(window)); it != next.end() && modifier == Qt::NoModifier)
                    EXPECT_EQ(QApplication::focusWidget()->objectName(), it->second) << what;
            }
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Down);
            EXPECT_TRUE(grid->hasFocus()) << what;
        }
        window->hide();
        store::CloseAll();
    }
    EXPECT_GE(grids, 6);  // four grid pick lists, two list picks, the invoice and payment grids
}

TEST_F(KeyboardTest, ADateThatIsNoDateIsRefusedBySaveAndTheWindowStays) {
    struct Case {
        QWidget* window;
        ui::DateEdit* field;
        QAbstractButton* save;
    };
    auto* invoice = app::Form<invoicing::TInvoice>();
    auto* payment = app::Form<invoicing::TPmtDef>();
    auto* purchase = app::Form<records::TPurDef>();
    auto* span = app::Form<reports::TDateSpan>();
    const Case cases[] = {
        {invoice, invoice->DateTimePicker1, invoice->BtnSave},
        {invoice, invoice->DateTimePicker1, invoice->BtnPrint},
        {payment, payment->DateTimePicker1, payment->BtnSave},
        {purchase, purchase->DateTimePicker1, purchase->BtnSave},
        {span, span->DateTimePicker1, span->BtnOK},
        {span, span->DateTimePicker2, span->BtnOK},
    };
    const QString refused = QStringLiteral("\"2/31/26\" is not a date. Please type the date as MM/DD/YY, for example ") +
                            QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) + QLatin1Char('.');
    ASSERT_TRUE(store::OpenInv());
    const long invoices = store::InvTable->recCount();
    store::CloseAll();
    for (const Case& c : cases) {
        present(c.window);
        testing_support::typeDate(c.field, QStringLiteral("2/31/26"));
        QTest::keyClick(c.field, Qt::Key_Tab);
        EXPECT_EQ(c.field->text(), QStringLiteral("2/31/26")) << nameOf(c.window) << ": never another date";
        const qsizetype shown = dialogs->messages().size();
        QTest::mouseClick(c.save, Qt::LeftButton);
        EXPECT_EQ(dialogs->messages().size(), shown + 1) << nameOf(c.window);
        EXPECT_EQ(dialogs->messages().value(shown), refused) << nameOf(c.window);
        EXPECT_TRUE(c.window->isVisible()) << nameOf(c.window);
        EXPECT_TRUE(c.field->hasFocus()) << nameOf(c.window);
        c.window->hide();
        store::CloseAll();
    }
    store::OpenInv();
    EXPECT_EQ(store::InvTable->recCount(), invoices);
}

TEST_F(KeyboardTest, F1OpensTheWindowsOwnPageInFrontAndHelpStaysUsable) {
    const std::map<std::string, QString> pages = {
        {"invoicing::TInvoice", "invoice-window.html"}, {"invoicing::TItemDef", "line-item.html"},
        {"records::TCustomer", "customer.html"},        {"records::TGroupDef", "customer-group.html"},
        {"records::TProdDef", "product.html"},          {"records::TPurDef", "purchase.html"},
        {"records::TStationary", "stationery.html"},    {"invoicing::TTaxDef", "sales-tax.html"},
    };
    int helped = 0;
    for (QWidget* window : app::AllForms()) {
        const auto page = pages.find(nameOf(window));
        if (page == pages.end()) continue;
        ++helped;
        window->setWindowModality(Qt::ApplicationModal);  // as it is shown by the program
        present(window);
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(focus, Qt::Key_F1);
        ui::THelp* help = ui::HelpWindow();
        EXPECT_TRUE(help->isVisible()) << page->first;
        EXPECT_EQ(help->currentPage(), page->second) << page->first;
        // Clicked through the window system, as a modal window would block it.
        const QPoint contents = help->BtnContents->mapTo(help, help->BtnContents->rect().center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, contents);
        EXPECT_EQ(help->currentPage(), QStringLiteral("index.html")) << page->first << ": help is blocked";
        EXPECT_TRUE(window->isVisible()) << page->first;
        help->hide();
        window->hide();
        window->setWindowModality(Qt::NonModal);
        store::CloseAll();
    }
    EXPECT_EQ(helped, int(pages.size()));
}

TEST_F(KeyboardTest, NoTwoVisibleButtonsOfAWindowShareAMnemonic) {
    // Captions made of the user's data keep their "&" as text.
    store::SettingsRec.ShipLine = QStringLiteral("S&H");
    store::SettingsRec.TaxLine = QStringLiteral("P&H");
    std::vector<QWidget*> windows = app::AllForms();
    windows.push_back(ui::HelpWindow());
    int mnemonics = 0;
    for (QWidget* window : windows) {
        present(window);
        std::map<int, QString> taken;
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            const QKeySequence key = QKeySequence::mnemonic(b->text());
            if (!b->isVisible() || key.isEmpty()) continue;
            ++mnemonics;
            const auto [at, fresh] = taken.emplace(key[0].toCombined(), b->text());
            EXPECT_TRUE(fresh) << nameOf(window) << ": " << b->text().toStdString() << " and "
                               << at->second.toStdString();
        }
        window->hide();
        store::CloseAll();
    }
    EXPECT_GE(mnemonics, 3);
}

}  // namespace
}  // namespace app_test
