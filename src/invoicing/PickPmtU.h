#pragma once
// TPickPmt ("Select Payment"): the payments of the invoice being edited; choosing one opens it in the
// payment window, whose outcome changes or removes it, and closes the list.
#include <QPushButton>
#include <QTableWidget>

#include "ui/EditWindow.h"

namespace invoicing {

class TPickPmt : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TPickPmt(QWidget* parent = nullptr);

    QTableWidget* StringGrid1;
    QPushButton* BtnSelect;
    QPushButton* BtnCancel;

public slots:
    void BtnSelectClick();
    void StringGrid1DblClick();
    void BtnCancelClick();
    void EditPayment();

protected:
    void FormShow() override;
};

}  // namespace invoicing
