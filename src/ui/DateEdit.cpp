#include "ui/DateEdit.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLocale>
#include <QPalette>
#include <QStyle>

#include "base/DateInput.h"
#include "base/Dialogs.h"
#include "base/Format.h"

namespace ui {
namespace {

const QString kNotADate = QStringLiteral("\"%1\" is not a date. Please type the date as %2, for example %3.");

QString shortText(const QDate& date) { return date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : QString(); }

bool plain(const QKeyEvent* event) { return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier; }

}  // namespace

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent) {
    QAction* drop = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    drop->setObjectName(QStringLiteral("CalendarButton"));
    connect(drop, &QAction::triggered, this, &DateEdit::openCalendar);
}

double DateEdit::day() const { return base::DayFromDate(date()); }

void DateEdit::setDay(double day) { setDate(base::DateFromDay(day)); }

bool DateEdit::isEmpty() const { return text().trimmed().isEmpty(); }

QDate DateEdit::date() const {
    if (text() == m_shown) return m_date;
    const base::TypedDate typed = base::ReadTypedDate(text());
    switch (typed.status) {
    case base::TypedDate::Status::Empty: return {};
    case base::TypedDate::Status::Valid: return typed.date;
    case base::TypedDate::Status::Invalid: break;
    }
    return m_date;
}

void DateEdit::setDate(const QDate& date) {
    m_date = date.isValid() ? date : QDate();
    m_shown = shortText(m_date);
    setText(m_shown);
    setRed(false);
}

bool DateEdit::isAcceptable() const {
    return text() == m_shown || base::ReadTypedDate(text()).status != base::TypedDate::Status::Invalid;
}

bool DateEdit::acceptDate() {
    commit();
    if (isAcceptable()) return true;
    base::ShowMessage(kNotADate.arg(text().trimmed(), base::DateMask(), shortText(QDate::currentDate())));
    setFocus(Qt::OtherFocusReason);
    selectAll();
    return false;
}

void DateEdit::commit() {
    if (text() == m_shown) {
        setRed(false);
        return;
    }
    const base::TypedDate typed = base::ReadTypedDate(text());
    // What cannot be read stays as typed, for the user to mend: it is never turned into another date.
    if (typed.status == base::TypedDate::Status::Invalid)
        setRed(true);
    else
        setDate(typed.date);
}

void DateEdit::setRed(bool red) {
    QPalette p = palette();
    p.setColor(QPalette::Text, red ? QColor(Qt::red) : QApplication::palette(this).color(QPalette::Text));
    setPalette(p);
}

void DateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    commit();
}

void DateEdit::keyPressEvent(QKeyEvent* event) {
    const bool opens = event->key() == Qt::Key_F4 ||
                       (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier));
    if (opens) {
        openCalendar();
        return;
    }
    int days = 0, months = 0;
    if (plain(event)) {
        switch (event->key()) {
        case Qt::Key_Up: days = 1; break;
        case Qt::Key_Down: days = -1; break;
        case Qt::Key_PageUp: months = 1; break;
        case Qt::Key_PageDown: months = -1; break;
        default: break;
        }
    }
    if (days == 0 && months == 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // A step from an empty field starts at today; a text that is no date is left for the user.
    commit();
    if (!isAcceptable()) return;
    const QDate from = date();
    setDate(from.isValid() ? from.addDays(days).addMonths(months) : QDate::currentDate());
}

void DateEdit::openCalendar() {
    commit();
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(this);
        m_calendar->setObjectName(QStringLiteral("Calendar"));
        m_calendar->setWindowFlags(Qt::Popup);
        const int first = base::CenturyWindowStart();
        m_calendar->setDateRange(QDate(first, 1, 1), QDate(first + 99, 12, 31));
        connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate chosen) {
            m_calendar->hide();
            setDate(chosen);
            setFocus(Qt::PopupFocusReason);
        });
        connect(m_calendar, &QCalendarWidget::clicked, m_calendar, &QCalendarWidget::activated);
    }
    m_calendar->setSelectedDate(date().isValid() ? date() : QDate::currentDate());
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(rect().bottomLeft()));
    m_calendar->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

}  // namespace ui
