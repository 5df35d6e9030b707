// Enter on every control of every editing window, on the demo business: a field, check box or radio
// button moves on and presses no button; a focused push button is pressed, and only it. Escape, Cancel
// and the title bar's close of a record window that holds changes ask first.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <tuple>

#include "AppFixture.h"
#include "FormPreparation.h"
#include "support/TableSnapshot.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "records/CustomerU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "records/PickGridU.h"
#include "records/PickGroupU.h"
#include "ui/EditWindow.h"

namespace app_test {
namespace {

class EnterKeyTest : public DemoTest {
protected:
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
};

// The controls a user reaches with Tab, in the window's own widgets.
QList<QWidget*> tabStops(QWidget* window) {
    QList<QWidget*> stops;
    for (QWidget* w : window->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() && !w->focusProxy())
            stops << w;
    return stops;
}

bool ownsEnter(QWidget* w) {
    // Grids choose a row on Enter and memos take a new line: both are what the user asked for. So does
    // a pick list's search box, for the row it highlights.
    if (const auto* pick = qobject_cast<records::PickGridWindow*>(w->window()); pick && pick->searchBox() == w) return true;
    if (const auto* pick = qobject_cast<records::TPickGroup*>(w->window()); pick && pick->Edit1 == w) return true;
    for (QWidget* p = w; p; p = p->parentWidget())
        if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QPlainTextEdit*>(p) || qobject_cast<QTextEdit*>(p))
            return true;
    return false;
}

TEST_F(EnterKeyTest, EnterOnAControlThatIsNoButtonPressesNoButton) {
    app::CreateForms();
    auto* main = app::Form<app::TMain>();
    main->show();  // the start-up: the engine and the settings
    ASSERT_TRUE(main->started());
    int windows = 0, controls = 0;
    for (QWidget* window : app::AllForms()) {
        if (!qobject_cast<ui::EditWindow*>(window)) continue;
        const QString name = QString::fromLatin1(window->metaObject()->className());
        PrepareForm(window, dataDir());
        window->show();
        QApplication::setActiveWindow(window);
        ++windows;
        int clicks = 0;
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
            QObject::connect(b, &QAbstractButton::clicked, window, [&clicks] { ++clicks; });
        for (QWidget* w : tabStops(window)) {
            if (qobject_cast<QPushButton*>(w) || ownsEnter(w)) continue;
            w->setFocus();
            if (!w->hasFocus()) continue;
            ++controls;
            QTest::keyClick(w, Qt::Key_Return);
            EXPECT_EQ(clicks, 0) << name.toStdString() << " " << w->objectName().toStdString();
            EXPECT_TRUE(window->isVisible()) << name.toStdString() << " " << w->objectName().toStdString();
            EXPECT_FALSE(w->hasFocus()) << name.toStdString() << " " << w->objectName().toStdString()
                                        << ": Enter should move on";
            clicks = 0;
            if (!window->isVisible()) window->show();
        }
        window->hide();
        store::CloseAll();
    }
    EXPECT_GE(windows, 12);
    EXPECT_GE(controls, 40);
}

TEST_F(EnterKeyTest, EnterOnAFocusedButtonPressesThatButtonOnly) {
    app::CreateForms();
    app::Form<app::TMain>()->show();
    auto* window = app::Form<invoicing::TItemDef>();
    window->show();
    QApplication::setActiveWindow(window);
    int saves = 0, cancels = 0;
    QObject::connect(window->BtnSave, &QPushButton::clicked, window, [&saves] { ++saves; });
    QObject::connect(window->BtnCancel, &QPushButton::clicked, window, [&cancels] { ++cancels; });
    window->BtnCancel->setFocus();
    ASSERT_TRUE(window->BtnCancel->hasFocus());
    QTest::keyClick(window->BtnCancel, Qt::Key_Return);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(invoicing::ItemAction, invoicing::kActionCancel);
}

TEST_F(EnterKeyTest, ClosingARecordWindowWithChangesAsksAndNoKeepsIt) {
    app::CreateForms();
    app::Form<app::TMain>()->show();
    const std::tuple<QDialog*, const char*, std::string> windows[] = {
        {app::Form<records::TCustomer>(), "Edit3", "CUST5"}, {app::Form<records::TProdDef>(), "Edit2", "Prod5"},
        {app::Form<records::TPurDef>(), "MaskEdit2", "Pur5"}, {app::Form<invoicing::TInvoice>(), "Edit2", "INV5"}};
    const std::function<void(QDialog&)> closings[] = {
        [](QDialog& w) { QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Escape); },
        [](QDialog& w) { QTest::mouseClick(w.findChild<QPushButton*>("BtnCancel"), Qt::LeftButton); },
        [](QDialog& w) { w.close(); },  // the title bar's close
    };
    for (const auto& [window, name, table] : windows) {
        for (const auto& close : closings) {
            SCOPED_TRACE(window->metaObject()->className());
            PrepareForm(window, dataDir());
            const QStringList stored = testing_support::tableRecords(table);
            testing_support::ScriptedDialogs script;
            script.onModal([&](QDialog& w) { close(w); });  // nothing typed: closes at once
            script.onModal([&](QDialog& w) {
                auto* field = w.findChild<QLineEdit*>(QLatin1String(name));
                const QString shown = field->text();
                field->setFocus();
                QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(field, QStringLiteral("5"));
                close(w);
                ASSERT_TRUE(w.isVisible()) << "No keeps the window";
                EXPECT_NE(field->text(), shown) << "and what was typed";
                close(w);
            });
            script.answer(base::Answer::No);
            script.answer(base::Answer::Yes);
            base::dialogs().showModal(window);
            EXPECT_EQ(base::dialogs().showModal(window), QDialog::Rejected);
            EXPECT_EQ(script.log().filter("Discard"), QStringList(2, "Confirmation YesNo/No: Discard your changes?"));
            store::CloseAll();
            EXPECT_EQ(testing_support::tableRecords(table), stored);
        }
    }
}

}  // namespace
}  // namespace app_test
