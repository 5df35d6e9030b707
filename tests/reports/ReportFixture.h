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

#include "base/Format.h"
#include "base/ReportOutput.h"
#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "store/DataDir.h"
#include "store/Settings.h"
#include "store/dbFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

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

class DemoReportTest : public testing_support::DataDirTest {
protected:
    DemoReportTest(int customers, int invoices) : m_customers(customers), m_invoices(invoices) {}

    void SetUp() override {
        DataDirTest::SetUp();
        store::DataDirOptions o;
        o.demo = true;
        o.customers = m_customers;
        o.invoices = m_invoices;
        o.asOf = base::DayFromDate(QDate(2026, 6, 30));
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), o, &error), 0) << error.toStdString();
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

private:
    int m_customers;
    int m_invoices;
    PagePrinter m_printer;
};

}  // namespace report_testing
