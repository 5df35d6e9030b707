#include "einvoice/EInvoice.h"

#include "base/Format.h"
#include "base/Money.h"
#include "store/Settings.h"
#include "store/RecordBuffers.h"

namespace einvoice {

using base::Decimal;

TaxSetup TaxSetup::fromSettings() {
    const store::SettingsBuffer& s = store::SettingsRec;
    return TaxSetup{invoicing::TaxRules::fromSettings(), s.GSTField, s.ShipLine.trimmed(), s.TaxLine.trimmed()};
}

QString AmountText(const Decimal& amount) { return amount.toFixed(2); }

QString NumberText(const Decimal& number) {
    QString text = number.toFixed(Decimal::kPlaces);
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

namespace {

const VatCategory kExempt{QStringLiteral("E"), Decimal()};

bool isCode(const QString& text, int letters) {
    if (text.size() != letters) return false;
    for (QChar c : text)
        if (c < QLatin1Char('A') || c > QLatin1Char('Z')) return false;
    return true;
}

// The buyer: the e-invoice record's legal name; else the company, which the first address line holds
// when a street follows it (a first line starting with a number is the street); else the person. The
// address is the customer's, less the line that became the name.
Party buyerParty(const Source& s) {
    const store::CustBuffer& c = s.customer;
    Party p;
    const QString person = (c.first.trimmed() + QLatin1Char(' ') + c.last.trimmed()).trimmed();
    const QString first = c.addr1.trimmed();
    const bool company = !first.isEmpty() && !first.front().isDigit() && !c.addr2.trimmed().isEmpty();
    p.name = !s.buyer.Name.isEmpty() ? s.buyer.Name : company || person.isEmpty() ? first : person;
    for (const QString& line : {c.addr1.trimmed(), c.addr2.trimmed(), c.addr3.trimmed()})
        if (!line.isEmpty() && line != p.name && p.streetLines.size() < 3) p.streetLines << line;
    p.city = c.addr4.trimmed();
    p.zip = c.zip.trimmed();
    p.country = s.buyer.Country.toUpper();
    p.taxId = s.buyer.TaxId;
    p.legalId = s.buyer.LegalId;
    p.email = !s.buyer.Email.isEmpty() ? s.buyer.Email : c.email.trimmed();
    return p;
}

Party sellerParty(const Source& s) {
    const store::PartyBuffer& r = s.seller;
    Party p;
    p.name = !r.Name.isEmpty() ? r.Name : s.company.trimmed();
    for (const QString& line : {r.Street, r.Street2})
        if (!line.isEmpty()) p.streetLines << line;
    p.city = r.City;
    p.zip = r.Zip;
    p.country = r.Country.toUpper();
    p.taxId = r.TaxId;
    p.legalId = r.LegalId;
    p.email = r.Email;
    return p;
}

void checkParties(const Source& s, const Document& d, QStringList* problems) {
    if (!s.sellerFound) problems->append(QStringLiteral("the seller's e-invoice details (Setup)"));
    if (d.seller.name.isEmpty()) problems->append(QStringLiteral("the seller's legal name"));
    if (!isCode(d.seller.country, 2)) problems->append(QStringLiteral("the seller's country code (two letters)"));
    if (d.seller.taxId.isEmpty()) problems->append(QStringLiteral("the seller's tax registration number"));
    else if (!isCode(d.seller.taxId.left(2).toUpper(), 2))
        problems->append(QStringLiteral("the seller's tax registration number with its country prefix"));
    if (!isCode(d.currency, 3)) problems->append(QStringLiteral("the seller's currency code (three letters)"));
    if (!s.customerFound) {
        problems->append(QStringLiteral("the invoice's customer (number %1 is not on file)").arg(s.inv.CuNo));
        return;
    }
    if (d.buyer.name.isEmpty()) problems->append(QStringLiteral("the buyer's name"));
    if (!isCode(d.buyer.country, 2)) problems->append(QStringLiteral("the buyer's country code (two letters)"));
}

struct Sums {
    Decimal vatBase;  // what the VAT line's rate applies to
    Decimal exemptBase;
};

void addToBreakdown(Sums* sums, const VatCategory& vat, const Decimal& amount) {
    (vat.code == QLatin1String("S") ? sums->vatBase : sums->exemptBase) += amount;
}

}  // namespace

bool BuildDocument(const Source& s, Document* doc, QStringList* problems) {
    problems->clear();
    Document d;
    const store::InvBuffer& inv = s.inv;
    const bool vatIsFirst = s.tax.gstField == 1;
    const Decimal vatRate = vatIsFirst ? s.tax.rules.rate1 : s.tax.rules.rate2;
    const Decimal vatAmount = vatIsFirst ? inv.Ship : inv.Tax;
    const Decimal otherAmount = vatIsFirst ? inv.Tax : inv.Ship;
    const QString vatCaption = vatIsFirst ? s.tax.line1Caption : s.tax.line2Caption;
    const QString otherCaption = vatIsFirst ? s.tax.line2Caption : s.tax.line1Caption;
    const VatCategory standard{QStringLiteral("S"), vatRate};

    // The total decides the kind; a credit note states its amounts with the opposite sign.
    Decimal subTotal, base2;
    for (const store::ItmBuffer& item : s.items) {
        const Decimal net = base::LineTotal(item.Qty, item.UPR);
        subTotal += net;
        if (item.LTax2) base2 += net;
    }
    const Decimal total = subTotal + inv.Ship + inv.Tax;
    d.creditNote = total.isNegative();
    const Decimal sign = d.creditNote ? Decimal(-1) : Decimal(1);

    d.number = QString::number(inv.IvNo);
    d.issued = base::DateFromDay(inv.IDate);
    d.currency = (s.seller.Currency.isEmpty() ? store::LocaleCurrency() : s.seller.Currency).toUpper();
    d.note = inv.REM.trimmed();
    d.buyerReference = s.buyer.BuyerRef;
    d.seller = sellerParty(s);
    d.buyer = buyerParty(s);
    d.account = s.seller.Iban;
    d.bic = s.seller.Bic;
    checkParties(s, d, problems);
    if (!d.issued.isValid()) problems->append(QStringLiteral("the invoice date"));
    if (s.items.empty()) problems->append(QStringLiteral("at least one line item"));

    Sums sums;
    int n = 0;
    for (const store::ItmBuffer& item : s.items) {
        Line line;
        line.id = QString::number(++n);
        line.code = item.PrID.trimmed();
        line.name = item.PDesc.trimmed().isEmpty() ? line.code : item.PDesc.trimmed();
        line.note = item.IComm.trimmed();
        // The standard allows no negative price: a credit line's sign goes to its quantity.
        const bool flip = item.UPR.isNegative();
        line.price = flip ? -item.UPR : item.UPR;
        line.quantity = (flip ? -item.Qty : item.Qty) * sign;
        line.net = base::LineTotal(item.Qty, item.UPR) * sign;
        const bool subject = vatIsFirst ? item.LTax1 : item.LTax2;
        line.vat = subject && !vatRate.isZero() ? standard : kExempt;
        if (line.name.isEmpty()) problems->append(QStringLiteral("a description on line %1").arg(n));
        addToBreakdown(&sums, line.vat, line.net);
        d.lineTotal += line.net;
        d.lines.push_back(line);
    }

    if (!otherAmount.isZero()) {
        // The VAT is charged on the other line when it is line 1 and the ShipTax rule says so; a second
        // tax charged on the VAT (line 2 when the VAT is line 1) is outside the VAT itself.
        const bool taxed = !vatIsFirst && !vatRate.isZero() && invoicing::SecondChargedOnFirst(s.tax.rules, base2);
        Charge c;
        const Decimal amount = otherAmount * sign;
        c.isCharge = !amount.isNegative();
        c.amount = c.isCharge ? amount : -amount;
        c.reason = otherCaption.isEmpty() ? QStringLiteral("Charge") : otherCaption;
        c.vat = taxed ? standard : kExempt;
        addToBreakdown(&sums, c.vat, amount);
        (c.isCharge ? d.chargeTotal : d.allowanceTotal) += c.amount;
        d.charges.push_back(c);
    }

    const Decimal tax = vatAmount * sign;
    const bool anyStandard = std::any_of(d.lines.begin(), d.lines.end(), [](const Line& l) { return l.vat.code == QLatin1String("S"); }) ||
                             std::any_of(d.charges.begin(), d.charges.end(), [](const Charge& c) { return c.vat.code == QLatin1String("S"); });
    const bool anyExempt = std::any_of(d.lines.begin(), d.lines.end(), [](const Line& l) { return l.vat.code == QLatin1String("E"); }) ||
                           std::any_of(d.charges.begin(), d.charges.end(), [](const Charge& c) { return c.vat.code == QLatin1String("E"); });
    const QString caption = vatCaption.isEmpty() ? QStringLiteral("the tax line") : vatCaption;
    if (anyStandard) {
        const Decimal expected = base::RoundMoney(base::PercentOf(vatRate, sums.vatBase));
        const Decimal off = tax - expected;
        if (off >= Decimal(1) || off <= Decimal(-1))
            problems->append(QStringLiteral("%1 of %2 as %3% of %4 (%5 is stored; the rate was changed or the amount typed)")
                                 .arg(caption, AmountText(expected * sign), NumberText(vatRate),
                                      AmountText(sums.vatBase * sign), AmountText(vatAmount)));
        d.vat.push_back({standard, sums.vatBase, tax, QString()});
    } else if (!tax.isZero()) {
        problems->append(vatRate.isZero()
                             ? QStringLiteral("a rate for %1 (its amount %2 was typed)").arg(caption, AmountText(vatAmount))
                             : QStringLiteral("a line subject to %1 (it is %2)").arg(caption, AmountText(vatAmount)));
    }
    if (anyExempt || d.vat.empty())
        d.vat.push_back({kExempt, sums.exemptBase, Decimal(), QStringLiteral("Not subject to ") + caption});

    d.taxExclusive = d.lineTotal + d.chargeTotal - d.allowanceTotal;
    d.taxTotal = tax;
    d.taxInclusive = d.taxExclusive + d.taxTotal;
    for (const store::PmtBuffer& p : s.payments) d.paid += p.PAmt * sign;
    d.payable = d.taxInclusive - d.paid;
    if (d.payable * sign != inv.Due)
        problems->append(QStringLiteral("an amount due that is the total less the payments (%1 is stored, %2 computed); "
                                        "save the invoice again")
                             .arg(AmountText(inv.Due), AmountText(d.payable * sign)));
    const int days = std::max(0, s.seller.DueDays);
    if (d.issued.isValid() && days > 0 && !d.creditNote) d.due = d.issued.addDays(days);
    d.terms = days > 0 ? QStringLiteral("Payment within %1 days").arg(days) : QStringLiteral("Payment due on receipt");

    if (!problems->isEmpty()) return false;
    *doc = d;
    return true;
}

}  // namespace einvoice
