#pragma once
// TDateSpan ("DateSpan"): asks for a span of dates, or a single date with the second picker hidden.
// Results go to StartDate, EndDate and DateSpanCancelled.
#include <QLabel>
#include <QPushButton>

#include "ui/DateEdit.h"
#include "ui/EditWindow.h"

namespace reports {

class TDateSpan : public ui::EditWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 500;  // F1: the reports page
    explicit TDateSpan(QWidget* parent = nullptr);

    QLabel* Label1;
    ui::DateEdit* DateTimePicker1;
    QLabel* Label2;
    ui::DateEdit* DateTimePicker2;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;

    // Shows the dialog on StartDate and EndDate; false when cancelled, else the span is in them.
    bool askSpan();
    // Shows the dialog for one date under caption (the second picker hidden), then restores it.
    // False when cancelled; the date is in StartDate.
    bool askSingleDate(const QString& caption);

public slots:
    void BtnOKClick();
    void BtnCancelClick();

protected:
    void FormShow() override;

private:
    void readDates();
};

}  // namespace reports
