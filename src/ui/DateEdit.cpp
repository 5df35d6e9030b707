#include "ui/DateEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include "base/Format.h"

namespace ui {
namespace {

// The field's lowest date stands for "no date" and is shown as the blank special text. No date a
// user types or a table holds comes near it.
const QDate kNoDate(100, 1, 1);
const QString kBlank = QStringLiteral(" ");

bool startsTyping(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return !event->text().isEmpty() && event->text().front().isDigit();
    }
}

}  // namespace

DateEdit::DateEdit(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setMinimumDate(kNoDate);
    setSpecialValueText(kBlank);
    useShortFormat();
}

double DateEdit::day() const { return isEmpty() ? 0.0 : base::DayFromDate(QDateEdit::date()); }

void DateEdit::setDay(double day) { setDate(base::DateFromDay(day)); }

bool DateEdit::isEmpty() const { return QDateEdit::date() <= kNoDate; }

QDate DateEdit::date() const { return isEmpty() ? QDate() : QDateEdit::date(); }

void DateEdit::setDate(const QDate& date) { QDateEdit::setDate(date.isValid() && date > kNoDate ? date : kNoDate); }

QDateTime DateEdit::dateTimeFromText(const QString& text) const {
    QDateTime value = QDateEdit::dateTimeFromText(text);
    const QString format = displayFormat();
    const bool twoDigitYear = format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
    if (!twoDigitYear || !value.isValid() || value.date() <= kNoDate) return value;
    const QDate windowed = base::DateFromDay(base::DateWindow(base::DayFromDate(value.date())));
    if (windowed.isValid()) value.setDate(windowed);
    return value;
}

void DateEdit::keyPressEvent(QKeyEvent* event) {
    if (isEmpty() && startsTyping(event)) startFromToday();
    QDateEdit::keyPressEvent(event);
}

void DateEdit::mousePressEvent(QMouseEvent* event) {
    // The calendar opens on the month of the field's date: today's rather than the year 100's.
    if (isEmpty()) startFromToday();
    QDateEdit::mousePressEvent(event);
}

void DateEdit::showEvent(QShowEvent* event) {
    useShortFormat();
    QDateEdit::showEvent(event);
}

void DateEdit::startFromToday() {
    QDateEdit::setDate(QDate::currentDate());
    // Typing replaces the first part of the date, as in a field that held a date from the start.
    setSelectedSection(sectionAt(0));
}

void DateEdit::useShortFormat() {
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (displayFormat() != format) setDisplayFormat(format);
}

}  // namespace ui
