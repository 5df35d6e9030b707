#include "records/EInvSetupU.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QVBoxLayout>

#include <iterator>
#include <tuple>

#include "base/Dialogs.h"
#include "store/Parties.h"
#include "ui/HelpU.h"

namespace records {

namespace {

constexpr int kHelpContext = 615;
const QString kBadCountry = QStringLiteral("The country code is two letters, such as DE, FR or AU.");
const QString kBadCurrency = QStringLiteral("The currency code is three letters, such as EUR or AUD.");
const QString kCannotOpen = QStringLiteral("Unable to open file EParty.DBF");

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(maxLength);
    return e;
}

}  // namespace

TEInvSetup::TEInvSetup(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("EInvSetup"));
    setWindowTitle(QStringLiteral("E-Invoice Setup"));
    Edit1 = lineEdit(this, "Edit1", 59);
    Edit2 = lineEdit(this, "Edit2", 59);
    Edit3 = lineEdit(this, "Edit3", 59);
    Edit4 = lineEdit(this, "Edit4", 40);
    Edit5 = lineEdit(this, "Edit5", 10);
    Edit6 = lineEdit(this, "Edit6", 2);
    Edit7 = lineEdit(this, "Edit7", 30);
    Edit8 = lineEdit(this, "Edit8", 30);
    Edit9 = lineEdit(this, "Edit9", 3);
    Edit10 = lineEdit(this, "Edit10", 34);
    Edit11 = lineEdit(this, "Edit11", 11);
    Edit12 = lineEdit(this, "Edit12", 3);
    Edit12->setValidator(new QIntValidator(0, 999, Edit12));
    Edit13 = lineEdit(this, "Edit13", 60);
    BtnSave = new QPushButton(QStringLiteral("Save"), this);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnHelp = new QPushButton(QStringLiteral("Help"), this);
    BtnHelp->setObjectName(QStringLiteral("BtnHelp"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Legal Name:"), Edit1);
    form->addRow(QStringLiteral("Street:"), Edit2);
    form->addRow(QString(), Edit3);
    form->addRow(QStringLiteral("City:"), Edit4);
    form->addRow(QStringLiteral("Postcode:"), Edit5);
    form->addRow(QStringLiteral("Country Code:"), Edit6);
    form->addRow(QStringLiteral("Tax Registration No:"), Edit7);
    form->addRow(QStringLiteral("Company Registration No:"), Edit8);
    form->addRow(QStringLiteral("Currency Code:"), Edit9);
    form->addRow(QStringLiteral("IBAN / Account:"), Edit10);
    form->addRow(QStringLiteral("BIC:"), Edit11);
    form->addRow(QStringLiteral("Payment Terms (Days):"), Edit12);
    form->addRow(QStringLiteral("E-mail:"), Edit13);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnCancel);
    buttons->addWidget(BtnHelp);
    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addLayout(buttons);

    QWidget* order[] = {Edit1, Edit2, Edit3,  Edit4,  Edit5,   Edit6,     Edit7,  Edit8,
                        Edit9, Edit10, Edit11, Edit12, Edit13, BtnSave, BtnCancel, BtnHelp};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    connect(BtnSave, &QPushButton::clicked, this, &TEInvSetup::BtnSaveClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TEInvSetup::BtnCancelClick);
    connect(BtnHelp, &QPushButton::clicked, this, [] { ui::ShowHelp(kHelpContext); });
    setHelpContext(kHelpContext);
}

void TEInvSetup::FormShow() {
    store::PartyBuffer p;
    if (!store::ReadPartyRecord(store::kSellerParty, &p)) base::ShowMessage(kCannotOpen);
    if (p.Currency.isEmpty()) p.Currency = store::LocaleCurrency();
    const std::pair<QLineEdit*, QString> fields[] = {
        {Edit1, p.Name},     {Edit2, p.Street},   {Edit3, p.Street2}, {Edit4, p.City},
        {Edit5, p.Zip},      {Edit6, p.Country},  {Edit7, p.TaxId},   {Edit8, p.LegalId},
        {Edit9, p.Currency}, {Edit10, p.Iban},    {Edit11, p.Bic},    {Edit12, p.DueDays > 0 ? QString::number(p.DueDays) : QString()},
        {Edit13, p.Email}};
    for (const auto& [edit, text] : fields) edit->setText(text);
    Edit1->setFocus();
}

void TEInvSetup::BtnSaveClick() {
    store::PartyBuffer p;
    p.CuNo = store::kSellerParty;
    p.Name = Edit1->text().trimmed();
    p.Street = Edit2->text().trimmed();
    p.Street2 = Edit3->text().trimmed();
    p.City = Edit4->text().trimmed();
    p.Zip = Edit5->text().trimmed();
    p.Country = Edit6->text().trimmed().toUpper();
    p.TaxId = Edit7->text().trimmed();
    p.LegalId = Edit8->text().trimmed();
    p.Currency = Edit9->text().trimmed().toUpper();
    p.Iban = Edit10->text().trimmed();
    p.Bic = Edit11->text().trimmed();
    p.DueDays = Edit12->text().trimmed().toInt();
    p.Email = Edit13->text().trimmed();
    // A code the standard does not know would only be refused when an invoice is sent.
    for (const auto& [ok, message, field] : {std::tuple{store::IsCodeOrEmpty(p.Country, 2), kBadCountry, Edit6},
                                             std::tuple{store::IsCodeOrEmpty(p.Currency, 3), kBadCurrency, Edit9}}) {
        if (ok) continue;
        base::ShowMessage(message);
        field->setFocus();
        return;
    }
    if (const store::WriteResult result = store::StorePartyRecord(p); !result) {
        base::ShowMessage(result.message(QStringLiteral("The e-invoice details")));
        return;
    }
    accept();
}

void TEInvSetup::BtnCancelClick() { reject(); }

}  // namespace records
