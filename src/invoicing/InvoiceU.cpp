#include "invoicing/InvoiceU.h"

#include <QApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "invoicing/InvoiceControls.h"
#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceEntry.h"
#include "invoicing/InvoiceRows.h"
#include "invoicing/InvoiceStore.h"
#include "invoicing/ItemDefU.h"
#include "invoicing/OrderExport.h"
#include "invoicing/OrderImport.h"
#include "invoicing/PickPmtU.h"
#include "invoicing/PmtDefU.h"
#include "records/CustomerU.h"
#include "records/PickU.h"
#include "reports/ReportCommands.h"
#include "store/DataLocation.h"
#include "store/ImportDirs.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/UserPreferences.h"
#include "store/WorkingSet.h"
#include "ui/Forms.h"
#include "ui/HelpU.h"

namespace invoicing {

namespace {

const QString kCaption = QStringLiteral("Tax Invoice");
const QString kCustomer = QStringLiteral("Customer");
const QString kEdit = QStringLiteral("Edit");
const QString kNote = QStringLiteral("Note");
const QString kDateSold = QStringLiteral("Date Sold");
const QString kDepartment = QStringLiteral("Department");
const QString kCardCheck = QStringLiteral("Credit Card / Check:");
const QString kLineItems = QStringLiteral("Line Items");
const QString kAddItem = QStringLiteral("Add Item");
const QString kEditItem = QStringLiteral("Edit Item");
const QString kPayments = QStringLiteral("Payments");
const QString kAddPayment = QStringLiteral("Add Paym't");
const QString kEditPayment = QStringLiteral("Edit Paym't");
const QString kSubtotal = QStringLiteral("Subtotal:");
const QString kTotal = QStringLiteral("Total:");
const QString kPaymentsCaption = QStringLiteral("Payments:");
const QString kAmountDue = QStringLiteral("Amount Due:");
const QString kSave = QStringLiteral("Save");
const QString kPrint = QStringLiteral("Print");
const QString kEmail = QStringLiteral("Email");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const QString kImport = QStringLiteral("IMPORT");
const QString kExport = QStringLiteral("Export");
const QString kExportHint = QStringLiteral("Export Credit Card Info to Batchin.Dat");
const QString kBatchLabel = QStringLiteral("Batch Label");
const QStringList kGridHeadings = {QStringLiteral("Product ID"), QStringLiteral("Description"), QStringLiteral("Price"),
                                   QStringLiteral("Quantity"), QStringLiteral("Total")};
const QString kCustomerNotSelected = QStringLiteral("Customer not selected");
const QString kCustomerRequired = QStringLiteral("Customer selection required before saving.");
const QString kAddAnother = QStringLiteral("Add another invoice?");
const QString kConfirmDelete = QStringLiteral("Are you sure you want to delete this invoice?");
const QString kPrintNeedsCustomer = QStringLiteral("Customer must be selected to print");
const QString kEmailNeedsCustomer = QStringLiteral("Customer must be selected to email");
const QString kDirectoriesFirst = QStringLiteral(
    "Directories containing Info and Order files must be selected proir to using the Import function. See "
    "Preferences/Import Dir's");
const QString kOpenCaption = QStringLiteral("Open");
const QString kNotFound = QStringLiteral(" Not Found");
const QString kMultipleMatches = QStringLiteral("Multiple Matches on Name / Zip");
const QString kNewCustomer = QStringLiteral("The new customer");
const QString kAppendRecord = QStringLiteral("APPEND RECORD TO FILE? ");
const QString kAppendAddress = QStringLiteral("APPEND ADDRESS TO FILE? ");
const QString kUnableToSave = QStringLiteral("Unable to save to: ");
const QString kBadCard = QStringLiteral("Improperly Formatted Credit Card Information");
const QString kBatchNeedsCustomer = QStringLiteral("Customer Not Selected");

constexpr int kGridColumns = 5;
constexpr int kGridColumnWidths[kGridColumns] = {80, 216, 64, 72, 80};
constexpr double kDesignCharWidth = 5.0;
constexpr int kGridLines = 8;  // grid rows below the heading when the window is shown, all in view
constexpr int kNoteLength = 30;

// The hourglass for the length of a scope.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QString amount(const base::Decimal& value) { return base::FormatNumber(kAmountFormat, value); }

// What the grid's first columns show of a line; the last shows its total and tax letters.
QStringList gridTexts(const store::ItemRow& row) {
    return {row.code, row.description, row.price, row.quantity};
}

QFrame* headingPanel(QWidget* parent, const char* name, QLabel* heading) {
    auto* panel = named(new QFrame(parent), name);
    panel->setStyleSheet(QStringLiteral("QFrame#%1 { background: #ffff80; border: 1px solid #b0a000; "
                                        "border-radius: 8px; }")
                             .arg(QLatin1String(name)));
    heading->setAlignment(Qt::AlignCenter);
    return panel;
}

}  // namespace

TInvoice::TInvoice(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("Invoice"));
    setWindowTitle(kCaption);
    buildControls();
    // Sized once, here: sized at the first showing, the window grew after it had appeared.
    sizeGrid();
    buildLayout();
    askBeforeDiscarding();
    setHelpContext(kHelpContext);
}

