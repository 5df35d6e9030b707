// E-invoices checked by the standard's own rules: every demo invoice through corvane-report, and a
// table of invoices that exercise the computed lines, the rounding modes, credit notes, part payments
// and names beyond ASCII, written into one directory per syntax and validated in one run each.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include "base/Format.h"
#include "base/Money.h"
#include "einvoice/EInvoice.h"
#include "store/DataDir.h"
#include "store/Parties.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "support/TestSupport.h"

namespace {

using base::Decimal;
using namespace base::literals;
using einvoice::Source;

const QString kValidator = QStringLiteral(CORVANE_SOURCE_DIR "/../shared/einvoice/validate.sh");

struct ProcessRun {
    int code = -1;
    QString output;
};

ProcessRun runProcess(const QString& program, const QStringList& args, const QString& dir = QString()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    if (!dir.isEmpty()) p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(300000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// A seller and buyer with what the standard needs; names with letters beyond ASCII.
Source baseSource() {
    Source s;
    s.inv.IvNo = 5001;
    s.inv.CuNo = 7;
    s.inv.IDate = base::DayFromDate(QDate(2026, 3, 14));
    s.customerFound = s.sellerFound = s.buyerFound = true;
    s.customer.cuno = 7;
    s.customer.first = QStringLiteral("Zoë");
    s.customer.last = QStringLiteral("Ångström");
    s.customer.addr1 = QStringLiteral("Café Œuvre – Straße 5");
    s.customer.addr4 = QStringLiteral("Köln");
    s.customer.zip = QStringLiteral("50667");
    s.seller.Name = QStringLiteral("Bluegum Bürobedarf GmbH");
    s.seller.Street = QStringLiteral("Hafenstraße 12");
    s.seller.City = QStringLiteral("Düsseldorf");
    s.seller.Country = QStringLiteral("DE");
    s.seller.TaxId = QStringLiteral("DE123456789");
    s.seller.Currency = QStringLiteral("EUR");
    s.seller.Iban = QStringLiteral("DE89370400440532013000");
    s.seller.DueDays = 14;
    s.buyer.Country = QStringLiteral("DE");
    s.tax.line1Caption = QStringLiteral("Fracht");
    s.tax.line2Caption = QStringLiteral("MwSt");
    return s;
}

struct Case {
    const char* name;
    int shipTax, taxRound, gstField;
    Decimal rate1, rate2;
    std::vector<std::pair<Decimal, Decimal>> lines;  // quantity, price; subject to both lines
    Decimal typedShip;                               // computed line 1 when its rate is 0
    Decimal paid;
    const char* taxAmount;  // what the VAT total must read
};

// The computed lines as the invoice window computes them, then paid in part.
Source sourceOf(const Case& c) {
    Source s = baseSource();
    s.tax.rules = {c.rate1, c.rate2, c.shipTax, c.taxRound};
    s.tax.gstField = c.gstField;
    Decimal base1, base2, sub;
    for (const auto& [qty, price] : c.lines) {
        store::ItmBuffer item;
        item.IvNo = s.inv.IvNo;
        item.PrID = QStringLiteral("P%1").arg(s.items.size() + 1);
        item.PDesc = QStringLiteral("Gerät Nr. %1").arg(s.items.size() + 1);
        item.Qty = qty;
        item.UPR = price;
        item.LTax1 = item.LTax2 = true;
        s.items.push_back(item);
        const Decimal net = base::LineTotal(qty, price);
        base1 += net;
        base2 += net;
        sub += net;
    }
    s.inv.Ship = c.rate1.isZero() ? c.typedShip : base::RoundTax(base::PercentOf(c.rate1, base1), c.taxRound);
    if (invoicing::SecondChargedOnFirst(s.tax.rules, base2)) base2 += s.inv.Ship;
    s.inv.Tax = base::RoundTax(base::PercentOf(c.rate2, base2), c.taxRound);
    if (!c.paid.isZero()) s.payments.push_back({.IvNo = s.inv.IvNo, .PDate = s.inv.IDate, .PAmt = c.paid});
    s.inv.Due = sub + s.inv.Ship + s.inv.Tax - c.paid;
    return s;
}

class EInvoiceTest : public testing_support::DataDirTest {
protected:
    // Invoice 1001 as Factur-X: PDF/A-3 metadata with the Factur-X keys, every font embedded, and the
    // attachment extracted into dir, to be validated with the rest.
    void facturX(const QString& dir) {
        const QString pdf = dataDir() + QStringLiteral("/1001.pdf");
        const ProcessRun tool = runProcess(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"),
                                    {"-C", dataDir(), "einvoice", "--invoice", "1001", "--format", "facturx", "-o", pdf});
        ASSERT_EQ(tool.code, 0) << tool.output.toStdString();
        const ProcessRun detach = runProcess(QStringLiteral("pdfdetach"), {"-save", "1", "-o", dir + "/facturx-1001.xml", pdf});
        ASSERT_EQ(detach.code, 0) << detach.output.toStdString();
        const ProcessRun list = runProcess(QStringLiteral("pdfdetach"), {"-list", pdf});
        EXPECT_TRUE(list.output.contains(QStringLiteral("1: factur-x.xml"))) << list.output.toStdString();
        const ProcessRun meta = runProcess(QStringLiteral("pdfinfo"), {"-meta", pdf});
        for (const char* key : {"pdfaid:part=\"3\"", "<fx:DocumentType>INVOICE</fx:DocumentType>",
                                "<fx:Version>1.0</fx:Version>", "<fx:ConformanceLevel>EN 16931</fx:ConformanceLevel>",
                                "<fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>"})
            EXPECT_TRUE(meta.output.contains(QLatin1String(key))) << key << "\n" << meta.output.toStdString();
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.contains("/AFRelationship /Data") && bytes.contains("/OutputIntents") && bytes.startsWith("%PDF-1.7"));
        const ProcessRun fonts = runProcess(QStringLiteral("pdffonts"), {pdf});
        const QStringList rows = fonts.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        EXPECT_FALSE(rows.isEmpty());
        for (const QString& row : rows) EXPECT_TRUE(row.contains(QRegularExpression(QStringLiteral(" yes +(yes|no) +(yes|no) +\\d+ +\\d+$")))) << row.toStdString();
    }
};

TEST_F(EInvoiceTest, EveryDemoInvoiceAndEveryKindOfInvoiceValidatesInBothSyntaxes) {
    store::DataDirOptions o;
    o.demo = true;
    o.asOf = base::DayFromDate(QDate(2026, 6, 30));
    ASSERT_EQ(store::WriteDataDir(dataDir(), o), 0);
    const Case cases[] = {
        // Rounding: 10% of 100.01 is 10.001, up 10.01 where the standard rounds to 10.00; 19% of 33.36 is
        // 6.3384, down 6.33 against 6.34. The stored amounts stand; the rule's tolerance accepts them.
        {"round-normal", 1, 1, 2, 0, 10, {{1, 33.33_dec}, {1.5_dec, 66.67_dec}}, 0, 0, "13.33"},
        {"round-up", 1, 2, 2, 0, 10, {{1.5_dec, 66.67_dec}}, 0, 0, "10.01"},
        {"round-down", 1, 3, 2, 0, 19, {{3, 11.12_dec}}, 0, 0, "6.33"},
        // Freight typed (rate 0) and VAT charged on it: never, always, when lines are subject.
        {"ship-no", 1, 1, 2, 0, 20, {{2, 50}}, 7.5_dec, 0, "20.00"},
        {"ship-yes", 2, 1, 2, 0, 20, {{2, 50}}, 7.5_dec, 0, "21.50"},
        {"ship-when-items", 3, 1, 2, 0, 20, {{2, 50}}, 7.5_dec, 0, "21.50"},
        // Both lines computed: a 5% surcharge under 19% VAT, rounded up and down.
        {"both-computed-up", 2, 2, 2, 5, 19, {{3, 12.34_dec}}, 0, 0, "7.39"},
        {"both-computed-down", 3, 3, 2, 5, 19, {{3, 12.34_dec}}, 0, 0, "7.38"},
        // The VAT as computed line 1, the other line a second tax outside it.
        {"vat-first", 2, 1, 1, 10, 2, {{4, 25}}, 0, 0, "10.00"},
        {"part-paid", 1, 1, 2, 0, 19, {{10, 9.99_dec}}, 0, 50, "18.98"},
        {"credit-note", 2, 1, 2, 0, 19, {{-2, 40}, {-1, -10}}, -5, 0, "-14.25"},
    };
    const QString root = dataDir() + QStringLiteral("/out");
    const QStringList syntaxes{QStringLiteral("ubl"), QStringLiteral("cii")};
    for (const QString& syntax : syntaxes) {
        const QString dir = root + QLatin1Char('/') + syntax;
        const ProcessRun tool = runProcess(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"),
                                    {"-C", dataDir(), "einvoice", "--from", "2025-01-01", "--to", "2026-12-31",
                                     "--format", syntax, "-o", dir});
        ASSERT_EQ(tool.code, 0) << tool.output.toStdString();
        EXPECT_EQ(QDir(dir).entryList({"*.xml"}).size(), 300);
        for (const Case& c : cases) {
            einvoice::Document doc;
            QStringList problems;
            ASSERT_TRUE(einvoice::BuildDocument(sourceOf(c), &doc, &problems)) << c.name << ": " << problems.join("; ").toStdString();
            EXPECT_EQ(einvoice::AmountText(doc.creditNote ? -doc.taxTotal : doc.taxTotal), QLatin1String(c.taxAmount)) << c.name;
            const QByteArray xml = einvoice::WriteXml(syntax == "ubl" ? einvoice::Syntax::Ubl : einvoice::Syntax::Cii, doc);
            QFile file(dir + QStringLiteral("/case-%1.xml").arg(QLatin1String(c.name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(xml);
        }
        if (syntax == QLatin1String("cii")) facturX(dir);
        const ProcessRun check = runProcess(QStringLiteral("bash"), {kValidator, syntax, dir});
        EXPECT_EQ(check.code, 0) << check.output.toStdString();
        EXPECT_TRUE(check.output.contains(QStringLiteral("0 fatal"))) << check.output.toStdString();
    }
}

// A span writes every invoice that has what it needs and names what the others lack: exit code 1, and no
// file for them.
TEST_F(EInvoiceTest, ToolWritesTheValidInvoicesOfASpanAndNamesWhatTheOthersLack) {
    store::DataDirOptions o;
    o.demo = true;
    o.customers = 3;
    o.invoices = 12;
    o.asOf = base::DayFromDate(QDate(2026, 6, 30));
    ASSERT_EQ(store::WriteDataDir(dataDir(), o), 0);
    store::EngineInit();
    store::PartyBuffer buyer;
    ASSERT_TRUE(store::ReadPartyRecord(2, &buyer));
    buyer.Country.clear();
    ASSERT_TRUE(store::StorePartyRecord(buyer).ok());
    ASSERT_TRUE(store::OpenInv());
    QStringList lacking;
    for (int rc = store::InvTable->top(); rc == 0; rc = store::InvTable->skip())
        if (store::ReadField(store::InvTable, &store::InvBuffer::CuNo) == 2)
            lacking << QString::number(store::ReadField(store::InvTable, &store::InvBuffer::IvNo));
    store::EngineEnd();
    ASSERT_FALSE(lacking.isEmpty());

    const QString out = dataDir() + QStringLiteral("/span");
    const ProcessRun run = runProcess(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"),
                                      {"-C", dataDir(), "einvoice", "--from", "2025-01-01", "--to", "2026-12-31",
                                       "--format", "cii", "-o", out});
    EXPECT_EQ(run.code, 1);
    for (const QString& n : lacking) {
        EXPECT_TRUE(run.output.contains(QStringLiteral("Invoice %1 cannot be sent as an e-invoice. It needs the buyer's country code").arg(n)))
            << run.output.toStdString();
        EXPECT_FALSE(QFile::exists(out + QLatin1Char('/') + n + QStringLiteral(".xml"))) << n.toStdString();
    }
    EXPECT_EQ(QDir(out).entryList({"*.xml"}).size(), 12 - lacking.size());
    const ProcessRun usage = runProcess(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"),
                                        {"-C", dataDir(), "einvoice", "--invoice", "1001", "--format", "pdf", "-o", out});
    EXPECT_EQ(usage.code, 2) << usage.output.toStdString();
}

TEST_F(EInvoiceTest, NamesEveryMissingItemBeforeWritingAnything) {
    const struct {
        const char* name;
        void (*spoil)(Source*);
        QStringList named;
    } cases[] = {
        {"no seller record", [](Source* s) { s->sellerFound = false; s->seller = {}; },
         {"the seller's e-invoice details", "the seller's legal name", "the seller's country code",
          "the seller's tax registration number"}},
        {"buyer without a country", [](Source* s) { s->buyer.Country.clear(); }, {"the buyer's country code"}},
        {"customer not on file", [](Source* s) { s->customerFound = false; }, {"number 7 is not on file"}},
        {"tax typed far from its rate", [](Source* s) { s->inv.Tax = 99; s->inv.Due = 199; },
         {"MwSt of 19.00 as 19% of 100.00 (99.00 is stored"}},
        {"no lines, no date", [](Source* s) { s->items.clear(); s->inv.IDate = 0; s->inv.Tax = 0; s->inv.Due = 0; },
         {"the invoice date", "at least one line item"}},
        {"due not the total less payments", [](Source* s) { s->inv.Due = 1; }, {"(1.00 is stored, 119.00 computed)"}},
    };
    for (const auto& c : cases) {
        Source s = sourceOf({"", 1, 1, 2, 0, 19, {{1, 100}}, 0, 0, ""});
        c.spoil(&s);
        einvoice::Document doc;
        QStringList problems;
        EXPECT_FALSE(einvoice::BuildDocument(s, &doc, &problems)) << c.name;
        const QString all = problems.join(QStringLiteral(" | "));
        for (const QString& item : c.named) EXPECT_TRUE(all.contains(item)) << c.name << ": " << all.toStdString();
        EXPECT_EQ(problems.size(), c.named.size()) << c.name << ": " << all.toStdString();
    }
}

}  // namespace
