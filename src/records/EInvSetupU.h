#pragma once
// TEInvSetup ("E-Invoice Setup"): the seller's details that electronic invoices need beyond the
// letterhead, kept in the party table's seller record. Opened from Stationery Setup.
#include <QLineEdit>
#include <QPushButton>

#include "ui/EditWindow.h"

namespace records {

class TEInvSetup : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TEInvSetup(QWidget* parent = nullptr);

    QLineEdit* Edit1;   // legal name
    QLineEdit* Edit2;   // street
    QLineEdit* Edit3;   // second address line
    QLineEdit* Edit4;   // city
    QLineEdit* Edit5;   // postcode
    QLineEdit* Edit6;   // country code
    QLineEdit* Edit7;   // tax registration number
    QLineEdit* Edit8;   // company registration number
    QLineEdit* Edit9;   // currency code
    QLineEdit* Edit10;  // IBAN or account number
    QLineEdit* Edit11;  // BIC
    QLineEdit* Edit12;  // payment terms in days
    QLineEdit* Edit13;  // e-mail
    QPushButton* BtnSave;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

public slots:
    void BtnSaveClick();
    void BtnCancelClick();

protected:
    void FormShow() override;
};

}  // namespace records
