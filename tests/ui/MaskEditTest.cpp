#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "support/TestSupport.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

using testing_support::LocaleScope;
using ui::MaskEdit;
using ui::NegativeColour;
using namespace base::literals;

namespace {

// A window with the field under test and a plain field after it in tab order, shown and active so
// that leaving the field really moves the focus.
class MaskEditTest : public ::testing::Test {
protected:
    void build(const ui::MaskEditSettings& settings) {
        field = new MaskEdit(settings, &window);
        next = new QLineEdit(&window);
        testing_support::showActive(&window, {field, next});
        field->setFocus();
        ASSERT_TRUE(field->hasFocus());
    }
    void type(const QString& keys) { QTest::keyClicks(field, keys); }
    void leave() { QTest::keyClick(field, Qt::Key_Tab); }
    bool red() const { return field->palette().color(QPalette::Text) == QColor(Qt::red); }

    ui::EditWindow window;
    MaskEdit* field = nullptr;
    QLineEdit* next = nullptr;
};

}  // namespace

TEST_F(MaskEditTest, SeparatorKeyRightJustifiesTheWholeNumberAndLeavingFinishes) {
    build(ui::amountField(5));  // the unit price: 5 places, "%8.2f"
    type(QStringLiteral("12."));
    EXPECT_EQ(field->text(), QStringLiteral("   12.00"));
    EXPECT_EQ(field->selectedText(), QStringLiteral("00"));  // the decimals are typed over
    type(QStringLiteral("5"));
    EXPECT_EQ(field->text(), QStringLiteral("   12.5"));
    leave();
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(field->text(), QStringLiteral("   12.50"));
    EXPECT_EQ(field->value(), 12.5_dec);
}

TEST_F(MaskEditTest, EmptyFieldReformatsToZeroInTheFormatWidth) {
    build(ui::amountField(7));
    leave();
    EXPECT_EQ(field->text(), QStringLiteral("      0.00"));
}

TEST_F(MaskEditTest, MinusThenSeparatorGivesRedMinusZeroUntilTheFieldIsLeft) {
    build(ui::amountField(5));
    type(QStringLiteral("-"));
    EXPECT_TRUE(red());
    type(QStringLiteral("."));
    EXPECT_EQ(field->text(), QStringLiteral("   -0.00"));
    EXPECT_TRUE(red());
    leave();  // a zero is no negative amount
    EXPECT_EQ(field->text(), QStringLiteral("    0.00"));
    EXPECT_FALSE(red());
    field->setFocus();
    field->selectAll();
    type(QStringLiteral("3"));
    EXPECT_FALSE(red());
}

TEST_F(MaskEditTest, RefusesDigitsBeyondItsPlacesLettersAndASecondSeparator) {
    build(ui::amountField(5));
    type(QStringLiteral("1234567"));
    EXPECT_EQ(field->text(), QStringLiteral("12345"));
    field->clear();
    type(QStringLiteral("-12345"));  // the sign takes a place
    EXPECT_EQ(field->text(), QStringLiteral("-1234"));
    field->clear();
    type(QStringLiteral("1a2,b.345"));
    EXPECT_EQ(field->text(), QStringLiteral("   12.34"));
    EXPECT_FALSE(field->text().contains(QLatin1Char(',')));
    // A field that is not reformatted takes the separator once.
    ui::MaskEditSettings plain = ui::plainField(7);
    field->configure(plain);
    field->clear();
    type(QStringLiteral("1.2.3"));
    EXPECT_EQ(field->text(), QStringLiteral("1.23"));
    // The separator key in a reformatted field never inserts a second one.
    field->configure(ui::amountField(5));
    field->setText(QStringLiteral("1.5"));
    field->end(false);
    type(QStringLiteral("."));
    EXPECT_EQ(field->text(), QStringLiteral("    1.50"));
}

