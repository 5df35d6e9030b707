#pragma once
// Factur-X: the invoice's PDF, as the program prints it, made PDF/A-3 with the CII data embedded as
// factur-x.xml (an associated file, relationship Data) and the XMP metadata naming it.
#include <QByteArray>
#include <QString>

#include "einvoice/EInvoice.h"

namespace einvoice {

// The invoice's PDF as the program prints it, written as PDF/A-1b (fonts embedded, sRGB output intent,
// XMP metadata). False when it cannot be drawn.
bool RenderInvoicePdf(const Source& source, QByteArray* pdf);

// The PDF of the invoice in source with cii embedded, into *pdf; false with *error saying why.
bool MakeFacturX(const Source& source, const QByteArray& cii, QByteArray* pdf, QString* error);

}  // namespace einvoice
