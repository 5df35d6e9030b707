#include "store/DemoData.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/Format.h"
#include "base/Money.h"
#include "store/Parties.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"

namespace store {
namespace {

// splitmix64: small, fast, and the same sequence on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    long below(long n) { return n <= 0 ? 0 : static_cast<long>(next() % static_cast<uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T, size_t N>
    const T& pick(const std::array<T, N>& items) { return items[static_cast<size_t>(below(N))]; }

private:
    uint64_t m_state;
};

const std::array<const char*, 5> kTitles{"Mr", "Mrs", "Ms", "Dr", ""};
const std::array<const char*, 24> kFirstNames{
    "Alice", "Bruno",  "Chloe", "Dmitri", "Elena", "Farid",  "Grace",  "Hamish", "Ines",  "Jonah", "Keiko",  "Liam",
    "Maya",  "Nikolai", "Olive", "Pavel", "Quinn", "Rosa",   "Samir",  "Tessa",  "Umar",  "Vera",  "Wendell", "Zoe"};
const std::array<const char*, 24> kLastNames{
    "Abernethy", "Bellweather", "Castellano", "Draycott", "Eastwick",  "Fairbairn", "Gallagher", "Holloway",
    "Ingersoll", "Jessop",      "Kowalczyk",  "Lindqvist", "Montague", "Nakamura",  "Oyelaran",  "Pemberton",
    "Quartermain", "Rasmussen", "Saltonstall", "Trevelyan", "Underhill", "Villeneuve", "Whitcombe", "Yardley"};
const std::array<const char*, 16> kCompanyWords{"Acorn", "Basalt", "Cobalt", "Driftwood", "Ember",  "Fernleaf",
                                                "Granite", "Heron", "Ironbark", "Juniper",  "Kestrel", "Lantern",
                                                "Marlin", "Nettle", "Orchard", "Pinewood"};
const std::array<const char*, 8> kCompanyKinds{"Joinery", "Catering", "Plumbing", "Design", "Motors", "Books",
                                               "Florists", "Electrics"};
const std::array<const char*, 12> kStreets{"Harbour Road", "Mill Lane",  "Quarry Street", "Station Parade",
                                           "Elm Avenue",   "Kings Way",  "Ferry Street",  "Orchard Close",
                                           "Bridge Road",  "Chapel Row", "Market Square", "Tannery Lane"};
const std::array<const char*, 10> kTowns{"Port Melville", "Ashcombe",  "Brackenridge", "Colwater", "Dunmore",
                                         "Eastfield",     "Glenhaven", "Hollin Bay",   "Kirkby",   "Westbrook"};
const std::array<const char*, 4> kGroups{"Retail", "Trade", "Wholesale", "Staff"};
const std::array<const char*, 4> kDepts{"Sales", "Service", "Parts", ""};
const std::array<const char*, 4> kInvoiceNotes{"Thank you for your business.",
                                               "Goods remain our property until paid in full.",
                                               "Delivered to the side entrance as requested.",
                                               "Balance payable within 30 days."};

struct ProductModel {
    const char* code;
    const char* desc;
    const char* comm;
    double price;
    bool inventory;
    bool taxed;
};

const std::array<ProductModel, 40> kProducts{{
    {"PAPER-A4", "Copy paper A4 80gsm", "Box of 5 reams", 42.50, true, true},
    {"PAPER-A3", "Copy paper A3 80gsm", "Box of 3 reams", 58.00, true, true},
    {"PEN-BLK", "Ballpoint pens, black", "Box of 50", 18.90, true, true},
    {"PEN-BLU", "Ballpoint pens, blue", "Box of 50", 18.90, true, true},
    {"STAPLER", "Desk stapler", "Full strip, 20 sheets", 24.95, true, true},
    {"STAPLES", "Staples 26/6", "Box of 5000", 3.40, true, true},
    {"FOLDER-M", "Manila folders", "Pack of 100", 21.00, true, true},
    {"BINDER-2R", "Ring binder, 2 ring", "Pack of 10", 27.50, true, true},
    {"ENV-DL", "Envelopes DL window", "Box of 500", 36.00, true, true},
    {"ENV-C4", "Envelopes C4", "Box of 250", 44.00, true, true},
    {"TONER-L1", "Laser toner cartridge", "Yield 3000 pages", 129.00, true, true},
    {"INK-C4", "Inkjet cartridge set", "Four colours", 86.50, true, true},
    {"CALC-DSK", "Desk calculator", "12 digit, solar", 32.00, true, true},
    {"CHAIR-OP", "Operator chair", "Adjustable, fabric", 249.00, true, true},
    {"DESK-1200", "Desk 1200 x 750", "Beech laminate", 389.00, true, true},
    {"LAMP-LED", "LED desk lamp", "Dimmable", 64.00, true, true},
    {"SHRED-8", "Shredder 8 sheet", "Cross cut", 159.00, true, true},
    {"LABEL-3X10", "Address labels 3 x 10", "100 sheets", 31.50, true, true},
    {"WBOARD-90", "Whiteboard 900 x 600", "Magnetic", 119.00, true, true},
    {"MARKER-WB", "Whiteboard markers", "Pack of 4", 9.80, true, true},
    {"DELIVERY", "Delivery", "Metropolitan area", 15.00, false, true},
    {"LABOUR", "Labour", "Per hour", 85.00, false, true},
    {"INSTALL", "Installation", "Per item", 45.00, false, true},
    {"REPAIR", "Repair service", "Per hour", 95.00, false, true},
    {"CONSULT", "Consulting", "Per hour", 140.00, false, true},
    {"TRAINING", "Training session", "Half day", 420.00, false, true},
    {"DESIGN", "Design work", "Per hour", 110.00, false, true},
    {"PRINT-BW", "Printing, black and white", "Per 100 pages", 12.00, false, true},
    {"PRINT-CLR", "Printing, colour", "Per 100 pages", 38.00, false, true},
    {"BIND-COMB", "Comb binding", "Per document", 6.50, false, true},
    {"LAMINATE", "Laminating A4", "Per sheet", 2.20, false, true},
    {"SCAN", "Scanning to PDF", "Per 100 pages", 18.00, false, true},
    {"COURIER", "Courier", "Same day", 28.00, false, true},
    {"RUSH", "Rush surcharge", "", 25.00, false, true},
    {"HIRE-PROJ", "Projector hire", "Per day", 75.00, false, true},
    {"HIRE-CHAIR", "Chair hire", "Per chair per day", 4.50, false, true},
    {"BOOKS-TAX", "Tax guide handbook", "Current edition", 49.95, true, false},
    {"BOOKS-BUS", "Small business handbook", "Current edition", 39.95, true, false},
    {"DONATION", "Donation", "Thank you", 50.00, false, false},
    {"DEPOSIT", "Deposit", "Refundable", 100.00, false, false},
}};

struct Product {
    QString code;
    const ProductModel* model;
    base::Decimal price;
    long sold = 0;  // inventory items sell in whole units
};

using base::Decimal;

// n percent of an amount, in cents.
Decimal percentInCents(long n, const Decimal& amount) { return base::RoundMoney(base::PercentOf(Decimal(n), amount)); }

class DemoWriter {
public:
    DemoWriter(const DemoTables& tables, const DataDirOptions& options, const SettingsBuffer& settings)
        : m_t(tables), m_o(options), m_settings(settings), m_rng(options.seed) {}

