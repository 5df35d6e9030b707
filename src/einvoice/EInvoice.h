#pragma once
// A stored invoice as electronic invoice data of the European standard EN 16931: the document built
// from the invoice's records (what was printed is what is sent), and its two syntaxes, UBL 2.1 and
// UN/CEFACT CII D16B. Logic only: text in, XML text out.
//
// The two computed lines: the one the settings name as the GST/VAT tax (GSTField) becomes the VAT
// breakdown, at its rate, over the lines subject to it (category S) and those that are not (category
// E, exempt); the other becomes a document-level charge (an allowance when negative) that carries the
// VAT category the ShipTax rule gives it. The VAT amount is the stored one: where the "Up" or "Down"
// rounding makes it differ by a cent from the standard's rounding of base x rate, the standard's rule
// still holds, for it accepts any amount within one currency unit of that figure; an amount further
// off (typed by hand) is refused before anything is written.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

#include "base/Decimal.h"
#include "invoicing/InvoiceCalc.h"
#include "store/Parties.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace einvoice {

enum class Syntax { Ubl, Cii };

// How the settings define the two computed lines.
struct TaxSetup {
    invoicing::TaxRules rules;
    int gstField = 2;  // which computed line is the VAT (1 or 2; anything else counts as 2)
    QString line1Caption, line2Caption;
    static TaxSetup fromSettings();
};

// Everything an e-invoice is made of, as stored.
struct Source {
    long invoiceRec = 0;  // the invoice's record in INV5 (what printing it loads)
    store::InvBuffer inv;
    std::vector<store::ItmBuffer> items;
    std::vector<store::PmtBuffer> payments;
    store::CustBuffer customer;
    bool customerFound = false;
    store::PartyBuffer seller, buyer;
    bool sellerFound = false, buyerFound = false;
    QString company;  // the letterhead's company name, the seller's name when its record names none
    TaxSetup tax;
};

struct Party {
    QString name, legalId, taxId, email;
    QStringList streetLines;  // up to three
    QString city, zip, country;
};

struct VatCategory {
    QString code;  // "S" or "E"
    base::Decimal rate;
    bool operator==(const VatCategory&) const = default;
};

struct Line {
    QString id, code, name, note;
    base::Decimal quantity, price, net;
    VatCategory vat;
};

struct Charge {
    bool isCharge = true;  // false: an allowance
    base::Decimal amount;  // never negative
    QString reason;
    VatCategory vat;
};

struct VatBreakdown {
    VatCategory vat;
    base::Decimal base, tax;
    QString exemptionReason;
};

struct Document {
    QString number;
    QDate issued, due;  // due: invalid when the invoice is due on issue
    bool creditNote = false;
    QString currency, note, terms, buyerReference;
    Party seller, buyer;
    QString account, bic;  // the seller's bank account: the payment means when set
    std::vector<Line> lines;
    std::vector<Charge> charges;
    std::vector<VatBreakdown> vat;
    base::Decimal lineTotal, chargeTotal, allowanceTotal, taxExclusive, taxTotal, taxInclusive, paid, payable;
};

// The document of an invoice, or false with every item that is missing or does not fit in *problems
// (one sentence each, naming it: "the seller's tax registration number", ...).
bool BuildDocument(const Source& source, Document* doc, QStringList* problems);

QByteArray WriteUbl(const Document& doc);
QByteArray WriteCii(const Document& doc);
inline QByteArray WriteXml(Syntax syntax, const Document& doc) {
    return syntax == Syntax::Ubl ? WriteUbl(doc) : WriteCii(doc);
}

// Amounts as the standard writes them: two decimals, '.'; quantities and rates without trailing zeros.
QString AmountText(const base::Decimal& amount);
QString NumberText(const base::Decimal& number);

}  // namespace einvoice
