#include "einvoice/FacturX.h"

#include <QBuffer>
#include <QDateTime>
#include <QPdfWriter>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdlib>
#include <exception>

#include "base/ReportOutput.h"
#include "reports/ReportRender.h"
#include "reports/RptGen.h"
#include "reports/RptUtil.h"

namespace einvoice {

namespace {

const char* const kAttachment = "factur-x.xml";

// The Factur-X keys and the extension schema that declares them, as PDF/A requires of any namespace
// it does not know.
const char* const kFacturXXmp = R"(<rdf:Description rdf:about="" xmlns:fx="urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#">
<fx:DocumentType>INVOICE</fx:DocumentType>
<fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>
<fx:Version>1.0</fx:Version>
<fx:ConformanceLevel>EN 16931</fx:ConformanceLevel>
</rdf:Description>
<rdf:Description rdf:about="" xmlns:pdfaExtension="http://www.aiim.org/pdfa/ns/extension/" xmlns:pdfaSchema="http://www.aiim.org/pdfa/ns/schema#" xmlns:pdfaProperty="http://www.aiim.org/pdfa/ns/property#">
<pdfaExtension:schemas><rdf:Bag><rdf:li rdf:parseType="Resource">
<pdfaSchema:schema>Factur-X PDFA Extension Schema</pdfaSchema:schema>
<pdfaSchema:namespaceURI>urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#</pdfaSchema:namespaceURI>
<pdfaSchema:prefix>fx</pdfaSchema:prefix>
<pdfaSchema:property><rdf:Seq>
<rdf:li rdf:parseType="Resource"><pdfaProperty:name>DocumentFileName</pdfaProperty:name><pdfaProperty:valueType>Text</pdfaProperty:valueType><pdfaProperty:category>external</pdfaProperty:category><pdfaProperty:description>The name of the embedded XML document</pdfaProperty:description></rdf:li>
<rdf:li rdf:parseType="Resource"><pdfaProperty:name>DocumentType</pdfaProperty:name><pdfaProperty:valueType>Text</pdfaProperty:valueType><pdfaProperty:category>external</pdfaProperty:category><pdfaProperty:description>The type of the hybrid document in capital letters, e.g. INVOICE or ORDER</pdfaProperty:description></rdf:li>
<rdf:li rdf:parseType="Resource"><pdfaProperty:name>Version</pdfaProperty:name><pdfaProperty:valueType>Text</pdfaProperty:valueType><pdfaProperty:category>external</pdfaProperty:category><pdfaProperty:description>The actual version of the standard applying to the embedded XML document</pdfaProperty:description></rdf:li>
<rdf:li rdf:parseType="Resource"><pdfaProperty:name>ConformanceLevel</pdfaProperty:name><pdfaProperty:valueType>Text</pdfaProperty:valueType><pdfaProperty:category>external</pdfaProperty:category><pdfaProperty:description>The conformance level of the embedded XML document</pdfaProperty:description></rdf:li>
</rdf:Seq></pdfaSchema:property>
</rdf:li></rdf:Bag></pdfaExtension:schemas>
</rdf:Description>
)";

}  // namespace

// On the export's page, as PDF/A-1b: Qt then embeds the fonts, adds the sRGB output intent and the XMP
// packet, all of which PDF/A-3 asks for as well.
bool RenderInvoicePdf(const Source& source, QByteArray* pdf) {
    QBuffer buffer(pdf);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    reports::SetupDocumentTable();
    reports::AddPickedInvoice(reports::DocKind::Invoice, source.invoiceRec);
    bool painted = false;
    {
        QPdfWriter writer(&buffer);
        reports::SetupPdfPage(writer);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setTitle(reports::DocumentName());
        painted = reports::PrintLines(&writer, base::ReportFont, reports::ReportLines, reports::ReportWidth);
    }
    reports::EndReport();
    return painted && !pdf->isEmpty();
}

