#include "records/CustomerU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "records/CustomerRules.h"
#include "records/PickU.h"
#include "records/RecordWindowParts.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "ui/HelpU.h"

namespace records {
namespace {

// The window's own texts.
const QString kCaption = QStringLiteral("Customer");
const QString kNumberLabel = QStringLiteral("Customer No.");
const QString kNameLabel = QStringLiteral("Name");
const QString kAddress = QStringLiteral("Address");
const QString kCompany = QStringLiteral("Company");
const QString kPostalCode = QStringLiteral("Postal Code");
const QString kPhone = QStringLiteral("Phone");
const QString kFax = QStringLiteral("Fax");
const QString kEmail = QStringLiteral("Email");
const QString kNote = QStringLiteral("Note");
const QString kGroup = QStringLiteral("Group");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const QString kHelp = QStringLiteral("Help");
const QString kSelectGroup = QStringLiteral("Please Select Customer Group");
const QString kAppendFailed = QStringLiteral("Unable to Append record . . Please try again.");
const QString kNumbersUsedUp =
    QStringLiteral("The customer was not saved: customer numbers end at 999999 and the last one has been used.");
const QString kWhat = QStringLiteral("The customer");
// %1 the customer's name.
const QString kDeleteWithInvoice =
    QStringLiteral("Delete %1? 1 invoice names this customer; it will print without an address.");
// %1 the customer's name, %2 how many invoices.
const QString kDeleteWithInvoices =
    QStringLiteral("Delete %1? %2 invoices name this customer; they will print without an address.");
const QString kInvoicesUnreadable =
    QStringLiteral("Unable to read the invoices of this customer. The customer was not deleted.");

// Entry limits of the single-line fields.
struct Limits {
    static constexpr int title = 3, first = 13, last = 20, addr = 34, town = 19, zip = 10, phone = 20, fax = 20,
                         email = 60, note = 34, group = 20;
};

}  // namespace

TCustomer::TCustomer(QWidget* parent) : ui::EditWindow(parent) {
    using namespace parts;
    setObjectName(QStringLiteral("TCustomer"));
    setWindowTitle(kCaption);
    askBeforeDiscarding();

    Label1 = label(this, "Label1", kNumberLabel);
    Label2 = label(this, "Label2", kNameLabel);
    Label3 = label(this, "Label3", kAddress);
    Label4 = label(this, "Label4", kAddress);
    Label5 = label(this, "Label5", kPostalCode);
    Label6 = label(this, "Label6", kPhone);
    Label7 = label(this, "Label7", kFax);
    Label8 = label(this, "Label8", kEmail);
    Label9 = label(this, "Label9", kNote);

    Edit1 = shownOnly(this, "Edit1", 6);
    Edit1->setEnabled(false);
    Edit2 = lineEdit(this, "Edit2", Limits::title);
    Edit3 = lineEdit(this, "Edit3", Limits::first);
    Edit4 = lineEdit(this, "Edit4", Limits::last);
    Edit5 = lineEdit(this, "Edit5", Limits::addr);
    Edit6 = lineEdit(this, "Edit6", Limits::addr);
    Edit7 = lineEdit(this, "Edit7", Limits::addr);
    Edit8 = lineEdit(this, "Edit8", Limits::town);
    Edit9 = lineEdit(this, "Edit9", Limits::zip);
    Edit10 = lineEdit(this, "Edit10", Limits::phone);
    Edit11 = lineEdit(this, "Edit11", Limits::fax);
    Edit12 = lineEdit(this, "Edit12", Limits::email);
    Edit13 = lineEdit(this, "Edit13", Limits::note);
    Edit14 = shownOnly(this, "Edit14", Limits::group);
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setTabChangesFocus(true);

    BtnGroup = button(this, "BtnGroup", kGroup);
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);
    BtnHelp = button(this, "BtnHelp", kHelp);

    const int letter = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    Edit1->setFixedWidth(letter * 5);
    Edit2->setFixedWidth(letter * 3);
    Edit5->setMinimumWidth(letter * 22);

    auto* number = new QHBoxLayout;
    number->addStretch(1);
    number->addWidget(Label1);
    number->addWidget(Edit1);

    auto* name = new QHBoxLayout;
    name->addWidget(Edit2);
    name->addWidget(Edit3, 2);
    name->addWidget(Edit4, 3);

