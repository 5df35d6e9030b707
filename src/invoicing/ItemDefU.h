#pragma once
// TItemDef ("Invoice Line Item"): one line of an invoice. The invoice window fills it from a product or
// a line, shows it modally and reads ItemAction and the controls afterwards.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/RecordBuffers.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace invoicing {

// How the item window was closed: 1 save, 2 delete, 3 cancel (also closing by the frame).
extern int ItemAction;
inline constexpr int kActionSave = 1;
inline constexpr int kActionDelete = 2;
inline constexpr int kActionCancel = 3;

class TItemDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TItemDef(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 1120;

    QLabel* Label1;  // "Product"
    QLabel* Label2;  // "Description"
    QLabel* Label3;  // "Unit Price"
    QLabel* Label4;  // "Quantity"
    QLabel* Label5;  // "Total"
    QLineEdit* Edit1;  // product code, read-only
    QLineEdit* Edit2;  // description
    QLineEdit* Edit3;  // line comment
    ui::MaskEdit* MaskEdit1;  // unit price
    ui::MaskEdit* MaskEdit2;  // quantity
    ui::MaskEdit* MaskEdit3;  // line total, read-only
    QCheckBox* CheckBox1;  // subject to computed line 1
    QCheckBox* CheckBox2;  // subject to computed line 2
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;

    // A new line for the product: its price, a quantity of 1.
    void showProduct(const store::ProdBuffer& product);
    // An existing line (the nine cells of an item row).
    void showLine(const QStringList& row);
    // Cells 0 to 6 of the line as the controls hold it.
    QStringList lineCells() const;

public slots:
    void FormCreate();
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();
    void MaskEdit1Exit();
    void MaskEdit2Exit();
    void UpdateLineTotal();

protected:
    void FormShow() override;

private:
    void close(int action);
};

}  // namespace invoicing