namespace {

// Qt's packet claims PDF/A-1; the same packet with part 3 and the Factur-X description.
bool rewriteXmp(std::string* xmp) {
    QString text = QString::fromStdString(*xmp);
    const qsizetype before = text.size();
    text.replace(QStringLiteral("<pdfaid:part>1</pdfaid:part>"), QStringLiteral("<pdfaid:part>3</pdfaid:part>"));
    text.replace(QStringLiteral("pdfaid:part=\"1\""), QStringLiteral("pdfaid:part=\"3\""));
    const qsizetype end = text.lastIndexOf(QStringLiteral("</rdf:RDF>"));
    if (end < 0 || !text.contains(QStringLiteral("pdfaid:part"))) return false;
    text.insert(end, QString::fromLatin1(kFacturXXmp));
    *xmp = text.toStdString();
    return text.size() > before;
}

// "D:YYYYMMDDHHmmSS+hh'mm'" for the embedded file's dates.
std::string pdfDate(const QDateTime& t) {
    const int offset = t.offsetFromUtc() / 60;
    return QStringLiteral("D:%1%2%3'%4'")
        .arg(t.toString(QStringLiteral("yyyyMMddHHmmss")), offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
        .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'))
        .toStdString();
}

bool attach(const QByteArray& plain, const QByteArray& cii, QByteArray* out, QString* error) {
    QPDF pdf;
    pdf.processMemoryFile("invoice", plain.constData(), size_t(plain.size()));
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle metadata = root.getKey("/Metadata");
    if (!metadata.isStream()) {
        *error = QStringLiteral("the invoice PDF has no metadata");
        return false;
    }
    const std::shared_ptr<Buffer> data = metadata.getStreamData(qpdf_dl_all);
    std::string xmp(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    if (!rewriteXmp(&xmp)) {
        *error = QStringLiteral("the invoice PDF's metadata has no PDF/A identification");
        return false;
    }
    metadata.replaceStreamData(xmp, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());

    const std::string now = pdfDate(QDateTime::currentDateTime());
    QPDFEFStreamObjectHelper stream = QPDFEFStreamObjectHelper::createEFStream(pdf, cii.toStdString());
    stream.setSubtype("text/xml").setCreationDate(now).setModDate(now);
    QPDFFileSpecObjectHelper attachment = QPDFFileSpecObjectHelper::createFileSpec(pdf, kAttachment, stream);
    attachment.setDescription("Factur-X invoice data (EN 16931)");
    QPDFObjectHandle specObject = attachment.getObjectHandle();
    if (!specObject.isIndirect()) specObject = pdf.makeIndirectObject(specObject);
    specObject.replaceKey("/AFRelationship", QPDFObjectHandle::newName("/Data"));
    QPDFEmbeddedFileDocumentHelper(pdf).replaceEmbeddedFile(kAttachment, QPDFFileSpecObjectHelper(specObject));
    root.replaceKey("/AF", QPDFObjectHandle::newArray({specObject}));

    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setMinimumPDFVersion("1.7");
    writer.write();
    const std::shared_ptr<Buffer> written = writer.getBufferSharedPointer();
    *out = QByteArray(reinterpret_cast<const char*>(written->getBuffer()), qsizetype(written->getSize()));
    return true;
}

}  // namespace

bool MakeFacturX(const Source& source, const QByteArray& cii, QByteArray* pdf, QString* error) {
    QByteArray plain;
    if (!RenderInvoicePdf(source, &plain)) {
        *error = QStringLiteral("the invoice PDF could not be drawn");
        return false;
    }
    // qpdf reports what it cannot do by exceptions; none leaves this unit.
    try {
        return attach(plain, cii, pdf, error);
    } catch (const std::exception& e) {
        *error = QStringLiteral("the Factur-X PDF could not be made: ") + QString::fromLocal8Bit(e.what());
        return false;
    }
}

}  // namespace einvoice