void TInvoice::buildControls() {
    BtnCust = button(this, "BtnCust", kCustomer);
    BtnCustEdit = button(this, "BtnCustEdit", kEdit);
    Edit1 = named(new QLineEdit(this), "Edit1");
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::NoFocus);
    Edit1->setAlignment(Qt::AlignRight);
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Edit4 = named(new QLineEdit(this), "Edit4");
    DateTimePicker1 = named(new ui::DateEdit(this), "DateTimePicker1");
    Edit2 = named(new QLineEdit(this), "Edit2");
    Edit3 = named(new QLineEdit(this), "Edit3");
    Edit3->setMaxLength(kNoteLength);
    StringGrid1 = named(new QTableWidget(kGridLines, kGridColumns, this), "StringGrid1");
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setWordWrap(false);
    Label11 = label(this, "Label11", kLineItems, true);
    Label12 = label(this, "Label12", kPayments, true);
    Panel1 = headingPanel(this, "Panel1", Label11);
    Panel2 = headingPanel(this, "Panel2", Label12);
    BAddItm = button(Panel1, "BAddItm", kAddItem);
    BEditItm = button(Panel1, "BEditItm", kEditItem);
    BAddPmt = button(Panel2, "BAddPmt", kAddPayment);
    BEditPmt = button(Panel2, "BEditPmt", kEditPayment);
    for (ui::MaskEdit** field : {&MaskEdit2, &MaskEdit3, &MaskEdit4, &MaskEdit5, &MaskEdit6, &MaskEdit7})
        *field = new ui::MaskEdit(this);
    const char* fieldNames[] = {"MaskEdit2", "MaskEdit3", "MaskEdit4", "MaskEdit5", "MaskEdit6", "MaskEdit7"};
    int n = 0;
    for (ui::MaskEdit* field : {MaskEdit2, MaskEdit3, MaskEdit4, MaskEdit5, MaskEdit6, MaskEdit7}) {
        named(field, fieldNames[n++]);
        field->setAlignment(Qt::AlignRight);
        if (field == MaskEdit3 || field == MaskEdit4) continue;
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
    }
    Memo2 = named(new QPlainTextEdit(this), "Memo2");
    BtnSave = button(this, "BtnSave", kSave);
    BtnPrint = button(this, "BtnPrint", kPrint);
    Button1 = button(this, "Button1", kEmail);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);
    BtnImport = button(this, "BtnImport", kImport);
    BtnExport = button(this, "BtnExport", kExport);
    BtnExport->setToolTip(kExportHint);
    BtnBatchLab = button(this, "BtnBatchLab", kBatchLabel);
    // The order commands are shown only when the user chose so on the Preferences page (FormShow).
    for (QPushButton* hidden : {BtnImport, BtnExport, BtnBatchLab}) hidden->setVisible(false);
    Label1 = label(this, "Label1", kNote);
    Label2 = label(this, "Label2", kDateSold);
    Label3 = label(this, "Label3", kDepartment);
    Label4 = label(this, "Label4", kCardCheck);
    Label5 = label(this, "Label5", QString());
    Label6 = label(this, "Label6", QString());
    Label7 = label(this, "Label7", kSubtotal);
    Label8 = label(this, "Label8", kTotal);
    Label9 = label(this, "Label9", kPaymentsCaption);
    Label10 = label(this, "Label10", kAmountDue);

    const QList<QWidget*> tabOrder = {BtnCust, Edit4,    DateTimePicker1, Edit2,     Edit3,   StringGrid1,
                                      BAddItm, BEditItm, BAddPmt,         BEditPmt,  MaskEdit3, MaskEdit4,
                                      Memo2,   BtnSave,  BtnPrint,        Button1,   BtnDelete, BtnCancel};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    Memo2->setTabChangesFocus(true);

    connect(BtnCust, &QPushButton::clicked, this, &TInvoice::BtnCustClick);
    connect(BtnCustEdit, &QPushButton::clicked, this, &TInvoice::BtnCustEditClick);
    connect(BAddItm, &QPushButton::clicked, this, &TInvoice::BAddItmClick);
    connect(BEditItm, &QPushButton::clicked, this, &TInvoice::BEditItmClick);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TInvoice::StringGrid1DblClick);
    connect(BAddPmt, &QPushButton::clicked, this, &TInvoice::BAddPmtClick);
    connect(BEditPmt, &QPushButton::clicked, this, &TInvoice::BEditPmtClick);
    connect(MaskEdit3, &ui::MaskEdit::exited, this, &TInvoice::MaskEdit3Exit);
    connect(MaskEdit4, &ui::MaskEdit::exited, this, &TInvoice::MaskEdit4Exit);
    connect(BtnSave, &QPushButton::clicked, this, &TInvoice::BtnSaveClick);
    connect(BtnPrint, &QPushButton::clicked, this, &TInvoice::BtnPrintClick);
    connect(Button1, &QPushButton::clicked, this, &TInvoice::Button1Click);
    connect(BtnDelete, &QPushButton::clicked, this, &TInvoice::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TInvoice::BtnCancelClick);
    connect(BtnImport, &QPushButton::clicked, this, &TInvoice::BtnImportClick);
    connect(BtnExport, &QPushButton::clicked, this, &TInvoice::BtnExportClick);
    connect(BtnBatchLab, &QPushButton::clicked, this, &TInvoice::BtnBatchLabClick);
    for (QWidget* field : {static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3), static_cast<QWidget*>(Edit4),
                           static_cast<QWidget*>(Memo2)})
        field->installEventFilter(this);
}

