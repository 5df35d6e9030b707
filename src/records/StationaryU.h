#pragma once
// TStationary ("Stationery Setup"): edits the letterhead of printed invoices, bills and statements
// in the settings record.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace records {

class TStationary : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TStationary(QWidget* parent = nullptr);

    QPushButton* BtnLogo;
    QLineEdit* Edit1;          // logo file
    ui::MaskEdit* MaskEdit1;   // top margin
    ui::MaskEdit* MaskEdit2;   // logo height
    ui::MaskEdit* MaskEdit3;   // logo width
    QLineEdit* Edit2;          // company
    QLineEdit* Edit3;          // address lines 1 to 4
    QLineEdit* Edit4;
    QLineEdit* Edit5;
    QLineEdit* Edit6;
    QLineEdit* Edit7;          // closing line
    QLineEdit* Edit8;          // signature line
    QGroupBox* GroupBox1;      // justification
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QPushButton* BtnSave;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;
    QPushButton* BtnEInvoice;  // the seller's e-invoice details (TEInvSetup)

public slots:
    void BtnLogoClick();
    void BtnSaveClick();
    void BtnCancelClick();

protected:
    void FormShow() override;
};

}  // namespace records
