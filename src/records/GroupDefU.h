#pragma once
// TGroupDef: the customer group window ("Customer Group Definition"). Shows the group at CurGroupRec
// (> 0; otherwise a new one), stores it on "Save", and on "Delete" moves the group's customers to a
// chosen group before marking it deleted. REQUIRES: GROUPS and CUST5 open.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/EditWindow.h"

namespace records {

class TGroupDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TGroupDef(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 420;

    QLabel* Label1;  // "Group Number:"
    QLabel* Label2;  // "Customer Group:"
    QLineEdit* Edit1;  // group number, read-only
    QLineEdit* Edit2;  // group name
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;

public slots:
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();

protected:
    void FormShow() override;
};

}  // namespace records
