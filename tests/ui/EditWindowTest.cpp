#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "ui/Cp1252Validator.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace {

// QTest::keyClicks takes ASCII only: other characters are sent as key events carrying their text.
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// A small editing window: the controls in tab order, and an OK button that is the default.
class SampleWindow : public ui::EditWindow {
public:
    SampleWindow() {
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w : std::initializer_list<QWidget*>{Edit1, DateTimePicker1, ComboBox1, MaskEdit1, Memo1, BtnOk})
            layout->addWidget(w);
        ComboBox1->setEditable(true);
        BtnOk->setDefault(true);
        connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    }
    int shows = 0;
    QLineEdit* Edit1 = new QLineEdit(this);
    QDateEdit* DateTimePicker1 = new QDateEdit(this);
    QComboBox* ComboBox1 = new QComboBox(this);
    ui::MaskEdit* MaskEdit1 = new ui::MaskEdit(ui::amountField(5), this);
    QPlainTextEdit* Memo1 = new QPlainTextEdit(this);
    QPushButton* BtnOk = new QPushButton(QStringLiteral("OK"), this);

protected:
    void FormShow() override { ++shows; }
};

class EditWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        QApplication::setActiveWindow(&window);
    }
    SampleWindow window;
};

}  // namespace

TEST_F(EditWindowTest, EnterInASingleLineFieldMovesOnAndNeverClosesTheWindow) {
    QSignalSpy pressed(window.BtnOk, &QPushButton::clicked);
    struct Step { QWidget* from; QWidget* to; Qt::Key key; Qt::KeyboardModifiers modifiers; } steps[] = {
        {window.Edit1, window.DateTimePicker1, Qt::Key_Return, Qt::NoModifier},
        {window.DateTimePicker1, window.ComboBox1, Qt::Key_Enter, Qt::KeypadModifier},
        {window.ComboBox1, window.MaskEdit1, Qt::Key_Return, Qt::NoModifier},
        {window.MaskEdit1, window.Memo1, Qt::Key_Enter, Qt::KeypadModifier},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.from->metaObject()->className());
        step.from->setFocus();
        QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
        EXPECT_TRUE(step.to->hasFocus() || step.to->isAncestorOf(QApplication::focusWidget()));
    }
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
}

TEST_F(EditWindowTest, MultiLineFieldsKeepEnter) {
    window.Memo1->setFocus();
    QTest::keyClicks(window.Memo1, QStringLiteral("a"));
    QTest::keyClick(window.Memo1, Qt::Key_Return);
    QTest::keyClicks(window.Memo1, QStringLiteral("b"));
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("a\nb"));
    EXPECT_TRUE(window.Memo1->hasFocus());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EditWindowTest, EnterOnTheButtonStillPressesIt) {
    window.BtnOk->setFocus();
    QTest::keyClick(window.BtnOk, Qt::Key_Return);
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(EditWindowTest, FormShowRunsOncePerShowing) {
    EXPECT_EQ(window.shows, 1);
    window.hide();
    window.show();
    EXPECT_EQ(window.shows, 2);
}

TEST_F(EditWindowTest, CharactersTheTablesCannotHoldAreRefusedWhereTyped) {
    typeText(window.Edit1, QStringLiteral("Caf\u00e9 \u0416\u20ac"));
    EXPECT_EQ(window.Edit1->text(), QStringLiteral("Caf\u00e9 \u20ac"));
    typeText(window.ComboBox1->lineEdit(), QStringLiteral("x\u03a9y"));
    EXPECT_EQ(window.ComboBox1->currentText(), QStringLiteral("xy"));
    typeText(window.Memo1, QStringLiteral("m\u4e2dn"));
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("mn"));
    // A paste holding one such character is refused whole, not stored with a substitute.
    window.Edit1->clear();
    window.Edit1->insert(QStringLiteral("ok\u0416"));
    EXPECT_EQ(window.Edit1->text(), QString());
    // The amount field keeps its own rules; the date keeps its own.
    EXPECT_EQ(dynamic_cast<const ui::Cp1252Validator*>(window.MaskEdit1->validator()), nullptr);
    typeText(window.MaskEdit1, QStringLiteral("\u20ac5"));
    EXPECT_EQ(window.MaskEdit1->text(), QStringLiteral("5"));
}
