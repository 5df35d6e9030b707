#include "records/ProdDefU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "records/ProductRules.h"
#include "records/RecordWindowParts.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "ui/HelpU.h"

namespace records {
namespace {

// The window's own texts.
const QString kCaption = QStringLiteral("Product Definition");
const QString kIdLabel = QStringLiteral("Product ID");
const QString kDescriptionLabel = QStringLiteral("Description");
const QString kPriceLabel = QStringLiteral("Unit Price");
const QString kReorderLabel = QStringLiteral("Reorder Level:");
const QString kTextLabel = QStringLiteral("Product Text (Printed at the Bottom of Invoices)");
const QString kInventory = QStringLiteral("Inventory Item");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const QString kHelp = QStringLiteral("Help");
const QString kBlankId = QStringLiteral("Blank Product ID not allowed");
const QString kDuplicate = QStringLiteral("Duplicate Product ID's are not allowed");
const QString kAppendFailed = QStringLiteral("Unable to Append record . . Please try again.");
const QString kWhat = QStringLiteral("The product");

constexpr int kIdLimit = 10, kDescriptionLimit = 27, kCodeLimit = 10;

// Unit price: 5 places, "%8.2f"; reorder level: 6 places, "%9.2f"; both red while negative.
ui::MaskEditSettings priceField() { return ui::amountField(5); }
ui::MaskEditSettings reorderField() { return ui::amountField(6); }

}  // namespace

TProdDef::TProdDef(QWidget* parent) : ui::EditWindow(parent) {
    using namespace parts;
    setObjectName(QStringLiteral("TProdDef"));
    setWindowTitle(kCaption);
    askBeforeDiscarding();

    Label1 = label(this, "Label1", kIdLabel);
    Label2 = label(this, "Label2", kDescriptionLabel);
    Label3 = label(this, "Label3", kPriceLabel);
    Label4 = label(this, "Label4", kReorderLabel);
    Label5 = label(this, "Label5", kTextLabel);
    Edit1 = lineEdit(this, "Edit1", kIdLimit);
    Edit2 = lineEdit(this, "Edit2", kDescriptionLimit);
    Edit3 = lineEdit(this, "Edit3", kDescriptionLimit);
    Edit4 = lineEdit(this, "Edit4", kCodeLimit);
    MaskEdit1 = named(new ui::MaskEdit(priceField(), this), "MaskEdit1");
    MaskEdit2 = named(new ui::MaskEdit(reorderField(), this), "MaskEdit2");
    CheckBox1 = named(new QCheckBox(this), "CheckBox1");
    CheckBox2 = named(new QCheckBox(this), "CheckBox2");
    CheckBox3 = named(new QCheckBox(kInventory, this), "CheckBox3");
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setTabChangesFocus(true);
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);
    BtnHelp = button(this, "BtnHelp", kHelp);

    const int letter = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    Edit1->setFixedWidth(letter * 8);
    Edit4->setFixedWidth(letter * 8);
    MaskEdit1->setFixedWidth(letter * 7);
    MaskEdit2->setFixedWidth(letter * 7);
    Edit2->setMinimumWidth(letter * 18);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, Qt::AlignLeft);
    grid->addWidget(Label3, 0, 2);
    grid->addWidget(MaskEdit1, 0, 3, Qt::AlignLeft);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(CheckBox1, 1, 2, 1, 2);
    grid->addWidget(Edit3, 2, 1);
    grid->addWidget(CheckBox2, 2, 2, 1, 2);
    grid->addWidget(Edit4, 3, 1, Qt::AlignLeft);
    grid->addWidget(CheckBox3, 3, 2, 1, 2);
    grid->addWidget(Label4, 4, 2);
    grid->addWidget(MaskEdit2, 4, 3, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel, BtnHelp}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Label5);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);

    QWidget* const order[] = {Edit1, Edit2,     MaskEdit1, Edit3, CheckBox1, CheckBox2, Edit4,
                              CheckBox3, MaskEdit2, Memo1, BtnSave, BtnDelete, BtnCancel, BtnHelp};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    setHelpContext(kHelpContext);

    connect(BtnSave, &QPushButton::clicked, this, &TProdDef::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TProdDef::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TProdDef::BtnCancelClick);
    connect(BtnHelp, &QPushButton::clicked, this, &TProdDef::BtnHelpClick);
}

void TProdDef::FormShow() {
    // The separator follows the locale as it is now.
    MaskEdit1->configure(priceField());
    MaskEdit2->configure(reorderField());
    BtnDelete->setEnabled(BeginProduct());
    CheckBox1->setText(ui::dataCaption(store::SettingsRec.ShipLine.trimmed()));
    CheckBox2->setText(ui::dataCaption(store::SettingsRec.TaxLine.trimmed()));

    using parts::showText;
    const store::ProdBuffer& p = store::ProdRec;
    showText(Edit1, p.PrID.trimmed(), kIdLimit);
    showText(Edit2, p.PDesc.trimmed(), kDescriptionLimit);
    showText(Edit3, p.IComm.trimmed(), kDescriptionLimit);
    showText(Edit4, p.RCode.trimmed(), kCodeLimit);
    MaskEdit1->setValue(p.UPrice);
    MaskEdit2->setValue(p.REORDER);
    CheckBox1->setChecked(p.LTax1);
    CheckBox2->setChecked(p.LTax2);
    CheckBox3->setChecked(p.lInven);
    Memo1->setPlainText(p.PMemo.trimmed());
    Edit1->setFocus();
}

void TProdDef::BtnSaveClick() {
    ProductEntry entry;
    entry.id = Edit1->text();
    entry.description = Edit2->text();
    entry.secondLine = Edit3->text();
    entry.code = Edit4->text();
    entry.text = Memo1->toPlainText();
    entry.price = MaskEdit1->value();
    entry.reorder = MaskEdit2->value();
    entry.tax1 = CheckBox1->isChecked();
    entry.tax2 = CheckBox2->isChecked();
    entry.inventory = CheckBox3->isChecked();
    const auto saved = SaveProduct(entry);
    switch (saved.verdict) {
    case ProductSave::BlankId:
        base::ShowMessage(kBlankId);
        return;
    case ProductSave::Duplicate:
        base::ShowMessage(kDuplicate);
        return;
    case ProductSave::AppendFailed:
        base::ShowMessage(kAppendFailed);
        return;
    case ProductSave::WriteFailed:
        parts::written(saved.write, kWhat);
        return;
    case ProductSave::Saved:
        accept();
        return;
    }
}

void TProdDef::BtnDeleteClick() {
    if (parts::written(DeleteProduct(), kWhat)) accept();
}

void TProdDef::BtnCancelClick() { reject(); }

void TProdDef::BtnHelpClick() { ui::ShowHelp(kHelpContext); }

}  // namespace records
