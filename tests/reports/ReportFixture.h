#pragma once
// What the report tests share: a demo business with a fixed closing day, the report font, the scripted
// facade and a printer (so no "no printer" message mixes with what they check): a PDF page at 300 dpi.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <memory>
#include <optional>
#include <ostream>

#include "base/Decimal.h"
#include "base/Format.h"
#include "base/ReportOutput.h"
#include "base/StatusSink.h"
#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

// Readable failure output for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace report_testing {

// A printer for the tests: a paged device of the given resolution and paper (a PDF writer that never
// paints, so nothing is written), with a quarter inch on every side left unprintable as a driver does.
class PagePrinter : public reports::PrinterMetrics {
public:
    explicit PagePrinter(int dpi = 300, const QPageSize& paper = QPageSize(QPageSize::Letter)) : m_writer(&m_buffer) {
        m_buffer.open(QIODevice::WriteOnly);
        m_writer.setResolution(dpi);
        m_writer.setPageLayout(QPageLayout(paper, QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
                                           QPageLayout::Inch));
    }
    // Makes the paper as tall as lines lines of the renderer's advance for font, and half a line more.
    void holdLines(int lines, const QFont& font, int reportWidth) {
        const int advance = reports::PaperLayout(&m_writer, font, reportWidth).lineHeight;
        const double inches = (lines + 0.5) * advance / m_writer.logicalDpiY();
        m_writer.setPageLayout(QPageLayout(QPageSize(QSizeF(8.5, inches), QPageSize::Inch, QString(),
                                                     QPageSize::ExactMatch),
                                           QPageLayout::Portrait, QMarginsF(), QPageLayout::Inch));
    }
    QPagedPaintDevice* selectPrinter() override { return &m_writer; }
    QPagedPaintDevice* printer() override { return &m_writer; }
    QPdfWriter& device() { return m_writer; }

private:
    QBuffer m_buffer;
    QPdfWriter m_writer;
};

// A data directory written for the test, the engine on it, the scripted facade and the test printer.
class ReportDataTest : public testing_support::DataDirTest {
protected:
    void SetUpWith(const store::DataDirOptions& options) {
        DataDirTest::SetUp();
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), options, &error), 0) << error.toStdString();
        store::EngineInit();
        store::ReadSettings();
        base::ReportFont = QFont(QStringLiteral("DejaVu Sans Mono"), 10);
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
        reports::SetPrinterMetrics(&m_printer);
    }

    void TearDown() override {
        reports::EndReport();
        reports::SetPrinterMetrics(nullptr);
        dialogs.reset();
        store::EngineEnd();
        DataDirTest::TearDown();
    }

    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    PagePrinter m_printer;
};

class DemoReportTest : public ReportDataTest {
protected:
    DemoReportTest(int customers, int invoices) : m_customers(customers), m_invoices(invoices) {}

    void SetUp() override {
        store::DataDirOptions o;
        o.demo = true;
        o.customers = m_customers;
        o.invoices = m_invoices;
        o.asOf = base::DayFromDate(QDate(2026, 6, 30));
        SetUpWith(o);
    }

private:
    int m_customers;
    int m_invoices;
};

inline double day(int y, int m, int d) { return base::DayFromDate(QDate(y, m, d)); }

// The status bar's calls, "S:<text>" and "P:<percent>" in order.
class StatusCalls : public base::StatusSink {
public:
    StatusCalls() : m_previous(base::setStatusSink(this)) {}
    ~StatusCalls() override { base::setStatusSink(m_previous); }
    void showStatus(const QString& text) override { calls << "S:" + text; }
    void showProgress(int percent) override { calls << QStringLiteral("P:%1").arg(percent); }
    void showResult(const QString&) override {}
    QStringList calls;

private:
    base::StatusSink* m_previous;
};

// The delivered empty tables and helpers that append the records a test's business needs (to the
// tables left open; each report opens them anew and closes them all).
class BusinessReportTest : public ReportDataTest {
protected:
    void SetUp() override { SetUpWith(store::DataDirOptions{}); }

    template <class B>
    static void append(bool (*open)(), xbase::Table*& table, B* buffer, const B& value, store::WriteResult (*put)()) {
        if (!table) open();
        ASSERT_EQ(table->appendBlank(), 0);
        *buffer = value;
        EXPECT_TRUE(put().ok());
    }
    static void invoice(long ivNo, long cuNo, double date, base::Decimal ship, base::Decimal tax, base::Decimal due,
                        const QString& memo = {}) {
        append(store::OpenInv, store::InvTable, &store::InvRec, {ivNo, cuNo, {}, date, memo, ship, tax, due, {}},
               store::StoreInv);
    }
    static void item(long ivNo, const char* code, base::Decimal qty, base::Decimal price, bool tax1 = false,
                     bool tax2 = false) {
        store::ItmBuffer b;
        b.IvNo = ivNo;
        b.PrID = QLatin1String(code);
        b.Qty = qty;
        b.UPR = price;
        b.LTax1 = tax1;
        b.LTax2 = tax2;
        append(store::OpenItm, store::ItmTable, &store::ItmRec, b, store::StoreItm);
    }
    static void payment(long ivNo, double date, base::Decimal amount, base::Decimal gst) {
        append(store::OpenPmt, store::PmtTable, &store::PmtRec, {ivNo, date, amount, gst, false}, store::StorePmt);
    }
    // A product; kept in stock when reorder is given.
    static void product(const char* code, const char* description, std::optional<base::Decimal> reorder = {},
                        const char* comment = "", base::Decimal price = {}) {
        store::ProdBuffer b;
        b.PrID = QLatin1String(code);
        b.PDesc = QLatin1String(description);
        b.lInven = reorder.has_value();
        b.REORDER = reorder.value_or(base::Decimal());
        b.IComm = QLatin1String(comment);
        b.UPrice = price;
        append(store::OpenProd, store::ProdTable, &store::ProdRec, b, store::StoreProd);
    }
    static void purchase(const char* code, double date, base::Decimal qty, base::Decimal cost) {
        append(store::OpenPur, store::PurTable, &store::PurRec, {QLatin1String(code), date, qty, cost, 0}, store::StorePur);
    }
    static void customer(long cuno, const char* title, const char* first, const char* last, const char* company,
                         int group = 0, const char* street = "", const char* town = "") {
        store::CustBuffer b;
        b.cuno = cuno;
        b.title = QLatin1String(title);
        b.first = QLatin1String(first);
        b.last = QLatin1String(last);
        b.addr1 = QLatin1String(company);
        b.addr2 = QLatin1String(street);
        b.addr4 = QLatin1String(town);
        b.ngroup = group;
        append(store::OpenCust, store::CustTable, &store::CustRec, b, store::StoreCust);
    }
    static void group(int number, const char* name) {
        append(store::OpenGroups, store::GroupsTable, &store::GroupRec, {number, QLatin1String(name)}, store::StoreGroup);
    }

    // The buffer as the plain export writes it, from the title on (the page line holds today).
    static QStringList shown() {
        QStringList lines;
        for (const QStringList& line : reports::ReportLines)
            lines << reports::ExportLine(line, reports::ExportKind::Plain) + (reports::IsUnderlined(line.last()) ? " |U" : "");
        EXPECT_TRUE(lines.value(0).startsWith(QLatin1String("Page 1"))) << lines.value(0).toStdString();
        return lines.mid(2);
    }
};

}  // namespace report_testing
