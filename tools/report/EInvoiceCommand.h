#pragma once
// corvane-report einvoice: stored invoices as e-invoice files without the windows.
//   corvane-report [-C DIR] einvoice --invoice N --format ubl|cii|facturx -o FILE
//   corvane-report [-C DIR] einvoice --from YYYY-MM-DD --to YYYY-MM-DD --format ubl|cii|facturx -o DIR
// The span writes every invoice dated in it into DIR as <number>.xml or <number>.pdf.
#include <QStringList>

// Whether the command word (after an optional -C DIR) is einvoice.
bool IsEInvoiceCommand(const QStringList& args);
// The tool's exit code: 0 every invoice written; 1 one or more lacked something (named on standard
// error, nothing written for them) or a table could not be opened; 2 bad usage.
int RunEInvoice(const QStringList& args);
