#pragma once
// TCustomer: the customer window ("Customer"). Shows the customer at CurCustRec (0: a new one), stores
// it on "Save" and marks it deleted on "Delete". On return CurCustRec names the stored record, or is
// -1 when a new customer was cancelled. REQUIRES: CUST5 and GROUPS open.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/EditWindow.h"

namespace records {

class TCustomer : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TCustomer(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 410;

    QLabel* Label1;   // "Customer No."
    QLabel* Label2;   // "Name"
    QLabel* Label3;   // beside addr1: "Address" (by name) or "Company" (by company)
    QLabel* Label4;   // beside addr2: "Address", shown only by company
    QLabel* Label5;   // "Postal Code"
    QLabel* Label6;   // "Phone"
    QLabel* Label7;   // "Fax"
    QLabel* Label8;   // "Email"
    QLabel* Label9;   // "Note"

    QLineEdit* Edit1;   // customer number, read-only
    QLineEdit* Edit2;   // title
    QLineEdit* Edit3;   // first name
    QLineEdit* Edit4;   // last name
    QLineEdit* Edit5;   // addr1
    QLineEdit* Edit6;   // addr2
    QLineEdit* Edit7;   // addr3
    QLineEdit* Edit8;   // addr4 (town line)
    QLineEdit* Edit9;   // postal code
    QLineEdit* Edit10;  // phone
    QLineEdit* Edit11;  // fax
    QLineEdit* Edit12;  // e-mail
    QLineEdit* Edit13;  // note
    QLineEdit* Edit14;  // group name, read-only
    QPlainTextEdit* Memo1;  // comments

    QPushButton* BtnGroup;
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

public slots:
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();
    void BtnGroupClick();
    void BtnHelpClick();

protected:
    void FormShow() override;

private:
    void showCustomer();
    void readControls();
};

}  // namespace records
