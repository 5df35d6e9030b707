#include "reports/DateSpanU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "reports/Selection.h"

namespace reports {

namespace {
const QString kEndBeforeStart = QStringLiteral("Ending Date must be greater than or equal to Starting Date.");
const QString kBeginning = QStringLiteral("Print Beginning:");

ui::DateEdit* datePicker(QWidget* parent, const char* name) {
    auto* picker = new ui::DateEdit(parent);
    picker->setObjectName(QLatin1String(name));
    return picker;
}

QLabel* boldLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}
}  // namespace

TDateSpan::TDateSpan(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("DateSpan"));
    setWindowTitle(QStringLiteral("DateSpan"));
    setHelpContext(kHelpContext);
    Label1 = boldLabel(this, "Label1", kBeginning);
    DateTimePicker1 = datePicker(this, "DateTimePicker1");
    Label2 = boldLabel(this, "Label2", QStringLiteral("Ending:"));
    DateTimePicker2 = datePicker(this, "DateTimePicker2");
    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(DateTimePicker1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(DateTimePicker2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addStretch();
    main->addLayout(buttons);
    resize(325, 163);

    connect(BtnOK, &QPushButton::clicked, this, &TDateSpan::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TDateSpan::BtnCancelClick);
}

bool TDateSpan::askSpan() {
    base::dialogs().showModal(this);
    return !DateSpanCancelled;
}

void TDateSpan::FormShow() {
    DateTimePicker1->setDay(StartDate);
    DateTimePicker2->setDay(EndDate);
    DateTimePicker1->setFocus();
    DateSpanCancelled = true;  // closing by the frame cancels
}

void TDateSpan::readDates() {
    StartDate = std::floor(DateTimePicker1->day());
    EndDate = DateTimePicker2->day();
}

void TDateSpan::BtnOKClick() {
    if (!DateTimePicker1->acceptDate()) return;
    if (!DateTimePicker2->isHidden() && !DateTimePicker2->acceptDate()) return;
    readDates();
    if (!DateTimePicker2->isHidden() && StartDate > EndDate) {
        base::ShowMessage(kEndBeforeStart);
        return;
    }
    DateSpanCancelled = false;
    accept();
}

void TDateSpan::BtnCancelClick() {
    readDates();
    DateSpanCancelled = true;
    reject();
}

bool TDateSpan::askSingleDate(const QString& caption) {
    DateTimePicker2->hide();
    Label2->hide();
    Label1->setText(caption);
    const bool chosen = askSpan();
    DateTimePicker2->show();
    Label2->show();
    Label1->setText(kBeginning);
    return chosen;
}

}  // namespace reports
