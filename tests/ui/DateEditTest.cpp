// The shared date field typed into like a user: an empty field, a two-digit year read through the
// century window, the locale's short format, and texts that are no date.
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
    QString shown() const { return field->text(); }

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
    EXPECT_EQ(other.text(), "01.03.26");
}

TEST_F(DateEditTest, TypedDatesAreTheDatesMeantAndNoDateIsRefused) {
    // Refused texts (no date) stay as typed, red; a date is shown again in the short format.
    const std::pair<QString, QDate> cases[] = {
        {"12/31/99", {1999, 12, 31}}, {"8 Dec 2026", {2026, 12, 8}}, {"dec 8, 26", {2026, 12, 8}},
        {"2026-12-08", {2026, 12, 8}}, {"31", {}}, {"31 Feb 2026", {}}, {"2/31/26", {}}, {"13/1/26", {}},
        {"1/1/1950", {}},  // before the century window: the tables would make it 2050
    };
    const QColor normal = field->palette().color(QPalette::Text);
    for (const auto& [typed, date] : cases) {
        field->setDate(QDate(2026, 3, 1));
        testing_support::typeDate(field, typed);
        QTest::keyClick(field, Qt::Key_Tab);
        EXPECT_EQ(shown(), date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : typed) << typed.toStdString();
        EXPECT_EQ(field->isAcceptable(), date.isValid()) << typed.toStdString();
        EXPECT_EQ(field->palette().color(QPalette::Text) == normal, date.isValid()) << typed.toStdString();
        if (date.isValid()) { EXPECT_EQ(field->date(), date) << typed.toStdString(); }
    }
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));  // the day first
    testing_support::typeDate(field, "3.2.26");
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(field->date(), QDate(2026, 2, 3));
    EXPECT_EQ(shown(), "03.02.26");
}
