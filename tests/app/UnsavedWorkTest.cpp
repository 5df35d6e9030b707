// Unsaved work in the record windows: Escape, Cancel and the title bar's close ask before they throw
// typed changes away; No keeps the window as it is; without changes they close at once.
#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "AppFixture.h"
#include "FormPreparation.h"
#include "TableSnapshot.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "records/CustomerU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"

namespace app_test {
namespace {

const QString kDiscard = QStringLiteral("Confirmation YesNo/No: Discard your changes?");

class UnsavedWorkTest : public DemoTest {
protected:
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
};

TEST_F(UnsavedWorkTest, ClosingAWindowWithChangesAsksAndNoKeepsIt) {
    app::CreateForms();
    app::Form<app::TMain>()->show();
    struct Window {
        QDialog* window;
        const char* field;
        std::string table;
    };
    const Window windows[] = {
        {app::Form<records::TCustomer>(), "Edit3", "CUST5"},
        {app::Form<records::TProdDef>(), "Edit2", "Prod5"},
        {app::Form<records::TPurDef>(), "MaskEdit2", "Pur5"},
        {app::Form<invoicing::TInvoice>(), "Edit2", "INV5"},
    };
    const std::pair<const char*, std::function<void(QDialog&)>> closings[] = {
        {"Escape", [](QDialog& w) { QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Escape); }},
        {"Cancel", [](QDialog& w) { QTest::mouseClick(w.findChild<QPushButton*>("BtnCancel"), Qt::LeftButton); }},
        {"title bar", [](QDialog& w) { w.close(); }},
    };
    for (const Window& c : windows) {
        for (const auto& [how, close] : closings) {
            SCOPED_TRACE(std::string(c.window->metaObject()->className()) + " by " + how);
            PrepareForm(c.window, dataDir());
            const QStringList stored = tableRecords(c.table);
            testing_support::ScriptedDialogs script;
            script.onModal([&, close = close](QDialog& w) {
                close(w);  // nothing typed yet: closes at once
                EXPECT_FALSE(w.isVisible());
            });
            base::dialogs().showModal(c.window);
            script.onModal([&, close = close](QDialog& w) {
                auto* field = w.findChild<QLineEdit*>(QLatin1String(c.field));
                field->setFocus();
                const QString shown = field->text();
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(field, QStringLiteral("5"));
                close(w);
                ASSERT_TRUE(w.isVisible()) << "No keeps the window";
                EXPECT_NE(field->text(), shown) << "and what was typed";
                close(w);
            });
            script.answer(base::Answer::No);
            script.answer(base::Answer::Yes);
            EXPECT_EQ(base::dialogs().showModal(c.window), QDialog::Rejected);
            EXPECT_EQ(script.log().filter(QStringLiteral("Discard")), (QStringList{kDiscard, kDiscard}));
            store::CloseAll();
            EXPECT_EQ(tableRecords(c.table), stored);
        }
    }
}

}  // namespace
}  // namespace app_test
