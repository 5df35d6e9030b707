#pragma once
// TLabelDef: the label stock window ("Label Definition"). Shows the stock at CurLabelRec (0 or less: a
// new one) with its eight measures in printer points, stores it on "Save" and marks it deleted on
// "Delete". A stock labels cannot be printed on is stored all the same, after a warning that says
// why. REQUIRES: LABELS open.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace labels {

class TLabelDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TLabelDef(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 620;

    QLabel* Label1;  // "Label Name"
    QLineEdit* Edit1;
    // Top, left, bottom and right margin, width, height, horizontal and vertical gap, in points.
    ui::MaskEdit* MaskEdit1;
    ui::MaskEdit* MaskEdit2;
    ui::MaskEdit* MaskEdit3;
    ui::MaskEdit* MaskEdit4;
    ui::MaskEdit* MaskEdit5;
    ui::MaskEdit* MaskEdit6;
    ui::MaskEdit* MaskEdit7;
    ui::MaskEdit* MaskEdit8;
    ui::MaskEdit* MaskEdit9;  // "No. Labels Across"
    QCheckBox* CheckBox1;     // "Continuous Pin Feed"
    QLabel* Label11;          // the line about printer points
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;

public slots:
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();

protected:
    void FormShow() override;

private:
    ui::MaskEdit* measure(int i) const;
};

}  // namespace labels
