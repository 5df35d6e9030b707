#include "reports/ReportCommandsU.h"

#include "base/Dialogs.h"
#include "mail/EMailU.h"
#include "records/PickU.h"
#include "reports/DocumentMail.h"
#include "reports/DateSpanU.h"
#include "reports/ReportU.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/dbFiles.h"
#include "ui/Forms.h"

namespace reports {
namespace {

bool askDateSpan() {
    TDateSpan* span = ui::Form<TDateSpan>();
    return span && span->askSpan();
}

}  // namespace

void ShowReport() {
    if (LastLine() >= 0) ui::ShowForm<TReportF>();
    EndReport();
}

void PrintInvoices(bool byPicking, DocKind kind) {
    if (!store::OpenInvoiceTables()) return store::CloseAll();
    if (!byPicking) {
        SetDocumentSpan(kind);
        if (askDateSpan()) {
            AddInvoicesInSpan(kind, StartDate, EndDate);
            ShowReport();
        }
    } else if (BeginPickedInvoices()) {
        // Documents are picked without offering a new invoice.
        while (records::PickInvoice(nullptr)) AddPickedInvoice(kind, store::CurInvoiceRec);
        ShowReport();
    }
    store::CloseAll();
}

void PrintStatements(bool byPicking) {
    if (!byPicking) {
        SetCurrentMonth();
        if (!askDateSpan()) return;
    }
    if (!store::OpenInvoiceTables()) return store::CloseAll();
    if (!byPicking) {
        AddStatementsWithBalances(StartDate, EndDate);
    } else {
        BeginPickedStatements();
        while (records::PickCustomer(false)) AddPickedStatement(store::CurCustRec);
    }
    store::CloseAll();
    ShowReport();
}

void RunReport(ReportId id) {
    const ReportEntry& report = Report(id);
    if (report.takesSpan) {
        SetCurrentMonth();
        if (!askDateSpan()) return store::CloseAll();
    }
    report.build(StartDate, EndDate);
    ShowReport();
}

void PrintCurrentInvoice() {
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice);
    ShowReport();
}

void EmailCurrentInvoice() {
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice);
    EmailReport();
    EndReport();
}

void EmailReport() {
    mail::Draft draft;
    QString error;
    if (!DraftForBuffer(&draft, &error)) return base::ShowMessage(error);
    if (auto* window = ui::Form<mail::TEMail>()) {
        window->setDraft(draft);
        base::dialogs().showModal(window);
    }
}

}  // namespace reports
