// E-invoice writing: one invoice's UBL and CII (read from the tables, built, written) and its
// Factur-X PDF beside the plain invoice PDF, over the demo business's invoices.
//   einvoice_bench [INVOICES]   (default 300)
#include <QDate>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#include "base/Format.h"
#include "einvoice/FacturX.h"
#include "einvoice/InvoiceSource.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"

namespace {

// Milliseconds per invoice of work over the invoices numbered from 1001.
double perInvoice(long count, const std::function<void(const einvoice::Source&)>& work) {
    QElapsedTimer timer;
    qint64 total = 0;
    for (long n = 1001; n < 1001 + count; ++n) {
        einvoice::Source source;
        timer.start();
        if (!einvoice::ReadSource(n, &source)) continue;
        work(source);
        total += timer.nsecsElapsed();
    }
    return double(total) / 1e6 / double(count);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 300;
    QTemporaryDir dir;
    store::DataDirOptions o;
    o.demo = true;
    o.invoices = count;
    o.asOf = base::DayFromDate(QDate(2026, 6, 30));
    if (!dir.isValid() || store::WriteDataDir(dir.path(), o) != 0) return 1;
    store::EngineInit(nullptr, dir.path().toStdString());
    if (!einvoice::OpenSourceTables()) return 1;
    const auto xml = [](einvoice::Syntax syntax) {
        return [syntax](const einvoice::Source& s) {
            einvoice::Document doc;
            QStringList problems;
            if (einvoice::BuildDocument(s, &doc, &problems)) einvoice::WriteXml(syntax, doc);
        };
    };
    std::printf("UBL       %.3f ms per invoice\n", perInvoice(count, xml(einvoice::Syntax::Ubl)));
    std::printf("CII       %.3f ms per invoice\n", perInvoice(count, xml(einvoice::Syntax::Cii)));
    const long pdfs = std::min(count, 50L);
    const double plain = perInvoice(pdfs, [](const einvoice::Source& s) {
        QByteArray pdf;
        einvoice::RenderInvoicePdf(s, &pdf);
    });
    const double facturX = perInvoice(pdfs, [](const einvoice::Source& s) {
        einvoice::Document doc;
        QStringList problems;
        QByteArray pdf;
        QString error;
        if (einvoice::BuildDocument(s, &doc, &problems)) einvoice::MakeFacturX(s, einvoice::WriteCii(doc), &pdf, &error);
    });
    std::printf("PDF       %.3f ms per invoice\nFactur-X  %.3f ms per invoice (%.3f ms more)\n", plain, facturX, facturX - plain);
    store::EngineEnd();
    return 0;
}
