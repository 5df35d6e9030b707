#include "invoicing/PmtDefU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Format.h"
#include "invoicing/InvoiceControls.h"
#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceRows.h"
#include "invoicing/ItemDefU.h"
#include "store/Settings.h"
#include "store/WorkingSet.h"

namespace invoicing {

int PmtAction = kActionCancel;

namespace {

const QString kCaption = QStringLiteral("Payment");
const QString kDatePaid = QStringLiteral("Date Paid:");
const QString kAmount = QStringLiteral("Amount:");
const QString kIncludesGst = QStringLiteral("Includes GST");
const QString kGst = QStringLiteral("GST");
const QString kIncluded = QStringLiteral(" Included");
const QString kTaxHint = QStringLiteral("Amount of tax included in the above payment");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const char* const kTaxPartFormat = "%9.2f";

}  // namespace

TPmtDef::TPmtDef(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("PmtDef"));
    setWindowTitle(kCaption);
    Label1 = label(this, "Label1", kDatePaid);
    Label2 = label(this, "Label2", kAmount);
    Label3 = label(this, "Label3", kGst);
    DateTimePicker1 = named(new ui::DateEdit(this), "DateTimePicker1");
    MaskEdit2 = named(new ui::MaskEdit(this), "MaskEdit2");
    CheckBox1 = named(new QCheckBox(kIncludesGst, this), "CheckBox1");
    MaskEdit1 = named(new ui::MaskEdit(this), "MaskEdit1");
    MaskEdit1->setToolTip(kTaxHint);
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(DateTimePicker1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(MaskEdit2, 1, 1);
    grid->addWidget(CheckBox1, 2, 1);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(MaskEdit1, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnDelete);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    setTabOrder(DateTimePicker1, MaskEdit2);
    setTabOrder(MaskEdit2, CheckBox1);
    setTabOrder(CheckBox1, MaskEdit1);
    setTabOrder(MaskEdit1, BtnSave);
    setTabOrder(BtnSave, BtnDelete);
    setTabOrder(BtnDelete, BtnCancel);

    connect(BtnSave, &QPushButton::clicked, this, &TPmtDef::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TPmtDef::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TPmtDef::BtnCancelClick);
    connect(MaskEdit2, &ui::MaskEdit::exited, this, &TPmtDef::MaskEdit2Exit);
    connect(MaskEdit1, &ui::MaskEdit::exited, this, &TPmtDef::MaskEdit1Exit);
    connect(CheckBox1, &QCheckBox::clicked, this, &TPmtDef::CheckBox1Click);
    FormCreate();
}

void TPmtDef::FormCreate() {
    MaskEdit2->configure(ui::amountField(7));
    MaskEdit1->configure(ui::amountField(7));
}

void TPmtDef::FormShow() {
    const store::GstLine gst = store::GstLineOf();
    GstRate = gst.rate;
    GstLabel = gst.caption;
    CheckBox1->setText(ui::dataCaption(GstLabel + kIncluded));
    Label3->setText(GstLabel);
    PmtAction = kActionCancel;
    DateTimePicker1->setFocus();
}

void TPmtDef::showNew(bool includesTax) {
    DateTimePicker1->setDate(QDate::currentDate());
    MaskEdit2->setText(base::FormatNumber(kAmountFormat, 0));
    CheckBox1->setChecked(includesTax);
    MaskEdit1->setText(base::FormatNumber(kAmountFormat, 0));
    BtnDelete->setEnabled(false);
}

void TPmtDef::showPayment(const store::PaymentRow& row) {
    DateTimePicker1->setDay(PaymentDay(row.date));  // empty when the payment has no date
    MaskEdit2->setText(row.amount);
    MaskEdit1->setText(row.taxPart);
    CheckBox1->setChecked(row.includesTax);
    BtnDelete->setEnabled(true);
}

store::PaymentRow TPmtDef::payment() const {
    return {base::DateText(DateTimePicker1->day()), MaskEdit2->text(), MaskEdit1->text(), CheckBox1->isChecked()};
}

void TPmtDef::ComputeIncludedTax() {
    base::Decimal part;
    if (!invoicing::ComputeIncludedTax(GstRate, MaskEdit2->value(), CheckBox1->isChecked(), &part)) return;
    MaskEdit1->setText(base::FormatNumber(kTaxPartFormat, part));
}

void TPmtDef::MaskEdit2Exit() { ComputeIncludedTax(); }
// Leaving the tax part only reformats and recolours it, which the field does itself.
void TPmtDef::MaskEdit1Exit() {}
void TPmtDef::CheckBox1Click() { ComputeIncludedTax(); }

void TPmtDef::BtnSaveClick() {
    if (!DateTimePicker1->acceptDate()) return;
    PmtAction = kActionSave;
    accept();
}
void TPmtDef::BtnDeleteClick() {
    PmtAction = kActionDelete;
    accept();
}
void TPmtDef::BtnCancelClick() {
    PmtAction = kActionCancel;
    reject();
}

}  // namespace invoicing
