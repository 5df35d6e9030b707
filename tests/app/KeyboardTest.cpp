// The keyboard across every window of the program, on the demo business: Tab leaves the grids, a
// date that is no date is refused by the window's Save or OK, F1 opens the window's own help page in
// front of it, and no two visible buttons of a window share a mnemonic.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
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
#include "ui/HelpU.h"

namespace app_test {
namespace {

class KeyboardTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        app::CreateForms();
        app::Form<app::TMain>()->show();  // the start-up: the engine and the settings
    }
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
    // Shows each window of the demo business as its command would, active, and runs steps in it.
    void inEveryWindow(const std::vector<QWidget*>& windows, const std::function<void(QWidget*, std::string)>& steps) {
        for (QWidget* window : windows) {
            PrepareForm(window, dataDir());
            window->show();
            QApplication::setActiveWindow(window);
            steps(window, window->metaObject()->className());
            window->hide();
            store::CloseAll();
        }
    }
};

TEST_F(KeyboardTest, TabLeavesEveryGridTheArrowsStayInIt) {
    int grids = 0;
    inEveryWindow(app::AllForms(), [&](QWidget* window, const std::string& name) {
        for (QAbstractItemView* grid : window->findChildren<QAbstractItemView*>()) {
            if (!grid->isVisible() || !grid->isEnabled() || !(grid->focusPolicy() & Qt::TabFocus)) continue;
            ++grids;
            for (const Qt::KeyboardModifier modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
                grid->setFocus();
                const QModelIndex row = grid->currentIndex();
                QTest::keyClick(grid, Qt::Key_Tab, modifier);
                EXPECT_FALSE(grid->hasFocus()) << name << (modifier ? " Shift+Tab" : " Tab");
                EXPECT_EQ(grid->currentIndex(), row) << name;
                if (name == "invoicing::TInvoice" && !modifier) { EXPECT_EQ(QApplication::focusWidget()->objectName(), "BAddItm"); }
            }
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Down);
            EXPECT_TRUE(grid->hasFocus()) << name;
        }
    });
    EXPECT_GE(grids, 8);  // four grid pick lists, two list picks, the group choice, the invoice and payment grids
}

TEST_F(KeyboardTest, ADateThatIsNoDateIsRefusedBySaveAndTheWindowStays) {
    auto* invoice = app::Form<invoicing::TInvoice>();
    auto* payment = app::Form<invoicing::TPmtDef>();
    auto* purchase = app::Form<records::TPurDef>();
    auto* span = app::Form<reports::TDateSpan>();
    const std::map<QWidget*, std::vector<std::pair<ui::DateEdit*, QAbstractButton*>>> saves = {
        {invoice, {{invoice->DateTimePicker1, invoice->BtnSave}, {invoice->DateTimePicker1, invoice->BtnPrint}}},
        {payment, {{payment->DateTimePicker1, payment->BtnSave}}},
        {purchase, {{purchase->DateTimePicker1, purchase->BtnSave}}},
        {span, {{span->DateTimePicker1, span->BtnOK}, {span->DateTimePicker2, span->BtnOK}}},
    };
    const QString refused = QStringLiteral("\"2/31/26\" is not a date. Please type the date as MM/DD/YY, for example ") +
                            QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) + QLatin1Char('.');
    inEveryWindow({invoice, payment, purchase, span}, [&](QWidget* window, const std::string& name) {
        for (const auto& [field, save] : saves.at(window)) {
            testing_support::typeDate(field, QStringLiteral("2/31/26"));
            QTest::keyClick(field, Qt::Key_Tab);
            EXPECT_EQ(field->text(), QStringLiteral("2/31/26")) << name << ": never another date";
            QTest::mouseClick(save, Qt::LeftButton);
            EXPECT_EQ(dialogs->messages().last(), refused) << name;
            EXPECT_TRUE(window->isVisible() && field->hasFocus()) << name;
            testing_support::typeDate(field, QStringLiteral("2/28/26"));  // mended
        }
    });
    EXPECT_EQ(dialogs->messages().size(), 6);
    ASSERT_TRUE(store::OpenInv());
    EXPECT_EQ(store::InvTable->recCount(), 30) << "the demo's invoices, none saved";
}

TEST_F(KeyboardTest, F1OpensTheWindowsOwnPageInFrontAndHelpStaysUsable) {
    std::map<std::string, QString> pages = {
        {"invoicing::TInvoice", "invoice-window.html"}, {"invoicing::TItemDef", "line-item.html"},
        {"records::TCustomer", "customer.html"},        {"records::TGroupDef", "customer-group.html"},
        {"records::TProdDef", "product.html"},          {"records::TPurDef", "purchase.html"},
        {"records::TStationary", "stationery.html"},    {"invoicing::TTaxDef", "sales-tax.html"},
        {"labels::TLabelDef", "labels.html"},           {"labels::TLabPrint", "labels.html"},
        {"mail::TEMail", "email.html"},                 {"mail::TMailServer", "email.html"},
        {"reports::TDateSpan", "reports.html"},         {"reports::TMultGroup", "reports.html"},
        {"records::TEInvSetup", "einvoice.html"},
    };
    std::vector<QWidget*> helped;
    for (QWidget* window : app::AllForms())
        if (pages.count(window->metaObject()->className())) helped.push_back(window);
    ASSERT_EQ(helped.size(), pages.size());
    for (QWidget* window : helped) window->setWindowModality(Qt::ApplicationModal);  // as the program shows them
    inEveryWindow(helped, [&](QWidget* window, const std::string& name) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_F1);
        ui::THelp* help = ui::HelpWindow();
        EXPECT_TRUE(help->isVisible()) << name;
        EXPECT_EQ(help->currentPage(), pages[name]) << name;
        // Clicked through the window system, where a modal window blocks the others.
        const QPoint contents = help->BtnContents->mapTo(help, help->BtnContents->rect().center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, contents);
        EXPECT_EQ(help->currentPage(), QStringLiteral("index.html")) << name << ": help is blocked";
        help->hide();
    });
}

TEST_F(KeyboardTest, NoTwoVisibleButtonsOfAWindowShareAMnemonic) {
    // Captions made of the user's data keep their "&" as text.
    store::SettingsRec.ShipLine = QStringLiteral("S&H");
    store::SettingsRec.TaxLine = QStringLiteral("P&H");
    std::vector<QWidget*> windows = app::AllForms();
    windows.push_back(ui::HelpWindow());
    int mnemonics = 0;
    inEveryWindow(windows, [&](QWidget* window, const std::string& name) {
        std::map<int, QString> taken;
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            const QKeySequence key = QKeySequence::mnemonic(b->text());
            if (!b->isVisible() || key.isEmpty()) continue;
            ++mnemonics;
            const auto [at, fresh] = taken.emplace(key[0].toCombined(), b->text());
            EXPECT_TRUE(fresh) << name << ": " << b->text().toStdString() << " and " << at->second.toStdString();
        }
    });
    EXPECT_GE(mnemonics, 3);
}

}  // namespace
}  // namespace app_test