    int write() {
        int rc = 0;
        makeProducts();
        if ((rc = writeGroups()) != 0) return rc;
        if ((rc = writeCustomers()) != 0) return rc;
        if ((rc = writeInvoices()) != 0) return rc;
        if ((rc = writeProductsAndPurchases()) != 0) return rc;
        if ((rc = writeLabels()) != 0) return rc;
        return writeParties();
    }

private:
    template <class B>
    static int appendRecord(xbase::Table* table, const B& buffer) {
        if (!table) return xbase::kErrArgument;
        if (const int rc = table->appendBlank()) return rc;
        return WriteRecord(table, buffer);
    }

    void makeProducts() {
        const long count = DemoProductCount(m_o.invoices);
        m_products.reserve(static_cast<size_t>(count));
        for (long i = 0; i < count; ++i) {
            const ProductModel& model = kProducts[static_cast<size_t>(i) % kProducts.size()];
            const long round = i / static_cast<long>(kProducts.size());
            // Beyond the first forty, variants of them with codes of their own.
            const QString code = round == 0 ? QString::fromLatin1(model.code)
                                            : QStringLiteral("P%1").arg(i + 1, 7, 10, QLatin1Char('0'));
            const Decimal listed = Decimal::fromDouble(model.price);
            const Decimal price = round == 0 ? listed : percentInCents(80 + 5 * (round % 9), listed);
            m_products.push_back({code, &model, price});
        }
    }

