// The window gallery: every window of the program, filled from the demo business, rendered to PNG files
// under the build directory (gallery/) for people to look at. A window joins by being created in the
// fixed order; one that needs data or a state to look right adds a line to prepare() below.
#include <QApplication>
#include <QDir>
#include <QImage>

#include <functional>
#include <map>

#include "AppFixture.h"
#include "app/AboutU.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "base/Format.h"
#include "invoicing/InvoiceU.h"
#include "invoicing/ItemDefU.h"
#include "invoicing/PmtDefU.h"
#include "reports/RptGen.h"
#include "ui/DriveDirU.h"

namespace app_test {
namespace {

class GalleryTest : public DemoTest {
protected:
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
    // Gets a window ready to be pictured, by its class name.
    void prepare(QWidget* window) {
        const std::map<QString, std::function<void(QWidget*)>> steps = {
            {"app::TAboutForm", [](QWidget*) { app::SplashMode = false; }},
            {"ui::TDriveDir",
             [this](QWidget* w) {
                 auto* chooser = static_cast<ui::TDriveDir*>(w);
                 chooser->setWindowTitle(QStringLiteral("Choose Backup Drive & Directory"));
                 chooser->BtnOK->setText(QStringLiteral("Backup"));
                 chooser->setDirectory(dataDir());
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
            {"reports::TMultGroup", [](QWidget*) { openFirst({store::OpenGroups}, &store::CurGroupRec); }},
        };
        const auto it = steps.find(QString::fromLatin1(window->metaObject()->className()));
        if (it != steps.end()) it->second(window);
    }
    // Opens a record window's tables (after closing whatever the window before left open) and selects
    // record 1 of the first.
    static void openFirst(std::initializer_list<bool (*)()> opens, long* current) {
        store::CloseAll();
        for (bool (*open)() : opens) open();
        *current = 1;
    }
    // Opens the invoice command's tables on the invoice of the first stored payment.
    static void openDemoInvoice() {
        store::OpenCust();
        store::OpenGroups();
        store::OpenInv();
        store::OpenItm();
        store::OpenPmt();
        store::OpenProd();
        store::CurInvoiceRec = 1;
        if (store::PmtTable->top() != 0) return;
        const long ivNo = store::RecordAccess(store::PmtTable).asLong("IVNO");
        if (store::InvTable->seek(store::ToTableText(base::PadNumber(ivNo, 6))) == 0)
            store::CurInvoiceRec = store::InvTable->recNo();
    }
    void save(QWidget* window, const QString& name) {
        const QImage image = window->grab().toImage();
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        const QString file = QDir(testing_support::artifactDir(QStringLiteral("gallery"))).filePath(name + ".png");
        EXPECT_TRUE(image.save(file)) << file.toStdString();
    }
};

TEST_F(GalleryTest, RendersEveryWindow) {
    app::CreateForms();
    auto* main = app::Form<app::TMain>();
    main->show();
    ASSERT_TRUE(main->started());
    for (int page = 0; page < main->PageControl1->count(); ++page) {
        main->PageControl1->setCurrentIndex(page);
        save(main, QStringLiteral("TMain-%1").arg(page + 1));
    }
    int pictured = 1;
    for (QWidget* window : app::AllForms()) {
        if (window == main) continue;
        prepare(window);
        window->show();
        QApplication::processEvents();
        QString name = QString::fromLatin1(window->metaObject()->className());
        name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
        save(window, name);
        window->hide();
        ++pictured;
    }
    EXPECT_EQ(pictured, int(app::AllForms().size()));
}

}  // namespace
}  // namespace app_test
