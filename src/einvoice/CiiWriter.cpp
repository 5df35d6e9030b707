// UN/CEFACT Cross Industry Invoice D16B with the EN 16931 guideline: the same document as the UBL
// writer's, in the order the CII schema fixes. Factur-X embeds exactly this text.
#include "einvoice/XmlOut.h"

namespace einvoice {

namespace {

const QString kRsm = QStringLiteral("urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100");
const QString kRam = QStringLiteral("urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100");
const QString kUdt = QStringLiteral("urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100");

class Cii : detail::XmlOut {
public:
    Cii(const Document& d, QByteArray* out) : XmlOut(d, out) {}

    void write() {
        m_x.writeStartDocument();
        m_x.writeNamespace(kRsm, QStringLiteral("rsm"));
        m_x.writeNamespace(kRam, QStringLiteral("ram"));
        m_x.writeNamespace(kUdt, QStringLiteral("udt"));
        m_x.writeStartElement(kRsm, QStringLiteral("CrossIndustryInvoice"));
        m_x.writeStartElement(kRsm, QStringLiteral("ExchangedDocumentContext"));
        start("GuidelineSpecifiedDocumentContextParameter");
        ram("ID", QStringLiteral("urn:cen.eu:en16931:2017"));
        end(2);
        m_x.writeStartElement(kRsm, QStringLiteral("ExchangedDocument"));
        ram("ID", m_d.number);
        ram("TypeCode", m_d.creditNote ? QStringLiteral("381") : QStringLiteral("380"));
        date("IssueDateTime", m_d.issued);
        if (!m_d.note.isEmpty()) {
            start("IncludedNote");
            ram("Content", m_d.note);
            end();
        }
        end();
        m_x.writeStartElement(kRsm, QStringLiteral("SupplyChainTradeTransaction"));
        for (const Line& l : m_d.lines) line(l);
        start("ApplicableHeaderTradeAgreement");
        if (!m_d.buyerReference.isEmpty()) ram("BuyerReference", m_d.buyerReference);
        party("SellerTradeParty", m_d.seller);
        party("BuyerTradeParty", m_d.buyer);
        end();
        start("ApplicableHeaderTradeDelivery");
        end();
        settlement();
        end(2);
        m_x.writeEndDocument();
    }

private:
    void start(const char* name) { m_x.writeStartElement(kRam, QLatin1String(name)); }
    void ram(const char* name, const QString& text) { m_x.writeTextElement(kRam, QLatin1String(name), text); }
    void amount(const char* name, const base::Decimal& value) { ram(name, AmountText(value)); }
    void date(const char* name, const QDate& day) {
        start(name);
        m_x.writeStartElement(kUdt, QStringLiteral("DateTimeString"));
        m_x.writeAttribute(QStringLiteral("format"), QStringLiteral("102"));
        m_x.writeCharacters(day.toString(QStringLiteral("yyyyMMdd")));
        end(2);
    }

    void tax(const VatCategory& vat) {
        start("ApplicableTradeTax");
        ram("TypeCode", QStringLiteral("VAT"));
        ram("CategoryCode", vat.code);
        ram("RateApplicablePercent", NumberText(vat.rate));
        end();
    }

    void line(const Line& l) {
        start("IncludedSupplyChainTradeLineItem");
        start("AssociatedDocumentLineDocument");
        ram("LineID", l.id);
        if (!l.note.isEmpty()) {
            start("IncludedNote");
            ram("Content", l.note);
            end();
        }
        end();
        start("SpecifiedTradeProduct");
        if (!l.code.isEmpty()) ram("SellerAssignedID", l.code);
        ram("Name", l.name);
        end();
        start("SpecifiedLineTradeAgreement");
        start("NetPriceProductTradePrice");
        amount("ChargeAmount", l.price);
        end(2);
        start("SpecifiedLineTradeDelivery");
        m_x.writeStartElement(kRam, QStringLiteral("BilledQuantity"));
        m_x.writeAttribute(QStringLiteral("unitCode"), QStringLiteral("C62"));
        m_x.writeCharacters(NumberText(l.quantity));
        end(2);
        start("SpecifiedLineTradeSettlement");
        tax(l.vat);
        start("SpecifiedTradeSettlementLineMonetarySummation");
        amount("LineTotalAmount", l.net);
        end(3);
    }

