// The shared date field typed into like a user: an empty field, a two-digit year read through the
// century window, and the locale's short format.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "base/Format.h"
#include "support/TestSupport.h"
#include "ui/DateEdit.h"
#include "ui/EditWindow.h"

using testing_support::LocaleScope;
using ui::DateEdit;

namespace {

class DateEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        field = new DateEdit(&window);
        next = new QLineEdit(&window);
        testing_support::showActive(&window, {field, next});
    }
    QString shown() const { return field->findChild<QLineEdit*>()->text(); }

    ui::EditWindow window;
    DateEdit* field = nullptr;
    QLineEdit* next = nullptr;
};

}  // namespace

TEST_F(DateEditTest, NoDateShowsEmptyAndTypingStartsFromToday) {
    field->setDay(base::DayFromDate(QDate(2026, 3, 1)));
    EXPECT_EQ(shown(), "3/1/26");
    field->setDay(0);  // the next record has none: nothing of the last one stays
    EXPECT_TRUE(shown().trimmed().isEmpty());
    EXPECT_FALSE(field->date().isValid());
    EXPECT_EQ(field->day(), 0.0);
    QTest::keyClick(next, Qt::Key_Tab);  // passing through leaves it empty
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(field->day(), 0.0);

    field->setFocus();
    QTest::keyClick(field, Qt::Key_Up);  // a step from an empty field starts at today
    EXPECT_EQ(field->date().year(), QDate::currentDate().year());
}

TEST_F(DateEditTest, TwoDigitYearsFollowTheCenturyWindow) {
    struct Case {
        QDate held;
        QString typed;
        QDate expected;
    };
    // The window runs from 60 years before this year: 99 is 1999 and 30 is 2030 until 2059.
    const Case cases[] = {
        {QDate(2026, 5, 4), "1/2/99", QDate(1999, 1, 2)},
        {QDate(1990, 5, 4), "1/2/30", QDate(2030, 1, 2)},
        {QDate(), "1/3/99", QDate(1999, 1, 3)},
    };
    for (const Case& c : cases) {
        field->setDate(c.held);
        testing_support::typeDate(field, c.typed);
        QTest::keyClick(field, Qt::Key_Tab);
        EXPECT_EQ(field->date(), c.expected)
            << c.typed.toStdString() << " gave " << field->date().toString(Qt::ISODate).toStdString();
    }
}

TEST_F(DateEditTest, FollowsTheLocalesShortFormat) {
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    DateEdit other(&window);
    other.setDate(QDate(2026, 3, 1));
    EXPECT_EQ(other.findChild<QLineEdit*>()->text(), "01.03.26");
}
