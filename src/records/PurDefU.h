#pragma once
// TPurDef: the inventory purchase window ("Inventory Purchase Definition"). Shows the purchase at
// CurPurchaseRec (0: a new one, dated today), stores it on "Save" and marks it deleted on "Delete".
// A product chosen through "Product" in this showing becomes an inventory item when the purchase is
// saved. REQUIRES: Pur5 and Prod5 open.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/DateEdit.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace records {

class TPurDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TPurDef(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 450;

    QLabel* Label1;  // "Date Acquired"
    QLabel* Label2;  // "Quantity"
    QLabel* Label3;  // "Total Cost"

    QPushButton* BtnProd;  // "Product"
    QLineEdit* Edit1;      // product ID, read-only
    ui::DateEdit* DateTimePicker1;
    ui::MaskEdit* MaskEdit2;  // quantity
    ui::MaskEdit* MaskEdit3;  // total cost

    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;

    // The product record chosen through "Product" in this showing (0: none).
    long chosenProduct() const { return m_chosenProduct; }

public slots:
    void BtnProdClick();
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();

protected:
    void FormShow() override;

private:
    long m_chosenProduct = 0;
};

}  // namespace records
