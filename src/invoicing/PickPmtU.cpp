#include "invoicing/PickPmtU.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "invoicing/InvoiceControls.h"
#include "invoicing/InvoiceRows.h"
#include "invoicing/ItemDefU.h"
#include "invoicing/PmtDefU.h"
#include "store/WorkingSet.h"
#include "ui/Forms.h"
#include "ui/GridColumns.h"

namespace invoicing {
namespace {

const QString kCaption = QStringLiteral("Select Payment");
const QStringList kHeadings = {QStringLiteral("Date"), QStringLiteral("Amount")};
const QString kSelect = QStringLiteral("Select");
const QString kCancel = QStringLiteral("Cancel");
// More payments than this need the grid's scroll bar.
constexpr int kVisiblePayments = 11;
constexpr int kScrollBarRoom = 16;

}  // namespace

TPickPmt::TPickPmt(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("PickPmt"));
    setWindowTitle(kCaption);
    StringGrid1 = named(new QTableWidget(0, 2, this), "StringGrid1");
    StringGrid1->setHorizontalHeaderLabels(kHeadings);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    BtnSelect = button(this, "BtnSelect", kSelect);
    BtnCancel = button(this, "BtnCancel", kCancel);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnSelect);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    layout->addLayout(buttons);

    connect(BtnSelect, &QPushButton::clicked, this, &TPickPmt::BtnSelectClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TPickPmt::BtnCancelClick);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TPickPmt::StringGrid1DblClick);
}

void TPickPmt::FormShow() {
    const int w = QFontMetrics(font()).horizontalAdvance(QLatin1Char('M'));
    StringGrid1->setColumnWidth(0, 7 * w);
    StringGrid1->setColumnWidth(1, 10 * w);
    StringGrid1->clearContents();
    StringGrid1->setRowCount(store::LastPmtRow() + 1);
    for (int r = 0; r <= store::LastPmtRow(); ++r) {
        StringGrid1->setItem(r, 0, new QTableWidgetItem(store::PaymentRows[r].date));
        StringGrid1->setItem(r, 1, new QTableWidgetItem(store::PaymentRows[r].amount));
    }
    // Dates and amounts show whole, in whatever format and font.
    for (int c = 0; c < 2; ++c) ui::fitColumnToContent(StringGrid1, c);
    int width = ui::shownColumnsWidth(StringGrid1) + 1 + 2 * StringGrid1->frameWidth();
    if (store::LastPmtRow() + 1 > kVisiblePayments) width += kScrollBarRoom;
    StringGrid1->setFixedWidth(width);
    if (store::LastPmtRow() >= 0) StringGrid1->selectRow(0);
    StringGrid1->setFocus();
}

void TPickPmt::EditPayment() {
    const int index = StringGrid1->currentRow();
    // Only a row that holds a payment: anything else leaves the list open.
    if (index < 0 || index > store::LastPmtRow()) return;
    TPmtDef* window = ui::Form<TPmtDef>();
    if (!window) return;
    window->showPayment(store::PaymentRows[index]);
    base::dialogs().showModal(window);
    if (PmtAction == kActionSave)
        ReplacePaymentRow(index, window->payment());
    else if (PmtAction == kActionDelete)
        RemovePaymentRow(index);
    accept();
}

void TPickPmt::BtnSelectClick() { EditPayment(); }
void TPickPmt::StringGrid1DblClick() { EditPayment(); }
void TPickPmt::BtnCancelClick() { reject(); }

}  // namespace invoicing
