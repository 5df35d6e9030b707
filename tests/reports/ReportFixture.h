#pragma once
// What the report tests share: a demo business with a fixed closing day, the report font, the scripted
// facade and a printer with 66 lines to a page (so no "no printer" message mixes with what they check).
#include <gtest/gtest.h>

#include <QDate>
#include <QFont>

#include <memory>

#include "app/Preferences.h"
#include "base/Format.h"
#include "reports/RptUtil.h"
#include "store/DataDir.h"
#include "store/Settings.h"
#include "store/dbFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace report_testing {

class FakePrinter : public reports::PrinterMetrics {
public:
    bool hasCurrentPrinter() override { return true; }
    int linesPerPage() override { return 66; }
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
        app::ReportFont = QFont(QStringLiteral("DejaVu Sans Mono"), 10);
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
    FakePrinter m_printer;
};

}  // namespace report_testing