void TInvoice::buildLayout() {
    auto* panel1 = new QGridLayout(Panel1);
    panel1->addWidget(Label11, 0, 0, 1, 2);
    panel1->addWidget(BAddItm, 1, 0);
    panel1->addWidget(BEditItm, 1, 1);
    auto* panel2 = new QGridLayout(Panel2);
    panel2->addWidget(Label12, 0, 0, 1, 2);
    panel2->addWidget(BAddPmt, 1, 0);
    panel2->addWidget(BEditPmt, 1, 1);

    auto* header = new QGridLayout;
    header->addWidget(BtnCust, 0, 0);
    header->addWidget(BtnCustEdit, 1, 0, Qt::AlignTop);
    header->addWidget(Memo1, 0, 1, 3, 1);
    header->addWidget(Edit1, 0, 3);
    header->addWidget(Label2, 1, 2);
    header->addWidget(DateTimePicker1, 1, 3);
    header->addWidget(Label3, 2, 2);
    header->addWidget(Edit2, 2, 3);
    header->addWidget(Label4, 3, 2);
    header->addWidget(Edit3, 3, 3);
    header->addWidget(Label1, 3, 0);
    header->addWidget(Edit4, 3, 1);
    Memo1->setFixedHeight(5 * fontMetrics().lineSpacing() + 12);

    auto* totals = new QGridLayout;
    const QList<QPair<QLabel*, ui::MaskEdit*>> rows = {{Label7, MaskEdit2}, {Label5, MaskEdit3}, {Label6, MaskEdit4},
                                                       {Label8, MaskEdit5}, {Label9, MaskEdit6}, {Label10, MaskEdit7}};
    for (int r = 0; r < rows.size(); ++r) {
        totals->addWidget(rows[r].first, r, 0, Qt::AlignRight);
        totals->addWidget(rows[r].second, r, 1);
    }
    auto* side = new QVBoxLayout;
    side->addWidget(Panel1);
    side->addWidget(Panel2);
    side->addStretch();

    auto* middle = new QHBoxLayout;
    middle->addWidget(StringGrid1, 1);
    middle->addLayout(side);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Memo2, 1);
    bottom->addLayout(totals);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnImport, BtnExport, BtnBatchLab}) buttons->addWidget(b);
    buttons->addStretch();
    for (QPushButton* b : {BtnSave, BtnPrint, Button1, BtnDelete, BtnCancel}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    layout->addLayout(buttons);
}

