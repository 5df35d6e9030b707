#include "records/PurDefU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "records/PickU.h"
#include "records/ProductRules.h"
#include "records/RecordWindowParts.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"

namespace records {
namespace {

// The window's own texts.
const QString kCaption = QStringLiteral("Inventory Purchase Definition");
const QString kProduct = QStringLiteral("Product");
const QString kDateLabel = QStringLiteral("Date Acquired");
const QString kQuantityLabel = QStringLiteral("Quantity");
const QString kCostLabel = QStringLiteral("Total Cost");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const QString kProductRequired = QStringLiteral("Product Selection Required.");
const QString kAppendFailed = QStringLiteral("Unable to Append record . . Please try again.");
const QString kWhat = QStringLiteral("The purchase");

constexpr int kIdLimit = 10;

// Quantity: 7 places, "%10.2f"; total cost: 9 places, "%12.2f"; both red while negative.
ui::MaskEditSettings quantityField() { return ui::amountField(7); }
ui::MaskEditSettings costField() { return ui::amountField(9); }

}  // namespace

TPurDef::TPurDef(QWidget* parent) : ui::EditWindow(parent) {
    using namespace parts;
    setObjectName(QStringLiteral("TPurDef"));
    setWindowTitle(kCaption);
    askBeforeDiscarding();

    Label1 = label(this, "Label1", kDateLabel);
    Label2 = label(this, "Label2", kQuantityLabel);
    Label3 = label(this, "Label3", kCostLabel);
    BtnProd = button(this, "BtnProd", kProduct);
    Edit1 = shownOnly(this, "Edit1", kIdLimit);
    DateTimePicker1 = named(new ui::DateEdit(this), "DateTimePicker1");
    MaskEdit2 = named(new ui::MaskEdit(quantityField(), this), "MaskEdit2");
    MaskEdit3 = named(new ui::MaskEdit(costField(), this), "MaskEdit3");
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);

    const int letter = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    Edit1->setFixedWidth(letter * 8);
    MaskEdit2->setFixedWidth(letter * 8);
    MaskEdit3->setFixedWidth(letter * 9);

    auto* grid = new QGridLayout;
    grid->addWidget(BtnProd, 0, 0);
    grid->addWidget(Edit1, 0, 1, Qt::AlignLeft);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(DateTimePicker1, 1, 1, Qt::AlignLeft);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(MaskEdit2, 2, 1, Qt::AlignLeft);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(MaskEdit3, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    QWidget* const order[] = {BtnProd, DateTimePicker1, MaskEdit2, MaskEdit3, BtnSave, BtnDelete, BtnCancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    setHelpContext(kHelpContext);

    connect(BtnProd, &QPushButton::clicked, this, &TPurDef::BtnProdClick);
    connect(BtnSave, &QPushButton::clicked, this, &TPurDef::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TPurDef::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TPurDef::BtnCancelClick);
}

void TPurDef::FormShow() {
    // The separator follows the locale as it is now (the date field follows it itself).
    MaskEdit2->configure(quantityField());
    MaskEdit3->configure(costField());
    m_chosenProduct = 0;
    BtnDelete->setEnabled(BeginPurchase());

    const store::PurBuffer& p = store::PurRec;
    parts::showText(Edit1, p.PURProd.trimmed(), kIdLimit);
    // A purchase stored without a date shows today, as a new one does.
    const QDate date = base::DateFromDay(p.PURDate);
    DateTimePicker1->setDate(date.isValid() ? date : QDate::currentDate());
    MaskEdit2->setValue(p.PURQty);
    MaskEdit3->setValue(p.PURCost);
    BtnProd->setFocus();
}

void TPurDef::BtnProdClick() {
    store::CurProductRec = FirstProductRecord();
    if (!PickProduct(true)) return;
    m_chosenProduct = store::CurProductRec;
    parts::showText(Edit1, ChooseProduct(m_chosenProduct).trimmed(), kIdLimit);
}

void TPurDef::BtnSaveClick() {
    if (!DateTimePicker1->acceptDate()) return;
    // The stored text holds the date inside the program's century window.
    const double day = base::DateWindow(DateTimePicker1->day());
    const PurchaseEntry entry{Edit1->text(), day, MaskEdit2->value(), MaskEdit3->value()};
    const auto saved = SavePurchase(entry, m_chosenProduct);
    switch (saved.verdict) {
    case PurchaseSave::NoProduct:
        base::ShowMessage(kProductRequired);
        return;
    case PurchaseSave::AppendFailed:
        base::ShowMessage(kAppendFailed);
        return;
    case PurchaseSave::WriteFailed:
        parts::written(saved.write, kWhat);
        return;
    case PurchaseSave::ProductNotMarked:
        // The purchase is stored; only the product's stock mark is missing.
        parts::written(saved.write, QStringLiteral("The product's stock mark"));
        accept();
        return;
    case PurchaseSave::Saved:
        accept();
        return;
    }
}

void TPurDef::BtnDeleteClick() {
    if (parts::written(DeletePurchase(), kWhat)) accept();
}

void TPurDef::BtnCancelClick() { reject(); }

}  // namespace records