    auto* grid = new QGridLayout;
    grid->addWidget(Label2, 0, 0);
    grid->addLayout(name, 0, 1, 1, 3);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Edit5, 1, 1, 1, 3);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(Edit6, 2, 1, 1, 3);
    grid->addWidget(Edit7, 3, 1, 1, 3);
    grid->addWidget(Edit8, 4, 1);
    grid->addWidget(Label5, 4, 2);
    grid->addWidget(Edit9, 4, 3);
    grid->addWidget(Label6, 5, 0);
    grid->addWidget(Edit10, 5, 1);
    grid->addWidget(Label8, 5, 2);
    grid->addWidget(Edit12, 5, 3);
    grid->addWidget(Label7, 6, 0);
    grid->addWidget(Edit11, 6, 1);
    grid->addWidget(Label9, 6, 2);
    grid->addWidget(Edit13, 6, 3);
    grid->addWidget(BtnGroup, 7, 0);
    grid->addWidget(Edit14, 7, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel, BtnHelp}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(number);
    layout->addLayout(grid);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);

    QWidget* const order[] = {Edit2,  Edit3,  Edit4,  Edit5,    Edit6, Edit7,   Edit8,     Edit9,     Edit10,
                              Edit11, Edit12, Edit13, BtnGroup, Memo1, BtnSave, BtnDelete, BtnCancel, BtnHelp};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    setHelpContext(kHelpContext);

    connect(BtnSave, &QPushButton::clicked, this, &TCustomer::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TCustomer::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TCustomer::BtnCancelClick);
    connect(BtnGroup, &QPushButton::clicked, this, &TCustomer::BtnGroupClick);
    connect(BtnHelp, &QPushButton::clicked, this, &TCustomer::BtnHelpClick);
}

void TCustomer::FormShow() {
    // By company the first address line holds the company name.
    const bool byName = store::SettingsRec.ByCust;
    Label3->setText(byName ? kAddress : kCompany);
    Label4->setVisible(!byName);
    BtnDelete->setEnabled(BeginCustomer());
    showCustomer();
    Edit2->setFocus();
}

void TCustomer::showCustomer() {
    using parts::showText;
    const store::CustBuffer& c = store::CustRec;
    Edit1->setText(base::PadNumber(c.cuno, 6));
    showText(Edit2, c.title.trimmed(), Limits::title);
    showText(Edit3, c.first.trimmed(), Limits::first);
    showText(Edit4, c.last.trimmed(), Limits::last);
    showText(Edit5, c.addr1.trimmed(), Limits::addr);
    showText(Edit6, c.addr2.trimmed(), Limits::addr);
    showText(Edit7, c.addr3.trimmed(), Limits::addr);
    showText(Edit8, c.addr4.trimmed(), Limits::town);
    showText(Edit9, c.zip.trimmed(), Limits::zip);
    showText(Edit10, c.phone.trimmed(), Limits::phone);
    showText(Edit11, c.fax.trimmed(), Limits::fax);
    showText(Edit12, c.email.trimmed(), Limits::email);
    showText(Edit13, c.note.trimmed(), Limits::note);
    Memo1->setPlainText(base::TrimRight(c.comments));
    showText(Edit14, CustomerGroupName().trimmed(), Limits::group);
}

void TCustomer::readControls() {
    store::CustBuffer& c = store::CustRec;
    c.title = Edit2->text();
    c.first = Edit3->text();
    c.last = Edit4->text();
    c.addr1 = Edit5->text();
    c.addr2 = Edit6->text();
    c.addr3 = Edit7->text();
    c.addr4 = Edit8->text();
    c.zip = Edit9->text();
    c.phone = Edit10->text();
    c.fax = Edit11->text();
    c.email = Edit12->text();
    c.note = Edit13->text();
    c.comments = Memo1->toPlainText();
}

void TCustomer::BtnSaveClick() {
    readControls();
    const store::Outcome<CustomerSave> saved = SaveCustomer();
    switch (saved.verdict) {
    case CustomerSave::NoGroup:
        base::ShowMessage(kSelectGroup);
        return;
    case CustomerSave::NoNumber:
        base::ShowMessage(kNumbersUsedUp);
        return;
    case CustomerSave::AppendFailed:
        base::ShowMessage(kAppendFailed);
        return;
    case CustomerSave::WriteFailed:
        parts::written(saved.write, kWhat);
        return;
    case CustomerSave::Saved:
        accept();
        return;
    }
}

void TCustomer::BtnDeleteClick() {
    // The invoices keep the customer's number; without the record they print with an empty "To:".
    const long invoices = CustomerInvoiceCount(store::CustRec.cuno);
    if (invoices < 0) {
        base::ShowMessage(kInvoicesUnreadable);
        return;
    }
    if (invoices > 0) {
        const store::CustBuffer& c = store::CustRec;
        QString name = (c.last.trimmed() + QLatin1Char(' ') + c.first.trimmed()).trimmed();
        if (name.isEmpty()) name = c.addr1.trimmed();
        const QString question =
            invoices == 1 ? kDeleteWithInvoice.arg(name) : kDeleteWithInvoices.arg(name, QString::number(invoices));
        if (!base::ConfirmDestructive(question, base::MsgKind::Confirmation)) return;
    }
    if (parts::written(DeleteCustomer(), kWhat)) accept();
}

void TCustomer::BtnCancelClick() { reject(); }

void TCustomer::BtnGroupClick() {
    if (PickGroup(true)) parts::showText(Edit14, ChooseCustomerGroup(store::CurGroupRec).trimmed(), Limits::group);
}

void TCustomer::BtnHelpClick() { ui::ShowHelp(kHelpContext); }

}  // namespace records