void TInvoice::resetGrid() {
    StringGrid1->setRowCount(kGridLines);
    StringGrid1->clearContents();
    StringGrid1->selectionModel()->clearCurrentIndex();
}

void TInvoice::sizeGrid() {
    StringGrid1->setHorizontalHeaderLabels(kGridHeadings);
    // The widths were made for a font whose average character is 5 pixels wide; a larger font gets
    // proportionally wider columns so that an amount and its tax letters stay on one line.
    const double scale = std::max(1.0, StringGrid1->fontMetrics().averageCharWidth() / kDesignCharWidth);
    int width = 2 * StringGrid1->frameWidth() + StringGrid1->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kGridColumns; ++c) {
        const int columnWidth = int(kGridColumnWidths[c] * scale);
        StringGrid1->setColumnWidth(c, columnWidth);
        width += columnWidth;
    }
    StringGrid1->setMinimumWidth(width);
    // The heading and kGridLines lines in view at the least; the grid takes the height the window gains.
    const int rowHeight = StringGrid1->verticalHeader()->defaultSectionSize();
    StringGrid1->setMinimumHeight(StringGrid1->horizontalHeader()->sizeHint().height() + kGridLines * rowHeight +
                                  2 * StringGrid1->frameWidth());
    StringGrid1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TInvoice::FormShow() {
    BusyCursor busy;
    MaskEdit3->configure(ui::amountField(7));
    MaskEdit4->configure(ui::amountField(7));
    for (ui::MaskEdit* shown : {MaskEdit2, MaskEdit5, MaskEdit6, MaskEdit7}) shown->configure(ui::plainField(7));
    Label5->setText(store::SettingsRec.ShipLine.trimmed() + QLatin1Char(':'));
    Label6->setText(store::SettingsRec.TaxLine.trimmed() + QLatin1Char(':'));
    for (QPushButton* order : {BtnImport, BtnExport, BtnBatchLab}) order->setVisible(store::OrderCommandsShown());
    resetGrid();
    OpenInvoice();
    ShowInvoice();
    ShowCustomer();
    // An import makes a new invoice: it never replaces a saved one.
    BtnImport->setEnabled(store::CurInvoiceRec <= 0);
    BtnCust->setFocus();
}

QString TInvoice::heldWork() const {
    QStringList held{QString::number(store::InvRec.CuNo)};
    for (const store::ItemRow& row : store::ItemRows) held << row.cells();
    for (const store::PaymentRow& payment : store::PaymentRows) held << payment.cells();
    return held.join(QLatin1Char('\x1f'));
}

// ---- the model on the window --------------------------------------------------------------------------

