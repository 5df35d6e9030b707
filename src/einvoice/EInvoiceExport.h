#pragma once
// Writes a stored invoice as an e-invoice file: UBL or CII XML, or Factur-X (the invoice PDF with the
// CII inside). Nothing is written when the invoice lacks anything the standard needs: the outcome
// then names every missing item.
#include <QString>
#include <QStringList>

namespace einvoice {

enum class Format { Ubl, Cii, FacturX };

struct ExportOutcome {
    bool written = false;
    QStringList missing;  // what the invoice lacks (nothing written)
    QString error;        // why the file could not be written
};

// "ubl", "cii", "facturx"; false for anything else.
bool ParseFormat(const QString& name, Format* format);
// ".xml" or ".pdf".
QString FormatSuffix(Format format);

// Writes invoice ivNo in format to path. REQUIRES: OpenSourceTables.
ExportOutcome ExportInvoice(long ivNo, Format format, const QString& path);

// One message for the user: the invoice and every missing item, or the error.
QString OutcomeMessage(long ivNo, const ExportOutcome& outcome);

}  // namespace einvoice
