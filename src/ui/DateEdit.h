#pragma once
// The date entry field of every window: a line edit in the locale's short date format with a
// drop-down calendar. What is typed is read when the field is left (base::ReadTypedDate): a date is
// shown again in the short format, a text that is no date that can be kept stays as typed and turns
// red, and the window's Save or OK refuses it (acceptDate). The field can hold no date, shown empty,
// so a record without a date is never shown with the date of the one before.
#include <QDate>
#include <QLineEdit>

class QCalendarWidget;

namespace ui {

class DateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);

    // The date as a day number; 0 when the field is empty.
    double day() const;
    // 0 or less (or no valid date) empties the field.
    void setDay(double day);
    bool isEmpty() const;

    // The date shown or typed; invalid when the field is empty. While the text is no date, the last
    // date the field held.
    QDate date() const;
    void setDate(const QDate& date);

    // Whether the field is empty or holds a date that can be kept.
    bool isAcceptable() const;
    // For Save and OK: true when acceptable; otherwise tells the user what to type, puts the focus
    // back into the field and returns false.
    bool acceptDate();

    // The drop-down calendar (created when first opened).
    QCalendarWidget* calendar() const { return m_calendar; }
    void openCalendar();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Reads what was typed: a date is shown in the short format, anything else turns the field red.
    void commit();
    void setRed(bool red);

    QDate m_date;     // the date last set or accepted
    QString m_shown;  // the text that stands for m_date
    QCalendarWidget* m_calendar = nullptr;
};

}  // namespace ui