void TInvoice::ShowInvoice() {
    const store::InvBuffer& inv = store::InvRec;
    Edit1->setText(base::PadNumber(inv.IvNo, 6));
    Edit2->setText(inv.Dept.trimmed());
    Edit3->setText(inv.IMemo.trimmed());
    DateTimePicker1->setDay(inv.IDate);  // empty when the invoice has no date
    Memo2->setPlainText(inv.REM);
    MaskEdit3->setText(amount(inv.Ship));
    MaskEdit4->setText(amount(inv.Tax));
    MaskEdit7->setText(amount(inv.Due));
    StringGrid1->clearContents();
    // The grid grows with the lines and never shrinks while the window is open.
    const int lastRow = store::LastItemRow();
    if (StringGrid1->rowCount() < lastRow + 1) StringGrid1->setRowCount(lastRow + 1);
    for (int r = 0; r <= lastRow; ++r) {
        const store::ItemRow& row = store::ItemRows[r];
        const QStringList texts = gridTexts(row);
        for (int c = 0; c < texts.size(); ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(withoutTrailingBlanks(texts[c])));
        StringGrid1->setItem(r, kGridColumns - 1, new QTableWidgetItem(LineTotalText(row)));
    }
    // Once the invoice has lines the grid always has a current one, so "Edit Item" has a line to edit.
    const int current = StringGrid1->currentRow();
    if (lastRow >= 0 && (current < 0 || current > lastRow)) StringGrid1->setCurrentCell(current < 0 ? 0 : lastRow, 0);
    SumLines();
    MaskEdit2->setText(amount(SubTotal));
    MaskEdit5->setText(amount(InvoiceTotal));
    ShowPayments();
}

void TInvoice::ShowCustomer() {
    Memo1->clear();
    Edit4->clear();
    if (store::InvRec.CuNo == 0) return;
    Memo1->setPlainText(store::AddressBlock.join(QLatin1Char('\n')));
    Edit4->setText(store::CustRec.note.trimmed());
}

void TInvoice::ComputeTaxes(bool recomputeFirst) {
    if (!invoicing::ComputeTaxes(recomputeFirst)) return;
    if (recomputeFirst) MaskEdit3->setText(amount(store::InvRec.Ship));
    MaskEdit4->setText(amount(store::InvRec.Tax));
}

void TInvoice::UpdateTotals() {
    invoicing::UpdateTotals();
    MaskEdit5->setText(amount(InvoiceTotal));
    MaskEdit7->setText(amount(store::InvRec.Due));
}

void TInvoice::ShowPayments() {
    invoicing::ShowPayments();
    MaskEdit6->setText(amount(PaymentsTotal));
    MaskEdit7->setText(amount(store::InvRec.Due));
}

// ---- customer -------------------------------------------------------------------------------------------

void TInvoice::BtnCustClick() {
    PrepareCustomerPick();
    if (!records::PickCustomer(true)) return;
    TakePickedCustomer();
    ShowCustomer();
}

void TInvoice::BtnCustEditClick() {
    if (store::InvRec.CuNo == 0) {
        base::ShowMessage(kCustomerNotSelected);
        return;
    }
    if (!FindInvoiceCustomer()) return;
    ui::ShowForm<records::TCustomer>();
    if (store::CurCustRec <= 0) return;
    ReloadCustomer();
    ShowCustomer();
}

// ---- header fields --------------------------------------------------------------------------------------

void TInvoice::Edit2Exit() { store::InvRec.Dept = Edit2->text().trimmed(); }
void TInvoice::Edit3Exit() { store::InvRec.IMemo = Edit3->text().trimmed(); }
void TInvoice::Edit4Exit() { store::CustRec.note = Edit4->text().trimmed(); }
void TInvoice::Memo2Exit() { store::InvRec.REM = Memo2->toPlainText(); }

void TInvoice::MaskEdit3Exit() {
    store::InvRec.Ship = MaskEdit3->value();
    ComputeTaxes(false);
    UpdateTotals();
}

void TInvoice::MaskEdit4Exit() {
    store::InvRec.Tax = MaskEdit4->value();
    UpdateTotals();
}

bool TInvoice::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window taking over is not leaving the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == Edit2) Edit2Exit();
            else if (watched == Edit3) Edit3Exit();
            else if (watched == Edit4) Edit4Exit();
            else if (watched == Memo2) Memo2Exit();
        }
    }
    return ui::EditWindow::eventFilter(watched, event);
}

// ---- line items -----------------------------------------------------------------------------------------

