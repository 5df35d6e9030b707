#include "invoicing/ItemDefU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Format.h"
#include "base/Money.h"
#include "invoicing/InvoiceControls.h"
#include "invoicing/InvoiceRows.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/WorkingSet.h"

namespace invoicing {

int ItemAction = kActionCancel;

namespace {

const QString kCaption = QStringLiteral("Invoice Line Item");
const QString kProduct = QStringLiteral("Product");
const QString kDescription = QStringLiteral("Description");
const QString kUnitPrice = QStringLiteral("Unit Price");
const QString kQuantity = QStringLiteral("Quantity");
const QString kTotal = QStringLiteral("Total");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const char* const kPriceFormat = "%8.2f";
const char* const kQuantityFormat = "%9.2f";
const char* const kTotalFormat = "%10.2f";

}  // namespace

TItemDef::TItemDef(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("ItemDef"));
    setWindowTitle(kCaption);
    Label1 = label(this, "Label1", kProduct);
    Label2 = label(this, "Label2", kDescription);
    Label3 = label(this, "Label3", kUnitPrice);
    Label4 = label(this, "Label4", kQuantity);
    Label5 = label(this, "Label5", kTotal);
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::NoFocus);
    Edit2 = named(new QLineEdit(this), "Edit2");
    Edit3 = named(new QLineEdit(this), "Edit3");
    MaskEdit1 = named(new ui::MaskEdit(this), "MaskEdit1");
    MaskEdit2 = named(new ui::MaskEdit(this), "MaskEdit2");
    MaskEdit3 = named(new ui::MaskEdit(this), "MaskEdit3");
    MaskEdit3->setReadOnly(true);
    CheckBox1 = named(new QCheckBox(this), "CheckBox1");
    CheckBox2 = named(new QCheckBox(this), "CheckBox2");
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1, 1, 3);
    grid->addWidget(Edit3, 2, 1, 1, 3);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(MaskEdit1, 3, 1);
    grid->addWidget(CheckBox1, 3, 2);
    grid->addWidget(Label4, 4, 0);
    grid->addWidget(MaskEdit2, 4, 1);
    grid->addWidget(CheckBox2, 4, 2);
    grid->addWidget(Label5, 5, 0);
    grid->addWidget(MaskEdit3, 5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnDelete);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, MaskEdit1);
    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, MaskEdit3);
    setTabOrder(MaskEdit3, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, BtnSave);
    setTabOrder(BtnSave, BtnDelete);
    setTabOrder(BtnDelete, BtnCancel);

    connect(BtnSave, &QPushButton::clicked, this, &TItemDef::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TItemDef::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TItemDef::BtnCancelClick);
    connect(MaskEdit1, &ui::MaskEdit::exited, this, &TItemDef::MaskEdit1Exit);
    connect(MaskEdit2, &ui::MaskEdit::exited, this, &TItemDef::MaskEdit2Exit);
    setHelpContext(kHelpContext);
    FormCreate();
}

void TItemDef::FormCreate() {
    // The masks are set once: price 5 places, quantity 6, total 7 (shown only, never reformatted).
    MaskEdit1->configure(ui::amountField(5));
    MaskEdit2->configure(ui::amountField(6));
    MaskEdit3->configure(ui::plainField(7));
}

void TItemDef::FormShow() {
    CheckBox1->setText(ui::dataCaption(store::SettingsRec.ShipLine.trimmed()));
    CheckBox2->setText(ui::dataCaption(store::SettingsRec.TaxLine.trimmed()));
    ItemAction = kActionCancel;
    Edit2->setFocus();
}

void TItemDef::showTexts(const QString& code, const QString& description, const QString& comment, bool tax1,
                         bool tax2) {
    Edit1->setText(code);
    showStoredText(Edit2, description);
    showStoredText(Edit3, comment);
    CheckBox1->setChecked(tax1);
    CheckBox2->setChecked(tax2);
}

void TItemDef::showProduct(const store::ProdBuffer& product) {
    showTexts(product.PrID, product.PDesc, product.IComm, product.LTax1, product.LTax2);
    MaskEdit1->setText(base::FormatNumber(kPriceFormat, product.UPrice));
    MaskEdit2->setText(base::FormatNumber(kQuantityFormat, 1));
    MaskEdit3->setText(base::FormatNumber(kTotalFormat, product.UPrice));
    MaskEdit3->colourBySign();
}

void TItemDef::showLine(const store::ItemRow& row) {
    showTexts(row.code, row.description, row.comment, row.tax1, row.tax2);
    MaskEdit1->setText(row.price);
    MaskEdit2->setText(row.quantity);
    MaskEdit3->setText(base::FormatNumber(kTotalFormat, row.total()));
    MaskEdit3->colourBySign();
}

store::ItemRow TItemDef::line() const {
    store::ItemRow row;
    row.code = Edit1->text();
    row.quantity = MaskEdit2->text();
    row.price = MaskEdit1->text();
    row.tax1 = CheckBox1->isChecked();
    row.tax2 = CheckBox2->isChecked();
    row.description = withoutTrailingBlanks(Edit2->text());
    row.comment = withoutTrailingBlanks(Edit3->text());
    return row;
}

void TItemDef::UpdateLineTotal() {
    // The same rounded total the invoice will use for the line, halves away from zero either sign.
    MaskEdit3->setText(base::FormatNumber(kTotalFormat, base::LineTotal(MaskEdit2->value(), MaskEdit1->value())));
    MaskEdit3->colourBySign();
}

void TItemDef::MaskEdit1Exit() { UpdateLineTotal(); }
void TItemDef::MaskEdit2Exit() { UpdateLineTotal(); }

void TItemDef::close(int action) {
    ItemAction = action;
    accept();
}

void TItemDef::BtnSaveClick() { close(kActionSave); }
void TItemDef::BtnDeleteClick() { close(kActionDelete); }
void TItemDef::BtnCancelClick() {
    ItemAction = kActionCancel;
    reject();
}

}  // namespace invoicing
