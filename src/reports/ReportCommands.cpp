#include "reports/ReportCommands.h"

#include "base/Dialogs.h"
#include "base/Format.h"
#include "mail/EMailU.h"
#include "records/PickU.h"
#include "reports/DateSpanU.h"
#include "reports/DocumentMail.h"
#include "reports/MultGroupU.h"
#include "reports/ReportU.h"
#include "reports/RptSpan.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "ui/Forms.h"

namespace reports {
namespace {

const QString kInventoryAsOf = QStringLiteral("Inventory as Of:");

bool askDateSpan() {
    TDateSpan* span = ui::Form<TDateSpan>();
    return span && span->askSpan();
}

// Today offered; the date chosen is in StartDate.
bool askAsOfDate() {
    StartDate = base::Today();
    TDateSpan* span = ui::Form<TDateSpan>();
    return span && span->askSingleDate(kInventoryAsOf);
}

// The product picked from the product list, as SelectedProduct; false when none was picked.
bool askProduct() {
    bool picked = store::OpenProd() && records::PickProduct(false);
    picked = picked && store::ProdTable->go(store::CurProductRec) == xbase::kOk;
    if (picked) SelectedProduct = TrimmedCode(store::ReadField(store::ProdTable, &store::ProdBuffer::PrID));
    store::CloseAll();
    return picked;
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
    if (report.asks == Asks::Product && !askProduct()) return;
    if (report.asks == Asks::AsOfDate && !askAsOfDate()) return;
    if (report.takesSpan) {
        SetCurrentMonth();
        if (!askDateSpan()) return store::CloseAll();
    }
    report.build(StartDate, EndDate);
    ShowReport();
}

void PrintCustomerProfile(bool byGroups) {
    SelectedCustomers.clear();
    SelectedGroups.clear();
    if (byGroups) {
        if (store::OpenGroups()) ui::ShowForm<TMultGroup>();
    } else if (store::OpenCust() && store::OpenGroups()) {
        // The pick list opens on the first customer by name.
        xbase::Table* cust = store::CustTable;
        store::SelectTag(cust, store::TagId::CustName);
        store::CurCustRec = cust->top() == xbase::kOk ? cust->recNo() : -1;
        while (records::PickCustomer(false))
            if (cust->go(store::CurCustRec) == xbase::kOk)
                SelectedCustomers.append(store::ReadField(cust, &store::CustBuffer::cuno));
    }
    store::CloseAll();
    if (SelectedCustomers.isEmpty() && SelectedGroups.isEmpty()) return;
    Report(ReportId::CustomerProfile).build(0, 0);
    ShowReport();
}

void PrintCurrentInvoice(const store::InvoiceWorkingSet& invoice) {
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice, invoice);
    ShowReport();
}

void EmailCurrentInvoice(const store::InvoiceWorkingSet& invoice) {
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice, invoice);
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