    void party(const char* role, const Party& p) {
        start(role);
        ram("Name", p.name);
        if (!p.legalId.isEmpty()) {
            start("SpecifiedLegalOrganization");
            ram("ID", p.legalId);
            end();
        }
        start("PostalTradeAddress");
        if (!p.zip.isEmpty()) ram("PostcodeCode", p.zip);
        static const char* const kLines[] = {"LineOne", "LineTwo", "LineThree"};
        for (int i = 0; i < p.streetLines.size() && i < 3; ++i) ram(kLines[i], p.streetLines[i]);
        if (!p.city.isEmpty()) ram("CityName", p.city);
        ram("CountryID", p.country);
        end();
        if (!p.email.isEmpty()) {
            start("URIUniversalCommunication");
            m_x.writeStartElement(kRam, QStringLiteral("URIID"));
            m_x.writeAttribute(QStringLiteral("schemeID"), QStringLiteral("EM"));
            m_x.writeCharacters(p.email);
            end(2);
        }
        if (!p.taxId.isEmpty()) {
            start("SpecifiedTaxRegistration");
            m_x.writeStartElement(kRam, QStringLiteral("ID"));
            m_x.writeAttribute(QStringLiteral("schemeID"), QStringLiteral("VA"));
            m_x.writeCharacters(p.taxId);
            end(2);
        }
        end();
    }

    void settlement() {
        start("ApplicableHeaderTradeSettlement");
        ram("PaymentReference", m_d.number);
        ram("InvoiceCurrencyCode", m_d.currency);
        if (!m_d.account.isEmpty()) {
            start("SpecifiedTradeSettlementPaymentMeans");
            ram("TypeCode", QStringLiteral("30"));
            start("PayeePartyCreditorFinancialAccount");
            ram(looksLikeIban(m_d.account) ? "IBANID" : "ProprietaryID", m_d.account);
            end();
            if (!m_d.bic.isEmpty()) {
                start("PayeeSpecifiedCreditorFinancialInstitution");
                ram("BICID", m_d.bic);
                end();
            }
            end();
        }
        for (const VatBreakdown& v : m_d.vat) {
            start("ApplicableTradeTax");
            amount("CalculatedAmount", v.tax);
            ram("TypeCode", QStringLiteral("VAT"));
            if (!v.exemptionReason.isEmpty()) ram("ExemptionReason", v.exemptionReason);
            amount("BasisAmount", v.base);
            ram("CategoryCode", v.vat.code);
            ram("RateApplicablePercent", NumberText(v.vat.rate));
            end();
        }
        for (const Charge& c : m_d.charges) {
            start("SpecifiedTradeAllowanceCharge");
            start("ChargeIndicator");
            m_x.writeTextElement(kUdt, QStringLiteral("Indicator"), c.isCharge ? QStringLiteral("true") : QStringLiteral("false"));
            end();
            amount("ActualAmount", c.amount);
            ram("Reason", c.reason);
            start("CategoryTradeTax");
            ram("TypeCode", QStringLiteral("VAT"));
            ram("CategoryCode", c.vat.code);
            ram("RateApplicablePercent", NumberText(c.vat.rate));
            end(2);
        }
        start("SpecifiedTradePaymentTerms");
        ram("Description", m_d.terms);
        if (m_d.due.isValid()) date("DueDateDateTime", m_d.due);
        end();
        start("SpecifiedTradeSettlementHeaderMonetarySummation");
        amount("LineTotalAmount", m_d.lineTotal);
        if (!m_d.chargeTotal.isZero()) amount("ChargeTotalAmount", m_d.chargeTotal);
        if (!m_d.allowanceTotal.isZero()) amount("AllowanceTotalAmount", m_d.allowanceTotal);
        amount("TaxBasisTotalAmount", m_d.taxExclusive);
        m_x.writeStartElement(kRam, QStringLiteral("TaxTotalAmount"));
        m_x.writeAttribute(QStringLiteral("currencyID"), m_d.currency);
        m_x.writeCharacters(AmountText(m_d.taxTotal));
        end();
        amount("GrandTotalAmount", m_d.taxInclusive);
        if (!m_d.paid.isZero()) amount("TotalPrepaidAmount", m_d.paid);
        amount("DuePayableAmount", m_d.payable);
        end(2);
    }

    // Two letters and two digits first, no blanks: written as an IBAN, anything else as the bank's own
    // account number.
    static bool looksLikeIban(const QString& account) {
        return account.size() >= 15 && account[0].isLetter() && account[1].isLetter() && account[2].isDigit() &&
               account[3].isDigit() && !account.contains(QLatin1Char(' '));
    }

};

}  // namespace

QByteArray WriteCii(const Document& doc) { return detail::WriteWith<Cii>(doc); }

}  // namespace einvoice
