#include "labels/LabPrintU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "records/RecordWindowParts.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace labels {
namespace {

// The window's own texts.
const QString kCaption = QStringLiteral("Print Labels");
const QString kStockLabel = QStringLiteral("Label Stock:");
const QString kColumnLabel = QStringLiteral("Starting Column:");
const QString kRowLabel = QStringLiteral("Row:");
const QString kOK = QStringLiteral("OK");
const QString kPreview = QStringLiteral("Preview");
const QString kPdf = QStringLiteral("Save as PDF");
const QString kCancel = QStringLiteral("Cancel");
const QString kWhat = QStringLiteral("The choice of label stock");

constexpr int kMaxRow = 99;

// An empty field, or one below 1, reads 1; above most, most.
int bounded(const ui::MaskEdit* field, int most) {
    return std::clamp(field->text().trimmed().toInt(), 1, std::max(1, most));
}

QScrollBar* upDown(QWidget* parent, const char* name, Qt::Orientation orientation, int most) {
    auto* bar = records::parts::named(new QScrollBar(orientation, parent), name);
    bar->setRange(1, most);
    bar->setPageStep(1);
    return bar;
}

}  // namespace

TLabPrint::TLabPrint(QWidget* parent) : ui::EditWindow(parent) {
    using namespace records::parts;
    setObjectName(QStringLiteral("TLabPrint"));
    setWindowTitle(kCaption);
    setHelpContext(kHelpContext);
    Label1 = label(this, "Label1", kStockLabel);
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    Label2 = label(this, "Label2", kColumnLabel);
    MaskEdit1 = named(new ui::MaskEdit(ui::plainField(1, 0), this), "MaskEdit1");
    UpDown1 = upDown(this, "UpDown1", Qt::Horizontal, 1);
    Label3 = label(this, "Label3", kRowLabel);
    MaskEdit2 = named(new ui::MaskEdit(ui::plainField(2, 0), this), "MaskEdit2");
    UpDown2 = upDown(this, "UpDown2", Qt::Vertical, kMaxRow);
    BtnOK = button(this, "BtnOK", kOK);
    BtnPreview = button(this, "BtnPreview", kPreview);
    BtnPdf = button(this, "BtnPdf", kPdf);
    BtnCancel = button(this, "BtnCancel", kCancel);

    const int letter = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    ComboBox1->setMinimumWidth(letter * 20);
    MaskEdit1->setFixedWidth(letter * 3);
    MaskEdit2->setFixedWidth(letter * 3);
    UpDown1->setFixedSize(letter * 3, MaskEdit1->sizeHint().height());
    UpDown2->setFixedSize(letter * 2, MaskEdit2->sizeHint().height() * 3 / 2);
    UpDown1->setFocusPolicy(Qt::NoFocus);
    UpDown2->setFocusPolicy(Qt::NoFocus);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBox1, 0, 1, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(MaskEdit1, 1, 1);
    grid->addWidget(UpDown1, 1, 2, Qt::AlignLeft);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(MaskEdit2, 2, 1);
    grid->addWidget(UpDown2, 2, 2, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {BtnOK, BtnPreview, BtnPdf, BtnCancel}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    QWidget* const order[] = {ComboBox1, MaskEdit1, MaskEdit2, BtnOK, BtnPreview, BtnPdf, BtnCancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(BtnOK, &QPushButton::clicked, this, &TLabPrint::BtnOKClick);
    connect(BtnPreview, &QPushButton::clicked, this, &TLabPrint::BtnPreviewClick);
    connect(BtnPdf, &QPushButton::clicked, this, &TLabPrint::BtnPdfClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TLabPrint::BtnCancelClick);
    connect(MaskEdit1, &ui::MaskEdit::exited, this, &TLabPrint::MaskEdit1Exit);
    connect(MaskEdit2, &ui::MaskEdit::exited, this, &TLabPrint::MaskEdit2Exit);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TLabPrint::ComboBox1Change);
    connect(UpDown1, &QScrollBar::valueChanged, this, [this](int v) { MaskEdit1->setText(QString::number(v)); });
    connect(UpDown2, &QScrollBar::valueChanged, this, [this](int v) { MaskEdit2->setText(QString::number(v)); });
}

int TLabPrint::across() const { return m_across.value(ComboBox1->currentIndex(), 1); }

void TLabPrint::FormShow() {
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->clear();
    m_records.clear();
    m_across.clear();
    xbase::Table* table = store::LabelsTable;
    int chosen = 0;
    // The stocks in name order; deleted ones wait for the pack and are not offered.
    for (int rc = table ? table->top() : xbase::kEof; rc == xbase::kOk; rc = table->skip(1)) {
        if (table->isDeleted()) continue;
        const QString name = store::ReadField(table, &store::LabelBuffer::Name).trimmed();
        if (name == store::SettingsRec.LabID.trimmed()) chosen = int(m_records.size());
        ComboBox1->addItem(name);
        m_records.append(table->recNo());
        m_across.append(store::ReadField(table, &store::LabelBuffer::NAcross));
    }
    ComboBox1->setCurrentIndex(ComboBox1->count() > 0 ? chosen : -1);
    ComboBox1Change();
    MaskEdit1->setText(QStringLiteral("1"));
    MaskEdit2->setText(QStringLiteral("1"));
    UpDown1->setValue(1);
    UpDown2->setValue(1);
    ComboBox1->setFocus();
}

void TLabPrint::ComboBox1Change() {
    UpDown1->setRange(1, std::max(1, across()));
    MaskEdit1Exit();
}

void TLabPrint::MaskEdit1Exit() {
    const int column = bounded(MaskEdit1, across());
    MaskEdit1->setText(QString::number(column));
    UpDown1->setValue(column);
}

void TLabPrint::MaskEdit2Exit() {
    const int row = bounded(MaskEdit2, kMaxRow);
    MaskEdit2->setText(QString::number(row));
    UpDown2->setValue(row);
}

void TLabPrint::choose(LabelOutput output) {
    const int i = ComboBox1->currentIndex();
    if (i < 0) return reject();
    m_start = {bounded(MaskEdit1, across()), bounded(MaskEdit2, kMaxRow)};
    m_output = output;
    store::LastResult = store::LabelsTable->go(m_records[i]);
    store::LoadLabel();
    if (store::LabelRec.Name.trimmed() != store::SettingsRec.LabID.trimmed()) {
        store::SettingsBuffer next = store::SettingsRec;
        next.LabID = store::LabelRec.Name.trimmed();
        store::ChangeSettings(next, kWhat);  // the labels print all the same; a failure was told
    }
    accept();
}

void TLabPrint::BtnOKClick() { choose(LabelOutput::Printer); }
void TLabPrint::BtnPreviewClick() { choose(LabelOutput::Preview); }
void TLabPrint::BtnPdfClick() { choose(LabelOutput::Pdf); }
void TLabPrint::BtnCancelClick() { reject(); }

}  // namespace labels
