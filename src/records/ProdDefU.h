#pragma once
// TProdDef: the product window ("Product Definition"). Shows the product at CurProductRec (0: a new
// one), stores it on "Save" (refusing a blank or duplicate ID) and marks it deleted on "Delete". On
// return CurProductRec names the stored record, or is -1 when a new product was cancelled.
// REQUIRES: Prod5 open.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace records {

class TProdDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TProdDef(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 430;

    QLabel* Label1;  // "Product ID"
    QLabel* Label2;  // "Description"
    QLabel* Label3;  // "Unit Price"
    QLabel* Label4;  // "Reorder Level:"
    QLabel* Label5;  // "Product Text (Printed at the Bottom of Invoices)"

    QLineEdit* Edit1;  // product ID
    QLineEdit* Edit2;  // description, first line
    QLineEdit* Edit3;  // description, second line
    QLineEdit* Edit4;  // second code (RCode)
    ui::MaskEdit* MaskEdit1;  // unit price
    ui::MaskEdit* MaskEdit2;  // reorder level
    QCheckBox* CheckBox1;  // tax 1, captioned with the settings' ShipLine
    QCheckBox* CheckBox2;  // tax 2, captioned with the settings' TaxLine
    QCheckBox* CheckBox3;  // "Inventory Item"
    QPlainTextEdit* Memo1;  // product text

    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

public slots:
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();
    void BtnHelpClick();

protected:
    void FormShow() override;
};

}  // namespace records
