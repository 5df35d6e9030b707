#pragma once
// Windows of the program made ready to be shown on the demo business, for the tests that walk every
// window (the gallery, the keyboard rules).
#include <QString>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <map>

#include "app/AboutU.h"
#include "base/Format.h"
#include "invoicing/InvoiceU.h"
#include "invoicing/ItemDefU.h"
#include "invoicing/PmtDefU.h"
#include "mail/EMailU.h"
#include "mail/MailSettings.h"
#include "reports/DocumentMail.h"
#include "reports/RptGen.h"
#include "reports/RptUtil.h"
#include "store/EngineContext.h"
#include "store/InvoiceLoad.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "ui/DriveDirU.h"

namespace app_test {

// Opens a record window's tables (after closing whatever the window before left open) and selects
// record 1 of the first.
inline void openFirst(std::initializer_list<bool (*)()> opens, long* current) {
    store::CloseAll();
    for (bool (*open)() : opens) open();
    *current = 1;
}
// Opens the invoice command's tables on the invoice of the first stored payment.
inline void openDemoInvoice() {
    store::OpenInvoiceTables();
    store::CurInvoiceRec = 1;
    if (store::PmtTable->top() != 0) return;
    const long ivNo = store::RecordAccess(store::PmtTable).asLong("IVNO");
    if (store::InvTable->seek(store::ToTableText(base::PadNumber(ivNo, 6))) == 0)
        store::CurInvoiceRec = store::InvTable->recNo();
}

// The mail settings of a small business sending through its provider, in a settings file of the data
// directory (never the user's own).
inline void useSampleMailSettings(const QString& dataDir) {
    mail::SettingsFile = dataDir + QStringLiteral("/corvane.conf");
    mail::ServerSettings s;
    s.host = QStringLiteral("smtp.example.com");
    s.user = QStringLiteral("office@example.com");
    s.fromAddress = s.user;
    s.fromName = QStringLiteral("Harbour Stationers");
    mail::SaveServerSettings(s);
}

// Gets a window of the demo business ready to be shown, by its class name: the record windows and
// pick lists on record 1 of their tables, the invoice windows on a demo invoice with lines and
// payments, the report window on that invoice printed.
inline void PrepareForm(QWidget* window, const QString& dataDir) {
    const std::map<QString, std::function<void(QWidget*)>> steps = {
        {"app::TAboutForm", [](QWidget*) { app::SplashMode = false; }},
        {"ui::TDriveDir",
         [dataDir](QWidget* w) {
             auto* chooser = static_cast<ui::TDriveDir*>(w);
             chooser->setWindowTitle(QStringLiteral("Choose Backup Drive & Directory"));
             chooser->BtnOK->setText(QStringLiteral("Backup"));
             chooser->setDirectory(dataDir);
         }},
        // The record windows show the first demo record of their table.
        {"records::TCustomer", [](QWidget*) { openFirst({store::OpenCust, store::OpenGroups}, &store::CurCustRec); }},
        {"records::TGroupDef", [](QWidget*) { openFirst({store::OpenGroups, store::OpenCust}, &store::CurGroupRec); }},
        {"records::TProdDef", [](QWidget*) { openFirst({store::OpenProd}, &store::CurProductRec); }},
        {"records::TPurDef", [](QWidget*) { openFirst({store::OpenPur, store::OpenProd}, &store::CurPurchaseRec); }},
        // The pick lists show their demo table with record 1 highlighted.
        {"records::TPickCust", [](QWidget*) { openFirst({store::OpenCust, store::OpenGroups}, &store::CurCustRec); }},
        {"records::TPickGroup", [](QWidget*) { openFirst({store::OpenGroups}, &store::CurGroupRec); }},
        {"records::TPickProd", [](QWidget*) { openFirst({store::OpenProd}, &store::CurProductRec); }},
        {"records::TPickInv", [](QWidget*) { openFirst({store::OpenInv, store::OpenCust}, &store::CurInvoiceRec); }},
        {"records::TPickPur", [](QWidget*) { openFirst({store::OpenPur}, &store::CurPurchaseRec); }},
        {"records::TPickLab", [](QWidget*) { openFirst({store::OpenLabels}, &store::CurLabelRec); }},
        // The invoice windows show a demo invoice that has lines and payments.
        {"invoicing::TInvoice", [](QWidget*) { openDemoInvoice(); }},
        {"invoicing::TItemDef",
         [](QWidget* w) {
             if (store::LastItemRow >= 0) static_cast<invoicing::TItemDef*>(w)->showLine(store::ItemRows[0]);
         }},
        {"invoicing::TPmtDef",
         [](QWidget* w) {
             if (store::LastPmtRow >= 0) static_cast<invoicing::TPmtDef*>(w)->showPayment(store::PaymentRows[0]);
         }},
        // The report window shows the demo invoice as a printed tax invoice.
        {"reports::TReportF",
         [](QWidget*) {
             openDemoInvoice();
             store::LoadInvoice();
             reports::SetupDocumentTable();
             reports::AddInvoiceDocument(reports::DocKind::Invoice);
         }},
        // The e-mail window holds the demo invoice as the invoice window's Email makes it.
        {"mail::TEMail",
         [dataDir](QWidget* w) {
             useSampleMailSettings(dataDir);
             openDemoInvoice();
             store::LoadInvoice();
             reports::SetupDocumentTable();
             reports::AddInvoiceDocument(reports::DocKind::Invoice);
             mail::Draft draft;
             QString error;
             if (reports::DraftForBuffer(&draft, &error)) static_cast<mail::TEMail*>(w)->setDraft(draft);
             reports::EndReport();
         }},
        {"mail::TMailServer", [dataDir](QWidget*) { useSampleMailSettings(dataDir); }},
        {"reports::TMultGroup", [](QWidget*) { openFirst({store::OpenGroups}, &store::CurGroupRec); }},
        // The label windows show the demo's first stock.
        {"labels::TLabelDef", [](QWidget*) { openFirst({store::OpenLabels}, &store::CurLabelRec); }},
        {"labels::TLabPrint", [](QWidget*) { openFirst({store::OpenLabels}, &store::CurLabelRec); }},
    };
    const auto it = steps.find(QString::fromLatin1(window->metaObject()->className()));
    if (it != steps.end()) it->second(window);
}

}  // namespace app_test