    int writeGroups() {
        for (size_t g = 0; g < kGroups.size(); ++g) {
            if (const int rc = appendRecord(m_t.groups, GroupBuffer{static_cast<int>(g + 1), QString::fromLatin1(kGroups[g])})) return rc;
        }
        return 0;
    }

    int writeCustomers() {
        for (long n = 1; n <= m_o.customers; ++n) {
            if (const int rc = appendRecord(m_t.cust, customer(n))) return rc;
        }
        return 0;
    }

    CustBuffer customer(long n) {
        CustBuffer c;
        c.cuno = n;
        c.title = QString::fromLatin1(m_rng.pick(kTitles));
        c.first = QString::fromLatin1(m_rng.pick(kFirstNames));
        c.last = QString::fromLatin1(m_rng.pick(kLastNames));
        const QString street = QStringLiteral("%1 %2").arg(1 + m_rng.below(240)).arg(QLatin1String(m_rng.pick(kStreets)));
        if (m_rng.chance(55)) {
            c.addr1 = QStringLiteral("%1 %2").arg(QLatin1String(m_rng.pick(kCompanyWords)),
                                                  QLatin1String(m_rng.pick(kCompanyKinds)));
            c.addr2 = street;
        } else {
            c.addr1 = street;
        }
        if (m_rng.chance(15)) c.addr3 = QStringLiteral("PO Box %1").arg(100 + m_rng.below(900));
        c.addr4 = QString::fromLatin1(m_rng.pick(kTowns));
        c.zip = QString::number(3000 + m_rng.below(900));
        c.ngroup = static_cast<int>(1 + m_rng.below(static_cast<long>(kGroups.size())));
        c.phone = QStringLiteral("(03) 5550 %1").arg(m_rng.below(10000), 4, 10, QLatin1Char('0'));
        if (m_rng.chance(30)) c.fax = QStringLiteral("(03) 5551 %1").arg(m_rng.below(10000), 4, 10, QLatin1Char('0'));
        c.email = QStringLiteral("%1.%2@example.com").arg(c.first.toLower(), c.last.toLower());
        if (m_rng.chance(20)) c.note = QStringLiteral("Prefers invoices by email");
        if (n % 5 == 0)
            c.comments = QStringLiteral("Customer since %1.\r\nDeliveries before noon only.").arg(2010 + n % 15);
        return c;
    }

    int writeInvoices() {
        const double firstDay = m_o.asOf - 364;
        for (long k = 0; k < m_o.invoices; ++k) {
            const double day = firstDay + static_cast<double>((k * 365) / std::max(1L, m_o.invoices));
            if (const int rc = writeInvoice(1001 + k, day)) return rc;
        }
        return 0;
    }

