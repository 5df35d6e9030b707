#pragma once
// The date entry field of every window: the locale's short date format with a drop-down calendar.
// It can hold no date, shown empty, so a record without a date is never shown with the date of the
// one before; and a two-digit year typed into it lands in the century window the stored dates use
// (DateWindow), not in the century of the date it held.
#include <QDateEdit>

namespace ui {

class DateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);

    // The date as a day number; 0 when the field is empty.
    double day() const;
    // 0 or less (or no valid date) empties the field.
    void setDay(double day);
    bool isEmpty() const;

    // These hide QDateEdit's own so that "no date" stays an invalid QDate on both sides.
    QDate date() const;
    void setDate(const QDate& date);

protected:
    QDateTime dateTimeFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // An empty field starts from today when the user begins to type or opens the calendar.
    void startFromToday();
    void useShortFormat();
};

}  // namespace ui
