#pragma once
// TPmtDef ("Payment"): one payment of an invoice with the part of it that is the GST/VAT tax. The
// invoice window and the payment list fill it, show it modally and read PmtAction and the controls.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "store/WorkingSet.h"
#include "ui/DateEdit.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace invoicing {

// How the payment window was closed: 1 save, 2 delete, 3 cancel (also closing by the frame).
extern int PmtAction;

class TPmtDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TPmtDef(QWidget* parent = nullptr);

    QLabel* Label1;  // "Date Paid:"
    QLabel* Label2;  // "Amount:"
    QLabel* Label3;  // the GST/VAT caption
    ui::DateEdit* DateTimePicker1;
    ui::MaskEdit* MaskEdit2;  // amount
    QCheckBox* CheckBox1;     // the amount includes the tax
    ui::MaskEdit* MaskEdit1;  // tax part of the amount
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;

    // A new payment dated today of 0.00; includesTax: the box starts checked.
    void showNew(bool includesTax);
    // An existing payment.
    void showPayment(const store::PaymentRow& row);
    // The payment as the controls hold it.
    store::PaymentRow payment() const;

    base::Decimal gstRate() const { return GstRate; }

public slots:
    void FormCreate();
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();
    void MaskEdit2Exit();
    void MaskEdit1Exit();
    void CheckBox1Click();
    void ComputeIncludedTax();

protected:
    void FormShow() override;

private:
    base::Decimal GstRate;  // percent
    QString GstLabel;
};

}  // namespace invoicing