    int writeInvoice(long ivNo, double day) {
        Decimal subTotal, base1, base2;
        const long lines = 1 + m_rng.below(5);
        for (long l = 0; l < lines; ++l) {
            Product& p = m_products[static_cast<size_t>(m_rng.below(static_cast<long>(m_products.size())))];
            ItmBuffer item;
            item.IvNo = ivNo;
            item.PrID = p.code;
            // Goods sell in whole units, services by the half hour.
            const long count = 1 + m_rng.below(p.model->inventory ? 10 : 16);
            item.Qty = p.model->inventory ? Decimal(count) : Decimal(5 * count).dividedBy(Decimal(10), 1);
            item.UPR = p.price;
            item.LTax1 = false;
            item.LTax2 = p.model->taxed;
            item.PDesc = QString::fromLatin1(p.model->desc);
            item.IComm = QString::fromLatin1(p.model->comm);
            if (const int rc = appendRecord(m_t.itm, item)) return rc;
            const Decimal lineTotal = base::LineTotal(item.Qty, item.UPR);
            subTotal += lineTotal;
            if (item.LTax1) base1 += lineTotal;
            if (item.LTax2) base2 += lineTotal;
            if (p.model->inventory) p.sold += count;
        }

        InvBuffer inv;
        inv.IvNo = ivNo;
        inv.CuNo = 1 + m_rng.below(m_o.customers);
        inv.IDate = day;
        inv.Dept = QString::fromLatin1(m_rng.pick(kDepts));
        const long ref = m_rng.below(3);
        if (ref == 0) inv.IMemo = QStringLiteral("Check %1").arg(m_rng.below(1000000), 6, 10, QLatin1Char('0'));
        if (ref == 1) inv.IMemo = QStringLiteral("Card ending %1").arg(m_rng.below(10000), 4, 10, QLatin1Char('0'));
        // Computed line 1 at a rate of 0 is an amount typed by hand (the freight of some invoices).
        const Decimal zero;
        inv.Ship = m_settings.TaxRate1 > zero ? base::RoundMoney(base::PercentOf(m_settings.TaxRate1, base1))
                                              : (m_rng.chance(30) ? Decimal(5 + m_rng.below(21)) : zero);
        if (m_settings.ShipTax == 2) base2 += inv.Ship;
        inv.Tax = base::RoundMoney(base::PercentOf(m_settings.TaxRate2, base2));
        if (ivNo % 12 == 0) inv.REM = QString::fromLatin1(m_rng.pick(kInvoiceNotes));
        const Decimal total = subTotal + inv.Ship + inv.Tax;
        Decimal paid;
        if (const int rc = writePayments(inv, total, &paid)) return rc;
        inv.Due = total - paid;
        if (const int rc = appendRecord(m_t.inv, inv)) return rc;
        return 0;
    }

    // Older invoices are mostly settled; recent ones are more often still owing.
    int writePayments(const InvBuffer& inv, const Decimal& total, Decimal* paid) {
        const double age = m_o.asOf - inv.IDate;
        const int fullPct = age > 60 ? 92 : age > 20 ? 60 : 30;
        const int partPct = age > 60 ? 5 : age > 20 ? 15 : 10;
        const long roll = m_rng.below(100);
        std::vector<Decimal> amounts;
        if (roll < fullPct) {
            if (total >= Decimal(200) && m_rng.chance(15)) {
                const Decimal half = total.dividedBy(Decimal(2), 2);
                amounts = {half, total - half};
            } else {
                amounts = {total};
            }
        } else if (roll < fullPct + partPct) {
            amounts = {percentInCents(40 + m_rng.below(31), total)};
        }
        const GstLine gst = GstLineOf(m_settings);
        const Decimal& gstRate = gst.rate;
        const bool taxIncluded = gst.amountOf(inv.Ship, inv.Tax) > Decimal() && gstRate > Decimal();
        double day = inv.IDate;
        for (const Decimal& amount : amounts) {
            day = std::min(m_o.asOf, day + 1 + m_rng.below(30));
            PmtBuffer p;
            p.IvNo = inv.IvNo;
            p.PDate = day;
            p.PAmt = amount;
            p.lGST = taxIncluded;
            p.GST = taxIncluded ? base::IncludedTax(gstRate, amount) : Decimal();
            if (const int rc = appendRecord(m_t.pmt, p)) return rc;
            *paid += amount;
        }
        return 0;
    }

    int writeProductsAndPurchases() {
        long purNo = 0;
        for (size_t i = 0; i < m_products.size(); ++i) {
            const Product& p = m_products[i];
            long bought = 0;
            if (p.model->inventory) {
                // Enough stock bought over the year for what was sold, in three deliveries.
                const long want = p.sold + 10 + m_rng.below(40);
                const long each = (want + 2) / 3;
                for (int d = 0; d < 3; ++d) {
                    PurBuffer pur;
                    pur.PURProd = p.code;
                    pur.PURDate = m_o.asOf - 400 + d * 120 + m_rng.below(60);
                    pur.PURQty = Decimal(each);
                    pur.PURCost = percentInCents(50 + m_rng.below(15), Decimal(each) * p.price);
                    pur.PURNo = ++purNo;
                    if (const int rc = appendRecord(m_t.pur, pur)) return rc;
                    bought += each;
                }
            }
            ProdBuffer prod;
            prod.PrID = p.code;
            prod.RCode = QStringLiteral("R%1").arg(i + 1, 5, 10, QLatin1Char('0'));
            prod.PDesc = QString::fromLatin1(p.model->desc);
            prod.IComm = QString::fromLatin1(p.model->comm);
            prod.UPrice = p.price;
            prod.LTax1 = false;
            prod.LTax2 = p.model->taxed;
            prod.lInven = p.model->inventory;
            prod.REORDER = p.model->inventory ? Decimal(5 + m_rng.below(16)) : Decimal();
            prod.ONHAND = p.model->inventory ? Decimal(bought - p.sold) : Decimal();
            if (i % 7 == 0) prod.PMemo = QStringLiteral("%1: 12 months warranty on parts.").arg(p.code);
            if (const int rc = appendRecord(m_t.prod, prod)) return rc;
        }
        return 0;
    }

