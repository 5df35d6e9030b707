#include "labels/LabelCommands.h"

#include <QFileInfo>
#include <QPrinter>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/ReportOutput.h"
#include "base/StatusSink.h"
#include "invoicing/OrderExport.h"
#include "labels/LabelDefU.h"
#include "labels/LabelGen.h"
#include "labels/LabPrintU.h"
#include "records/EditCommands.h"
#include "records/PickU.h"
#include "reports/DateSpanU.h"
#include "reports/MultGroupU.h"
#include "reports/ReportU.h"
#include "reports/Selection.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "ui/Forms.h"

namespace labels {
namespace {

const QString kNoStock =
    QStringLiteral("Label Stock has not been defined. Choose Setup - Labels to define label stock.");
const QString kNoCustomers = QStringLiteral("No customers were selected, so no labels were printed.");
const QString kSkipped = QStringLiteral("%1 of the lines of %2 named no customer and were skipped.");
const QString kUnableToSave = QStringLiteral("Unable to save to: ");
const QString kPrintToPdf = QStringLiteral("No printer is installed. Save the labels as a PDF file instead?");
const QString kNotPrinted = QStringLiteral("The labels could not be printed on %1.");
const QString kPdfCaption = QStringLiteral("Save Labels as PDF");
const QString kPdfName = QStringLiteral("Labels");

// A stock the window can offer: stocks marked deleted wait for the pack and are not offered. Stops at
// the first one found.
bool anyStockOffered(xbase::Table* stocks) {
    for (int rc = stocks->top(); rc == xbase::kOk; rc = stocks->skip(1))
        if (!stocks->isDeleted()) return true;
    return false;
}

bool pickLabel(bool, bool* created) { return records::PickLabel(ui::Form<TLabelDef>(), created); }

// Shows TLabPrint on the stock table: false when there is no stock or the window was cancelled; else
// LabelRec holds the chosen stock.
bool chooseStock(LabelStart* start, LabelOutput* output) {
    store::CloseAll();
    if (!store::OpenLabels()) return false;
    TLabPrint* window = ui::Form<TLabPrint>();
    bool chosen = false;
    if (!anyStockOffered(store::LabelsTable)) base::ShowMessage(kNoStock);
    else chosen = window && base::dialogs().showModal(window) == QDialog::Accepted;
    store::CloseTable(store::LabelsTable);
    if (!chosen) return false;
    *start = window->start();
    *output = window->output();
    return true;
}

bool askDateSpan() {
    reports::StartDate = reports::EndDate = base::Today();
    reports::TDateSpan* span = ui::Form<reports::TDateSpan>();
    return span && span->askSpan();
}

// The job's customers; false when its selection dialog was cancelled.
bool selectCustomers(LabelJob job, LabelSelection* s, const QString& batchFile) {
    switch (job) {
    case LabelJob::SelectedCustomers: {
        if (!store::OpenCust()) return false;
        store::SelectTag(store::CustTable, store::CustomerOrderTag());
        store::CurCustRec = store::CustTable->top() == xbase::kOk ? store::CustTable->recNo() : -1;
        while (records::PickCustomer(false)) AddCustomerLabel(store::CurCustRec, s);
        return true;
    }
    case LabelJob::InvoicesDated:
    case LabelJob::PastDueBilling:
    case LabelJob::BalanceDueStatement: {
        if (!askDateSpan() || !store::OpenCust() || !store::OpenInv()) return false;
        LabelSelection (*const select[])(double, double) = {InvoiceLabels, PastDueLabels, StatementLabels};
        *s = select[int(job) - int(LabelJob::InvoicesDated)](reports::StartDate, reports::EndDate);
        return true;
    }
    case LabelJob::CustomerGroups: {
        if (!store::OpenGroups()) return false;
        reports::SelectedGroups.clear();
        // Run with no group chosen selects no customer, which the job then says.
        if (base::dialogs().showModal(ui::Form<reports::TMultGroup>()) != QDialog::Accepted || !store::OpenCust())
            return false;
        *s = GroupLabels(reports::SelectedGroups);
        return true;
    }
    case LabelJob::Batch:
        if (!store::OpenCust()) return false;
        *s = BatchLabels(batchFile);
        return true;
    }
    return false;
}

void savePdf(const LabelStart& start, const QList<QStringList>& blocks) {
    const QString file = reports::AskPdfFile(kPdfCaption, kPdfName);
    if (!file.isEmpty() && !WriteLabelPdf(file, store::LabelRec, start, blocks, base::ReportFont))
        base::ShowMessage(kUnableToSave + file);
}

// One job on the chosen device.
void output(LabelOutput how, const LabelStart& start, const QList<QStringList>& blocks) {
    const store::LabelBuffer stock = store::LabelRec;
    switch (how) {
    case LabelOutput::Printer: {
        const std::unique_ptr<QPrinter> printer = reports::NewCurrentPrinter();
        if (!printer) {
            if (base::ConfirmYesNo(kPrintToPdf)) savePdf(start, blocks);
        } else if (!PaintLabels(printer.get(), stock, start, blocks, base::ReportFont)) {
            base::ShowMessage(kNotPrinted.arg(printer->printerName()));
        }
        return;
    }
    case LabelOutput::Preview:
        reports::ShowPrintPreview(nullptr, [&](QPrinter* p) { PaintLabels(p, stock, start, blocks, base::ReportFont); });
        return;
    case LabelOutput::Pdf: savePdf(start, blocks); return;
    }
}

void runJob(LabelJob job, const QString& batchFile) {
    LabelStart start;
    LabelOutput how = LabelOutput::Printer;
    if (!chooseStock(&start, &how)) return store::CloseAll();
    // A stock labels cannot be laid out on is refused before anything is chosen or printed.
    QString problem = StockProblem(store::LabelRec, base::ReportFont);
    if (problem.isEmpty()) problem = PageProblem(store::LabelRec, OutputPage());
    if (!problem.isEmpty()) return base::ShowMessage(problem);
    LabelSelection selection;
    const bool selected = selectCustomers(job, &selection, batchFile);
    store::CloseAll();
    const bool showedProgress = job != LabelJob::SelectedCustomers && job != LabelJob::Batch;
    if (showedProgress) base::ShowStatus(QString());
    if (!selected) return;
    if (!selection.unreadable.isEmpty()) return base::ShowMessage(selection.unreadable);
    if (selection.blocks.isEmpty()) base::ShowMessage(kNoCustomers);
    else output(how, start, selection.blocks);
    if (selection.skippedLines > 0)
        base::ShowMessage(kSkipped.arg(selection.skippedLines).arg(QFileInfo(batchFile).fileName()));
}

}  // namespace

void LabelFormsCommand() {
    store::CloseAll();
    if (!store::OpenLabels()) return store::CloseAll();
    store::LastResult = store::LabelsTable->top();
    store::CurLabelRec = store::LastResult == xbase::kOk ? store::LabelsTable->recNo() : 0;
    records::RunEditLoop({pickLabel, ui::ShowForm<TLabelDef>, store::TableKey::Labels});
}

void PrintLabels(LabelJob job) {
    runJob(job, job == LabelJob::Batch ? FindBatchFile() : QString());
}

void PrintBatchLabels() {
    const QString file = FindBatchFile();
    if (file.isEmpty()) return base::ShowMessage(kUnableToSave + invoicing::kBatchLabFile);
    runJob(LabelJob::Batch, file);
}

}  // namespace labels
