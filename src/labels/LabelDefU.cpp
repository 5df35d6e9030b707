#include "labels/LabelDefU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "base/ReportOutput.h"
#include "labels/LabelGen.h"
#include "labels/LabelStock.h"
#include "records/RecordWindowParts.h"
#include "store/RecordBuffers.h"

namespace labels {
namespace {

// The window's own texts.
const QString kCaption = QStringLiteral("Label Definition");
const QString kNameLabel = QStringLiteral("Label Name");
const char* const kMeasureLabels[] = {"Top Margin", "Left Margin",    "Bottom Margin", "Right Margin",
                                      "Width",      "Height",         "Horizontal Gap", "Vertical Gap"};
const QString kAcrossLabel = QStringLiteral("No. Labels Across");
const QString kContinuous = QStringLiteral("Continuous Pin Feed");
const QString kPoints = QStringLiteral(
    "Label Dimensions are defined in printer points where each printer point is 1/72 of an inch.");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const QString kBlankName = QStringLiteral("Please fill in label name.");
const QString kAppendFailed = QStringLiteral("Unable to Append record . . Please try again.");
const QString kStoredUnusable = QStringLiteral("The stock is saved, but labels cannot be printed on it until this is corrected.");
const QString kConfirmDelete = QStringLiteral("Delete the label stock \"%1\"?");
const QString kWhat = QStringLiteral("The label stock");

constexpr int kNameLimit = 40;

// Four places, the separator and three decimals, shown as "%8.3f".
ui::MaskEditSettings measureField() { return ui::amountField(4, 3, ui::NegativeColour::None); }
ui::MaskEditSettings acrossField() { return ui::plainField(1, 0); }

}  // namespace

TLabelDef::TLabelDef(QWidget* parent) : ui::EditWindow(parent) {
    using namespace records::parts;
    setObjectName(QStringLiteral("TLabelDef"));
    setWindowTitle(kCaption);
    askBeforeDiscarding();

    Label1 = label(this, "Label1", kNameLabel);
    Edit1 = lineEdit(this, "Edit1", kNameLimit);
    ui::MaskEdit** measures[] = {&MaskEdit1, &MaskEdit2, &MaskEdit3, &MaskEdit4,
                                 &MaskEdit5, &MaskEdit6, &MaskEdit7, &MaskEdit8};
    for (int i = 0; i < 8; ++i)
        *measures[i] = named(new ui::MaskEdit(measureField(), this), QStringLiteral("MaskEdit%1").arg(i + 1).toLatin1().constData());
    MaskEdit9 = named(new ui::MaskEdit(acrossField(), this), "MaskEdit9");
    CheckBox1 = named(new QCheckBox(kContinuous, this), "CheckBox1");
    Label11 = label(this, "Label11", kPoints);
    Label11->setWordWrap(true);
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);

    const int letter = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    Edit1->setMinimumWidth(letter * 20);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 3);
    // Margins in the first pair of columns, the label's size and gaps in the second.
    for (int i = 0; i < 8; ++i) {
        measure(i)->setFixedWidth(letter * 7);
        const int row = 1 + i % 4, column = i < 4 ? 0 : 2;
        grid->addWidget(label(this, QStringLiteral("Label%1").arg(i + 2).toLatin1().constData(), QLatin1String(kMeasureLabels[i])),
                        row, column);
        grid->addWidget(measure(i), row, column + 1, Qt::AlignLeft);
    }
    MaskEdit9->setFixedWidth(letter * 3);
    grid->addWidget(label(this, "Label10", kAcrossLabel), 5, 0);
    grid->addWidget(MaskEdit9, 5, 1, Qt::AlignLeft);
    grid->addWidget(CheckBox1, 5, 2, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Label11);
    layout->addLayout(buttons);

    QWidget* const order[] = {Edit1,     MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5, MaskEdit6, MaskEdit7,
                              MaskEdit8, MaskEdit9, CheckBox1, BtnSave,   BtnDelete, BtnCancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    setHelpContext(kHelpContext);

    connect(BtnSave, &QPushButton::clicked, this, &TLabelDef::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TLabelDef::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TLabelDef::BtnCancelClick);
}

ui::MaskEdit* TLabelDef::measure(int i) const {
    ui::MaskEdit* const measures[] = {MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4,
                                      MaskEdit5, MaskEdit6, MaskEdit7, MaskEdit8};
    return measures[i];
}

void TLabelDef::FormShow() {
    // The separator follows the locale as it is now.
    for (int i = 0; i < 8; ++i) measure(i)->configure(measureField());
    MaskEdit9->configure(acrossField());
    BtnDelete->setEnabled(BeginLabel());
    const store::LabelBuffer& l = store::LabelRec;
    records::parts::showText(Edit1, l.Name.trimmed(), kNameLimit);
    const base::Decimal* values[] = {&l.TopM, &l.LeftM, &l.BottomM, &l.RightM, &l.Width, &l.Height, &l.HGap, &l.VGap};
    for (int i = 0; i < 8; ++i) measure(i)->setValue(*values[i]);
    MaskEdit9->setText(QString::number(l.NAcross));
    CheckBox1->setChecked(l.Continuous);
    Edit1->setFocus();
}

void TLabelDef::BtnSaveClick() {
    LabelEntry e;
    e.name = Edit1->text();
    base::Decimal* values[] = {&e.top, &e.left, &e.bottom, &e.right, &e.width, &e.height, &e.hGap, &e.vGap};
    for (int i = 0; i < 8; ++i) *values[i] = measure(i)->value();
    e.across = MaskEdit9->text().trimmed().toInt();  // blank or a lone sign: 0
    e.continuous = CheckBox1->isChecked();
    const auto saved = SaveLabel(e);
    switch (saved.verdict) {
    case LabelSave::BlankName:
        base::ShowMessage(kBlankName);
        return;
    case LabelSave::AppendFailed:
        base::ShowMessage(kAppendFailed);
        return;
    case LabelSave::WriteFailed:
        records::parts::written(saved.write, kWhat);
        return;
    case LabelSave::Saved:
        if (const QString problem = StockProblem(store::LabelRec, base::ReportFont); !problem.isEmpty())
            base::dialogs().message(base::MsgKind::Warning, problem + QLatin1Char('\n') + kStoredUnusable,
                                    base::MsgButtons::Ok);
        accept();
        return;
    }
}

void TLabelDef::BtnDeleteClick() {
    if (!base::ConfirmDestructive(kConfirmDelete.arg(store::LabelRec.Name.trimmed()))) return;
    if (records::parts::written(DeleteLabel(), kWhat)) accept();
}

void TLabelDef::BtnCancelClick() { reject(); }

}  // namespace labels