    int writeLabels() {
        // Label measures are printer points (1/72 inch).
        using namespace base::literals;
        LabelBuffer sheet;
        sheet.Name = QStringLiteral("Sheet 3 x 10");
        sheet.TopM = 36;
        sheet.LeftM = 13.5_dec;
        sheet.BottomM = 36;
        sheet.RightM = 13.5_dec;
        sheet.Width = 189;
        sheet.Height = 72;
        sheet.HGap = 9;
        sheet.VGap = 0;
        sheet.NAcross = 3;
        sheet.Continuous = false;
        LabelBuffer roll;
        roll.Name = QStringLiteral("Continuous 1 across");
        roll.Width = 252;
        roll.Height = 72;
        roll.VGap = 4.5_dec;
        roll.NAcross = 1;
        roll.Continuous = true;
        for (const LabelBuffer& label : {sheet, roll}) {
            if (const int rc = appendRecord(m_t.labels, label)) return rc;
        }
        return 0;
    }

    // What every demo invoice needs to go out as an e-invoice. Draws nothing from the generator, so the
    // other tables are the same with or without it.
    int writeParties() {
        if (!m_t.party) return 0;
        PartyBuffer seller;
        seller.CuNo = kSellerParty;
        seller.Name = QStringLiteral("Bluegum Office Supplies Pty Ltd");
        seller.Street = QStringLiteral("12 Harbour Road");
        seller.City = QStringLiteral("Port Melville");
        seller.Zip = QStringLiteral("3999");
        seller.Country = QStringLiteral("AU");
        seller.TaxId = QStringLiteral("AU51824753556");
        seller.Currency = QStringLiteral("AUD");
        seller.Iban = QStringLiteral("062000 12345678");  // an account number where IBANs are not used
        seller.Bic = QStringLiteral("CTBAAU2S");
        seller.DueDays = 30;
        seller.Email = QStringLiteral("accounts@example.com");
        if (const int rc = appendRecord(m_t.party, seller)) return rc;
        for (long n = 1; n <= m_o.customers; ++n) {
            PartyBuffer buyer;
            buyer.CuNo = n;
            buyer.Country = QStringLiteral("AU");
            if (n % 4 == 0) buyer.BuyerRef = QStringLiteral("PO %1").arg(4000 + n);
            if (const int rc = appendRecord(m_t.party, buyer)) return rc;
        }
        return 0;
    }

    DemoTables m_t;
    DataDirOptions m_o;
    SettingsBuffer m_settings;
    Rng m_rng;
    std::vector<Product> m_products;
};

}  // namespace

long DemoProductCount(long invoices) { return std::max(40L, invoices * 40 / 300); }

void DemoLetterhead(SettingsBuffer* s) {
    s->Company = QStringLiteral("Bluegum Office Supplies");
    s->Addr1 = QStringLiteral("12 Harbour Road");
    s->Addr2 = QStringLiteral("Port Melville 3999");
    s->Addr3 = QStringLiteral("Phone (03) 5550 0100");
    s->Addr4 = QStringLiteral("accounts@example.com");
    s->CloLine = QStringLiteral("With thanks,");
    s->SigLine = QStringLiteral("Accounts Department");
    s->LabID = QStringLiteral("Sheet 3 x 10");
}

int WriteDemoBusiness(const DemoTables& tables, const DataDirOptions& options, const SettingsBuffer& settings) {
    return DemoWriter(tables, options, settings).write();
}

}  // namespace store
