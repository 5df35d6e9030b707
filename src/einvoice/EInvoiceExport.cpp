#include "einvoice/EInvoiceExport.h"

#include <QSaveFile>

#include "base/OwnerOnly.h"
#include "einvoice/EInvoice.h"
#include "einvoice/FacturX.h"
#include "einvoice/InvoiceSource.h"

namespace einvoice {

bool ParseFormat(const QString& name, Format* format) {
    if (name == QLatin1String("ubl")) *format = Format::Ubl;
    else if (name == QLatin1String("cii")) *format = Format::Cii;
    else if (name == QLatin1String("facturx")) *format = Format::FacturX;
    else return false;
    return true;
}

QString FormatSuffix(Format format) { return format == Format::FacturX ? QStringLiteral(".pdf") : QStringLiteral(".xml"); }

ExportOutcome ExportInvoice(long ivNo, Format format, const QString& path) {
    ExportOutcome outcome;
    Source source;
    if (!ReadSource(ivNo, &source)) {
        outcome.error = QStringLiteral("there is no invoice %1").arg(ivNo);
        return outcome;
    }
    Document doc;
    if (!BuildDocument(source, &doc, &outcome.missing)) return outcome;
    QByteArray bytes;
    if (format == Format::FacturX) {
        if (!MakeFacturX(source, WriteCii(doc), &bytes, &outcome.error)) return outcome;
    } else {
        bytes = WriteXml(format == Format::Ubl ? Syntax::Ubl : Syntax::Cii, doc);
    }
    // Written whole or not at all: a failure leaves no half file behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        outcome.error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return outcome;
    }
    QFile::setPermissions(path, base::kOwnerOnly);
    outcome.written = true;
    return outcome;
}

QString OutcomeMessage(long ivNo, const ExportOutcome& outcome) {
    if (!outcome.missing.isEmpty())
        return QStringLiteral("Invoice %1 cannot be sent as an e-invoice. It needs %2.")
            .arg(ivNo)
            .arg(outcome.missing.join(QStringLiteral("; ")));
    return outcome.error.isEmpty() ? QString() : QStringLiteral("Invoice %1: %2").arg(ivNo).arg(outcome.error);
}

}  // namespace einvoice
