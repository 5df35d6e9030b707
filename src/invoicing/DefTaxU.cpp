#include "invoicing/DefTaxU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Format.h"
#include "invoicing/InvoiceControls.h"
#include "store/Settings.h"
#include "ui/HelpU.h"

namespace invoicing {
namespace {

const QString kCaption = QStringLiteral("Tax Definition");
const QString kLineLabel = QStringLiteral("Line Label");
const QString kPercentage = QStringLiteral("Percentage");
const QString kComputed1 = QStringLiteral("Computed 1");
const QString kComputed2 = QStringLiteral("Computed 2");
const QString kShipTaxCaption = QStringLiteral("Tax 2 charged on Tax 1");
const QStringList kShipTaxItems = {QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("When Tax on Items")};
const QString kRoundCaption = QStringLiteral(" Round Computed Tax ");
const QStringList kRoundItems = {QStringLiteral("Normal"), QStringLiteral("Up"), QStringLiteral("Down")};
const QString kGstCaption = QStringLiteral(" GST/VAT Tax is ?  ");
const QString kSave = QStringLiteral("Save");
const QString kCancel = QStringLiteral("Cancel");
const QString kHelp = QStringLiteral("Help");
const char* const kRateFormat = "%5.2f";

}  // namespace

TTaxDef::TTaxDef(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("TaxDef"));
    setWindowTitle(kCaption);
    Label1 = label(this, "Label1", kLineLabel, true);
    Label2 = label(this, "Label2", kPercentage, true);
    Label3 = label(this, "Label3", kComputed1, true);
    Label4 = label(this, "Label4", kComputed2, true);
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit2 = named(new QLineEdit(this), "Edit2");
    MaskEdit1 = named(new ui::MaskEdit(ui::amountField(2), this), "MaskEdit1");
    MaskEdit2 = named(new ui::MaskEdit(ui::amountField(2), this), "MaskEdit2");
    RadioGroup1 = radioGroup("RadioGroup1", kShipTaxCaption, kShipTaxItems);
    RadioGroup2 = radioGroup("RadioGroup2", kRoundCaption, kRoundItems);
    RadioGroup3 = named(new QGroupBox(kGstCaption, this), "RadioGroup3");
    // Their own group: exactly one or neither may be chosen, apart from the groups above.
    RadioButton1 = named(new QRadioButton(kComputed1, RadioGroup3), "RadioButton1");
    RadioButton2 = named(new QRadioButton(kComputed2, RadioGroup3), "RadioButton2");
    auto* gstGroup = new QButtonGroup(RadioGroup3);
    gstGroup->setObjectName(QStringLiteral("buttons"));
    gstGroup->addButton(RadioButton1, 0);
    gstGroup->addButton(RadioButton2, 1);
    auto* gstLayout = new QVBoxLayout(RadioGroup3);
    gstLayout->addWidget(RadioButton1);
    gstLayout->addWidget(RadioButton2);
    BtnSave = button(this, "BtnSave", kSave);
    BtnCancel = button(this, "BtnCancel", kCancel);
    BtnHelp = button(this, "BtnHelp", kHelp);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(MaskEdit1, 1, 2);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(Edit2, 2, 1);
    grid->addWidget(MaskEdit2, 2, 2);
    auto* groups = new QHBoxLayout;
    groups->addWidget(RadioGroup1);
    groups->addWidget(RadioGroup2);
    groups->addWidget(RadioGroup3);
    auto* buttonsRow = new QHBoxLayout;
    buttonsRow->addStretch();
    buttonsRow->addWidget(BtnSave);
    buttonsRow->addWidget(BtnCancel);
    buttonsRow->addWidget(BtnHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(groups);
    layout->addLayout(buttonsRow);

    setTabOrder(Edit1, MaskEdit1);
    setTabOrder(MaskEdit1, Edit2);
    setTabOrder(Edit2, MaskEdit2);
    connect(BtnSave, &QPushButton::clicked, this, &TTaxDef::BtnSaveClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TTaxDef::BtnCancelClick);
    connect(BtnHelp, &QPushButton::clicked, this, &TTaxDef::BtnHelpClick);
    setHelpContext(kHelpContext);
}

QGroupBox* TTaxDef::radioGroup(const char* name, const QString& caption, const QStringList& items) {
    auto* box = named(new QGroupBox(caption, this), name);
    auto* group = new QButtonGroup(box);
    group->setObjectName(QStringLiteral("buttons"));
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        button->setObjectName(QStringLiteral("%1Item%2").arg(QLatin1String(name)).arg(i));
        group->addButton(button, i);
        layout->addWidget(button);
    }
    return box;
}

QButtonGroup* TTaxDef::buttons(const QGroupBox* group) const {
    return group->findChild<QButtonGroup*>(QStringLiteral("buttons"), Qt::FindDirectChildrenOnly);
}

int TTaxDef::itemIndex(const QGroupBox* group) const { return buttons(group)->checkedId(); }

void TTaxDef::setItemIndex(QGroupBox* group, int index) {
    QButtonGroup* g = buttons(group);
    // An exclusive group cannot uncheck its last button: lift the rule while clearing.
    g->setExclusive(false);
    for (QAbstractButton* b : g->buttons()) b->setChecked(false);
    g->setExclusive(true);
    if (QAbstractButton* b = g->button(index)) b->setChecked(true);
}

void TTaxDef::FormShow() {
    const store::SettingsBuffer& s = store::SettingsRec;
    // The mask follows the separator of the moment.
    MaskEdit1->configure(ui::amountField(2));
    MaskEdit2->configure(ui::amountField(2));
    Edit1->setText(s.ShipLine.trimmed());
    Edit2->setText(s.TaxLine.trimmed());
    MaskEdit1->setText(base::FormatNumber(kRateFormat, s.TaxRate1));
    MaskEdit2->setText(base::FormatNumber(kRateFormat, s.TaxRate2));
    setItemIndex(RadioGroup1, s.ShipTax - 1);
    setItemIndex(RadioGroup2, s.TaxRound - 1);
    setItemIndex(RadioGroup3, s.GSTField - 1);
    Edit1->setFocus();
}

void TTaxDef::BtnSaveClick() {
    store::SettingsBuffer s = store::SettingsRec;
    s.ShipLine = Edit1->text().trimmed();
    s.TaxLine = Edit2->text().trimmed();
    s.TaxRate1 = MaskEdit1->value();
    s.TaxRate2 = MaskEdit2->value();
    s.ShipTax = itemIndex(RadioGroup1) + 1;
    s.TaxRound = itemIndex(RadioGroup2) + 1;
    s.GSTField = itemIndex(RadioGroup3) + 1;
    if (store::ChangeSettings(s, QStringLiteral("The tax settings"))) accept();
}

void TTaxDef::BtnCancelClick() { reject(); }

void TTaxDef::BtnHelpClick() { ui::ShowHelp(kHelpContext); }

}  // namespace invoicing
