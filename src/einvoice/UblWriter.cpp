// UBL 2.1: an Invoice, or a CreditNote for a total below zero, as the standard's UBL binding places
// each item.
#include "einvoice/XmlOut.h"

namespace einvoice {

namespace {

const QString kCac = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2");
const QString kCbc = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2");

class Ubl : detail::XmlOut {
public:
    Ubl(const Document& d, QByteArray* out) : XmlOut(d, out) {}

    void write() {
        const QString root = m_d.creditNote ? QStringLiteral("CreditNote") : QStringLiteral("Invoice");
        m_x.writeStartDocument();
        m_x.writeDefaultNamespace(QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:") + root + QStringLiteral("-2"));
        m_x.writeNamespace(kCac, QStringLiteral("cac"));
        m_x.writeNamespace(kCbc, QStringLiteral("cbc"));
        m_x.writeStartElement(root);
        cbc("CustomizationID", QStringLiteral("urn:cen.eu:en16931:2017"));
        cbc("ID", m_d.number);
        cbc("IssueDate", m_d.issued.toString(Qt::ISODate));
        if (m_d.due.isValid()) cbc("DueDate", m_d.due.toString(Qt::ISODate));
        cbc(m_d.creditNote ? "CreditNoteTypeCode" : "InvoiceTypeCode", m_d.creditNote ? QStringLiteral("381") : QStringLiteral("380"));
        if (!m_d.note.isEmpty()) cbc("Note", m_d.note);
        cbc("DocumentCurrencyCode", m_d.currency);
        if (!m_d.buyerReference.isEmpty()) cbc("BuyerReference", m_d.buyerReference);
        party("AccountingSupplierParty", m_d.seller);
        party("AccountingCustomerParty", m_d.buyer);
        if (!m_d.account.isEmpty()) paymentMeans();
        start("PaymentTerms");
        cbc("Note", m_d.terms);
        end();
        for (const Charge& c : m_d.charges) charge(c);
        start("TaxTotal");
        amount("TaxAmount", m_d.taxTotal);
        for (const VatBreakdown& v : m_d.vat) {
            start("TaxSubtotal");
            amount("TaxableAmount", v.base);
            amount("TaxAmount", v.tax);
            category("TaxCategory", v.vat, v.exemptionReason);
            end();
        }
        end();
        totals();
        for (const Line& l : m_d.lines) line(l);
        end();
        m_x.writeEndDocument();
    }

private:
    void start(const char* name) { m_x.writeStartElement(kCac, QLatin1String(name)); }
    void cbc(const char* name, const QString& text) { m_x.writeTextElement(kCbc, QLatin1String(name), text); }
    void amount(const char* name, const base::Decimal& value) {
        m_x.writeStartElement(kCbc, QLatin1String(name));
        m_x.writeAttribute(QStringLiteral("currencyID"), m_d.currency);
        m_x.writeCharacters(AmountText(value));
        end();
    }

    void category(const char* element, const VatCategory& vat, const QString& reason = QString()) {
        start(element);
        cbc("ID", vat.code);
        cbc("Percent", NumberText(vat.rate));
        if (!reason.isEmpty()) cbc("TaxExemptionReason", reason);
        start("TaxScheme");
        cbc("ID", QStringLiteral("VAT"));
        end(2);
    }

    void party(const char* role, const Party& p) {
        start(role);
        start("Party");
        start("PostalAddress");
        if (!p.streetLines.isEmpty()) cbc("StreetName", p.streetLines.value(0));
        if (p.streetLines.size() > 1) cbc("AdditionalStreetName", p.streetLines.value(1));
        if (!p.city.isEmpty()) cbc("CityName", p.city);
        if (!p.zip.isEmpty()) cbc("PostalZone", p.zip);
        if (p.streetLines.size() > 2) {
            start("AddressLine");
            cbc("Line", p.streetLines.value(2));
            end();
        }
        start("Country");
        cbc("IdentificationCode", p.country);
        end(2);
        if (!p.taxId.isEmpty()) {
            start("PartyTaxScheme");
            cbc("CompanyID", p.taxId);
            start("TaxScheme");
            cbc("ID", QStringLiteral("VAT"));
            end(2);
        }
        start("PartyLegalEntity");
        cbc("RegistrationName", p.name);
        if (!p.legalId.isEmpty()) cbc("CompanyID", p.legalId);
        end();
        if (!p.email.isEmpty()) {
            start("Contact");
            cbc("ElectronicMail", p.email);
            end();
        }
        end(2);
    }

    void paymentMeans() {
        start("PaymentMeans");
        cbc("PaymentMeansCode", QStringLiteral("30"));  // credit transfer
        cbc("PaymentID", m_d.number);
        start("PayeeFinancialAccount");
        cbc("ID", m_d.account);
        if (!m_d.bic.isEmpty()) {
            start("FinancialInstitutionBranch");
            cbc("ID", m_d.bic);
            end();
        }
        end(2);
    }

    void charge(const Charge& c) {
        start("AllowanceCharge");
        cbc("ChargeIndicator", c.isCharge ? QStringLiteral("true") : QStringLiteral("false"));
        cbc("AllowanceChargeReason", c.reason);
        amount("Amount", c.amount);
        category("TaxCategory", c.vat);
        end();
    }

    void totals() {
        start("LegalMonetaryTotal");
        amount("LineExtensionAmount", m_d.lineTotal);
        amount("TaxExclusiveAmount", m_d.taxExclusive);
        amount("TaxInclusiveAmount", m_d.taxInclusive);
        if (!m_d.allowanceTotal.isZero()) amount("AllowanceTotalAmount", m_d.allowanceTotal);
        if (!m_d.chargeTotal.isZero()) amount("ChargeTotalAmount", m_d.chargeTotal);
        if (!m_d.paid.isZero()) amount("PrepaidAmount", m_d.paid);
        amount("PayableAmount", m_d.payable);
        end();
    }

    void line(const Line& l) {
        start(m_d.creditNote ? "CreditNoteLine" : "InvoiceLine");
        cbc("ID", l.id);
        if (!l.note.isEmpty()) cbc("Note", l.note);
        m_x.writeStartElement(kCbc, m_d.creditNote ? QStringLiteral("CreditedQuantity") : QStringLiteral("InvoicedQuantity"));
        m_x.writeAttribute(QStringLiteral("unitCode"), QStringLiteral("C62"));
        m_x.writeCharacters(NumberText(l.quantity));
        end();
        amount("LineExtensionAmount", l.net);
        start("Item");
        cbc("Name", l.name);
        if (!l.code.isEmpty()) {
            start("SellersItemIdentification");
            cbc("ID", l.code);
            end();
        }
        category("ClassifiedTaxCategory", l.vat);
        end();
        start("Price");
        amount("PriceAmount", l.price);
        end(2);
    }

};

}  // namespace

QByteArray WriteUbl(const Document& doc) { return detail::WriteWith<Ubl>(doc); }

}  // namespace einvoice
