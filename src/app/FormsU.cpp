#include "app/Forms.h"

#include <QWidget>

#include <functional>

#include "app/AboutU.h"
#include "app/MainU.h"
#include "invoicing/DefTaxU.h"
#include "invoicing/ImportDirU.h"
#include "invoicing/InvoiceU.h"
#include "invoicing/ItemDefU.h"
#include "invoicing/PickPmtU.h"
#include "invoicing/PmtDefU.h"
#include "labels/LabPrintU.h"
#include "labels/LabelDefU.h"
#include "mail/EMailU.h"
#include "mail/MailServerU.h"
#include "records/CustomerU.h"
#include "records/GroupDefU.h"
#include "records/PickCustU.h"
#include "records/PickGroupU.h"
#include "records/PickInvU.h"
#include "records/PickLabelU.h"
#include "records/PickProdU.h"
#include "records/PickPurU.h"
#include "records/EInvSetupU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "records/StationaryU.h"
#include "reports/DateSpanU.h"
#include "reports/MultGroupU.h"
#include "reports/ReportU.h"
#include "store/DataLocation.h"
#include "ui/DriveDirU.h"
#include "ui/HelpU.h"

namespace app {
namespace {

std::vector<QWidget*> g_forms;
std::vector<std::function<void()>> g_clearSlots;

template <class T>
void create() {
    auto* form = new T;
    ui::detail::formSlot<T> = form;
    g_forms.push_back(form);
    g_clearSlots.push_back([] { ui::detail::formSlot<T> = nullptr; });
}

}  // namespace

void CreateForms() {
    if (!g_forms.empty()) return;
    // The fixed creation order. Windows still to be built join here at their place:
    // TCustomer, TPickCust, TPickGroup, TGroupDef, TPickProd, TProdDef, TPickInv, TInvoice, TItemDef,
    // TPmtDef, TPickPmt, TReportF, TStationary, TEInvSetup, TDateSpan, TLabPrint, TMultGroup, TPickPur,
    // TPurDef, TTaxDef, TLabelDef, TPickLab, TImportdir, TEMail.
    create<TMain>();
    create<TAboutForm>();
    create<ui::TDriveDir>();
    ui::Form<ui::TDriveDir>()->setHome(store::DataDir());
    create<records::TCustomer>();
    create<records::TPickCust>();
    create<records::TPickGroup>();
    create<records::TGroupDef>();
    create<records::TPickProd>();
    create<records::TProdDef>();
    create<records::TPickInv>();
    create<invoicing::TInvoice>();
    create<invoicing::TItemDef>();
    create<invoicing::TPmtDef>();
    create<invoicing::TPickPmt>();
    create<reports::TReportF>();
    create<records::TStationary>();
    create<records::TEInvSetup>();
    create<reports::TDateSpan>();
    create<labels::TLabPrint>();
    create<reports::TMultGroup>();
    create<records::TPickPur>();
    create<records::TPurDef>();
    create<invoicing::TTaxDef>();
    create<labels::TLabelDef>();
    create<records::TPickLab>();
    create<invoicing::TImportdir>();
    create<mail::TEMail>();
    create<mail::TMailServer>();  // the mail server's preferences, after the window that sends
}

void DestroyForms() {
    ui::DestroyHelpWindow();
    while (!g_forms.empty()) {
        delete g_forms.back();
        g_forms.pop_back();
        g_clearSlots.back()();
        g_clearSlots.pop_back();
    }
}

const std::vector<QWidget*>& AllForms() { return g_forms; }

}  // namespace app