void TInvoice::BAddItmClick() {
    PrepareProductPick();
    if (!records::PickProduct(true)) return;
    LoadPickedProduct();
    TItemDef* item = ui::Form<TItemDef>();
    if (!item) return;
    item->showProduct(store::ProdRec);
    base::dialogs().showModal(item);
    const bool added = ItemAction == kActionSave;
    if (added) AppendItemRow(item->line(), store::ProdRec.RCode, store::ProdRec.PMemo);
    ComputeTaxes(true);
    ShowInvoice();
    // "Edit Item" right after adding works on the line just added.
    if (added) {
        StringGrid1->setCurrentCell(store::LastItemRow(), 0);
        StringGrid1->scrollToItem(StringGrid1->item(store::LastItemRow(), 0));
    }
}

void TInvoice::EditItem() {
    const int index = StringGrid1->currentRow();
    if (index < 0 || index > store::LastItemRow()) return;
    TItemDef* item = ui::Form<TItemDef>();
    if (!item) return;
    item->showLine(store::ItemRows[index]);
    base::dialogs().showModal(item);
    if (ItemAction == kActionSave)
        ReplaceItemRow(index, item->line());
    else if (ItemAction == kActionDelete)
        RemoveItemRow(index);
    else
        return;
    ComputeTaxes(true);
    ShowInvoice();
}

void TInvoice::BEditItmClick() { EditItem(); }
void TInvoice::StringGrid1DblClick() { EditItem(); }

// ---- payments -------------------------------------------------------------------------------------------

void TInvoice::BAddPmtClick() {
    TPmtDef* payment = ui::Form<TPmtDef>();
    if (!payment) return;
    payment->showNew(NewPaymentIncludesTax(MaskEdit3->value(), MaskEdit4->value()));
    base::dialogs().showModal(payment);
    if (PmtAction != kActionSave) return;
    AppendPaymentRow(payment->payment());
    ShowPayments();
}

void TInvoice::BEditPmtClick() {
    if (store::LastPmtRow() < 0) return;
    ui::ShowForm<TPickPmt>();
    ShowPayments();
}

// ---- save, delete, print --------------------------------------------------------------------------------

bool TInvoice::readBack() {
    if (!DateTimePicker1->acceptDate()) return false;
    store::InvBuffer& inv = store::InvRec;
    inv.IDate = base::DateWindow(DateTimePicker1->day());
    inv.Dept = Edit2->text();
    inv.IMemo = Edit3->text();
    inv.REM = Memo2->toPlainText();
    inv.Ship = MaskEdit3->value();
    inv.Tax = MaskEdit4->value();
    inv.Due = MaskEdit7->value();
    store::CustRec.note = Edit4->text().trimmed();
    return true;
}

void TInvoice::BtnSaveClick() {
    if (store::InvRec.CuNo == 0) {
        base::ShowMessage(kCustomerRequired);
        return;
    }
    if (!readBack()) return;
    const SaveResult result = SaveInvoice(store::CurrentInvoice);
    if (result.status != SaveStatus::Saved) {
        const QString message = SaveMessage(result);
        if (!message.isEmpty()) base::ShowMessage(message);
        return;
    }
    resetGrid();
    if (store::CurInvoiceRec >= 1) {
        accept();
        return;
    }
    if (base::ConfirmYesNo(kAddAnother)) {
        NewInvoice();
        ShowInvoice();
        ShowCustomer();
        keepAsUnchanged();
        return;
    }
    store::CurInvoiceRec = result.recNo;
    accept();
}

void TInvoice::BtnDeleteClick() {
    if (!base::ConfirmDestructive(kConfirmDelete, base::MsgKind::Confirmation)) return;
    store::WriteResult deleted;
    {
        BusyCursor busy;
        deleted = DeleteInvoice(store::CurrentInvoice);
    }
    // The invoice stays shown when it could not be deleted.
    if (!deleted) {
        base::ShowMessage(deleted.message(QStringLiteral("The deletion of the invoice")));
        return;
    }
    resetGrid();
    accept();
}

bool TInvoice::readyAsDocument(const QString& needsCustomer) {
    if (store::InvRec.CuNo == 0) {
        base::ShowMessage(needsCustomer);
        return false;
    }
    return readBack();
}