TEST_F(MaskEditTest, CommaLocaleTypesAndShowsTheComma) {
    LocaleScope german(testing_support::commaLocale());
    build(ui::amountField(6));  // the reorder level, "%9.2f"
    type(QStringLiteral("7.5"));  // "." means nothing here
    EXPECT_EQ(field->text(), QStringLiteral("75"));
    field->clear();
    type(QStringLiteral("-7,5"));
    EXPECT_EQ(field->text(), QStringLiteral("    -7,5"));
    leave();
    EXPECT_EQ(field->text(), QStringLiteral("    -7,50"));
    EXPECT_TRUE(red());
    EXPECT_EQ(field->value(), -7.5_dec);
    field->setValue(1234.5);
    EXPECT_EQ(field->text(), QStringLiteral("  1234,50"));
}

TEST_F(MaskEditTest, FixedDotFieldKeepsTheDotInACommaLocale) {
    LocaleScope german(testing_support::commaLocale());
    ui::MaskEditSettings settings = ui::amountField(7);
    settings.fixedDot = true;
    build(settings);
    type(QStringLiteral("3,25"));
    EXPECT_EQ(field->text(), QStringLiteral("325"));
    field->clear();
    type(QStringLiteral("3.25"));
    leave();
    EXPECT_EQ(field->text(), QStringLiteral("      3.25"));
    EXPECT_EQ(field->value(), 3.25_dec);
}

TEST_F(MaskEditTest, ColourRules) {
    ui::MaskEditSettings onExit = ui::amountField(2, 2, NegativeColour::OnExit);  // the top margin
    build(onExit);
    type(QStringLiteral("-1"));
    EXPECT_FALSE(red());
    leave();
    EXPECT_EQ(field->text(), QStringLiteral("-1.00"));
    EXPECT_TRUE(red());

    field->configure(ui::amountField(2, 2, NegativeColour::None));  // the logo sizes
    field->setFocus();
    field->selectAll();
    type(QStringLiteral("-2"));
    leave();
    EXPECT_EQ(field->text(), QStringLiteral("-2.00"));
    EXPECT_FALSE(red());
}

TEST_F(MaskEditTest, LeavingRunsTheFollowUpAfterReformatting) {
    build(ui::amountField(5));
    QString seen;
    QObject::connect(field, &MaskEdit::exited, [&] { seen = field->text(); });
    type(QStringLiteral("4"));
    leave();
    EXPECT_EQ(seen, QStringLiteral("    4.00"));
    // Another window taking the activation is not leaving the field.
    seen.clear();
    field->setFocus();
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_TRUE(seen.isEmpty());
}

TEST_F(MaskEditTest, EnterMovesOnAndIsSwallowed) {
    build(ui::plainField(7));  // Enter rule only: nothing is reformatted
    type(QStringLiteral("12"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(field->text(), QStringLiteral("12"));
    EXPECT_TRUE(window.isVisible());
}

// Each field of the program's windows as a setting: the width of a fresh zero is the format's.
TEST(MaskEditSettings, EveryFieldOfTheWindowsIsASetting) {
    struct Row { ui::MaskEditSettings settings; const char* format; const char* zero; } rows[] = {
        {ui::amountField(5), "%8.2f", "    0.00"},      // product and item unit price
        {ui::amountField(6), "%9.2f", "     0.00"},     // reorder level, item quantity
        {ui::amountField(7), "%10.2f", "      0.00"},   // payment amounts, invoice computed lines, purchase quantity
        {ui::amountField(9), "%12.2f", "        0.00"}, // purchase total cost
        {ui::amountField(2), "%5.2f", " 0.00"},         // tax rates, stationery measures
        {ui::amountField(4, 3, NegativeColour::None), "%8.3f", "   0.000"},  // label measures
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        EXPECT_EQ(row.settings.format, QByteArray(row.format));
        MaskEdit field(row.settings);
        field.reformat();
        EXPECT_EQ(field.text(), QString::fromLatin1(row.zero));
        EXPECT_EQ(field.maskLength(), field.text().size());
    }
    EXPECT_TRUE(ui::plainField(7).format.isEmpty());
    EXPECT_EQ(ui::plainField(7).colour, NegativeColour::None);
}