void TInvoice::BtnPrintClick() {
    if (readyAsDocument(kPrintNeedsCustomer)) reports::PrintCurrentInvoice(store::CurrentInvoice);
}

void TInvoice::Button1Click() {
    if (readyAsDocument(kEmailNeedsCustomer)) reports::EmailCurrentInvoice(store::CurrentInvoice);
}

void TInvoice::BtnCancelClick() { reject(); }

// ---- order import and export ---------------------------------------------------------------------------

void TInvoice::BtnImportClick() {
    if (store::CurInvoiceRec >= 1 || !mayDiscardChanges()) return;
    NewInvoice();
    ShowInvoice();
    ShowCustomer();
    QString infoDir, orderDir;
    if (!ReadImportDirs(&infoDir, &orderDir)) {
        base::ShowMessage(kDirectoriesFirst);
        return;
    }
    const QString chosen = base::dialogs().openFile(kOpenCaption, infoDir, QString());
    const QString name = QFileInfo(chosen).fileName();
    if (name.isEmpty()) return;
    if (const QString missing = MissingOrderFile(infoDir + name, orderDir + name); !missing.isEmpty()) {
        base::ShowMessage(missing + kNotFound);
        return;
    }
    ParsedOrder order;
    if (const QString bad = ReadOrderPair(infoDir + name, orderDir + name, &order); !bad.isEmpty()) {
        base::dialogs().message(base::MsgKind::Warning, bad, base::MsgButtons::Ok);
        return;
    }
    for (const ImportNotice& notice : FillFromOrder(order))
        base::dialogs().message(notice.kind, notice.text, base::MsgButtons::Ok);
    importCustomer();
}

void TInvoice::importCustomer() {
    CustomerMatches matches;
    const long matched = matches.next();
    if (matched > 0) TakeStoredCustomer(matched);
    // The stored customer after a match, the imported one otherwise; the charges stay as imported.
    store::BuildAddressBlock();
    ShowInvoice();
    Memo1->setPlainText(store::AddressBlock.join(QLatin1Char('\n')));
    Edit4->setText(store::CustRec.note.trimmed());
    if (matched > 0) {
        if (matches.next() > 0) base::dialogs().message(base::MsgKind::Warning, kMultipleMatches, base::MsgButtons::Ok);
        return;
    }
    if (records::PickGroup(true)) {
        const store::WriteResult created = CreateImportedCustomer();
        if (created) return;
        base::ShowMessage(created.message(kNewCustomer));
    }
    // No customer: the user chooses one before saving.
    Memo1->clear();
    DropImportedCustomer();
}

void TInvoice::BtnExportClick() {
    // Checked before the file is touched: a refused export leaves the file as it was.
    QString cardNumber, expiry;
    if (!ReadCardForm(Edit3->text(), &cardNumber, &expiry)) {
        base::ShowMessage(kBadCard);
        return;
    }
    writeBatchLine(kBatchinFile, kAppendRecord, BatchinRecord(cardNumber, expiry, MaskEdit5->text().trimmed()), true);
}

void TInvoice::BtnBatchLabClick() {
    if (store::InvRec.CuNo == 0) {
        base::ShowMessage(kBatchNeedsCustomer);
        return;
    }
    writeBatchLine(kBatchLabFile, kAppendAddress, BatchLabLine(store::InvRec.CuNo), false);
}

void TInvoice::writeBatchLine(const QString& fileName, const QString& question, const QString& line, bool ownerOnly) {
    const QString path = store::DataFile(fileName);
    // Yes appends, No replaces the file; Cancel (and Escape) leave it as it is.
    bool append = false;
    if (BatchFileExists(path)) {
        const base::Answer answer = base::dialogs().message(base::MsgKind::Confirmation, question + fileName, base::MsgButtons::YesNoCancel);
        if (answer != base::Answer::Yes && answer != base::Answer::No) return;
        append = answer == base::Answer::Yes;
    }
    if (!WriteBatchLine(path, line, append, ownerOnly)) base::ShowMessage(kUnableToSave + fileName);
}

}  // namespace invoicing
