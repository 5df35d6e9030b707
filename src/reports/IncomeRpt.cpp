// The income and receivables reports: payments of a span through the payment-date tag, each with the
// memo of its invoice; balances from the invoice table with their customers.
#include <QHash>

#include <algorithm>

#include <cmath>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/StatusSink.h"
#include "reports/RptSpan.h"
#include "reports/RptUtil.h"
#include "reports/SalesRpt.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace reports {

namespace {

const QString kNoPayments = QStringLiteral("No Payments within selected dates.");
const QString kNoInvoices = QStringLiteral("No Invoices within selected dates.");
const QString kProcessingPayments = QStringLiteral("Processing Payments");
const QString kProcessingReceivables = QStringLiteral("Processing Receivables");

using base::Decimal;

QString amount(const char* format, const Decimal& value) { return base::FormatNumber(format, value); }
double paymentDate(xbase::Table* t) { return store::ReadField(t, &store::PmtBuffer::PDate); }

const QStringList kPaymentDirectives = {"V00", "L01", "V10", "R16", "V17", "L18", "V48", "R58", "V59", "R71", "V72"};

// The caption of the charge line that is the GST/VAT.
QString taxCaption() {
    const store::SettingsBuffer& s = store::SettingsRec;
    return (s.GSTField == 1 ? s.ShipLine : s.TaxLine).trimmed();
}

void setupPayments(const QString& title, const QString& lastHeading) {
    ReportWidth = 72;
    CellsPerLine = 12;
    BeginReport();
    TitleLines = {title};
    SetHeadings(kPaymentDirectives,
                {"", "Pmt Date", "", "Inv No.", "", "Check - Credit Card No.", "", "Amount", "", lastHeading, ""});
}

// A payment of the span with the memo of its invoice as stored (the cheque or card number; empty when
// no invoice has its number).
struct SpanPayment {
    long ivNo = 0;
    double date = 0;
    Decimal amount, gst;
    QString memo;
};

long invoiceNumber(xbase::Table* t) { return store::ReadField(t, &store::InvBuffer::IvNo); }

// The shared opening of the payment reports: the payments of the span in date order with their
// invoices' memos, the report set up and the status shown; none (the message shown) when the span
// holds no payment. The payments are read in one walk of the date tag, the invoices then in
// invoice-number order with one cursor.
QList<SpanPayment> readPayments(double start, double end, const QString& title, const QString& lastHeading) {
    if (!store::OpenInv() || !store::OpenPmt()) return {};
    xbase::Table* pmt = store::PmtTable;
    QList<SpanPayment> payments;
    DateSpanWalk walk(pmt, store::TagId::PmtDate, &paymentDate, start, end);
    for (bool on = walk.first(); on; on = walk.next())
        payments.append({store::ReadField(pmt, &store::PmtBuffer::IvNo), paymentDate(pmt),
                         store::ReadField(pmt, &store::PmtBuffer::PAmt), store::ReadField(pmt, &store::PmtBuffer::GST), {}});
    if (payments.isEmpty()) {
        base::ShowMessage(kNoPayments);
        return {};
    }
    setupPayments(title, lastHeading);
    base::ShowStatus(kProcessingPayments);
    QList<long> numbers;
    for (const SpanPayment& p : payments) numbers.append(p.ivNo);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QHash<long, QString> memos;
    ForEachOfNumbers(
        store::InvTable, store::TagId::Inv, &invoiceNumber, numbers,
        [&](int i, xbase::Table* inv) {
            if (!memos.contains(numbers[i])) memos.insert(numbers[i], store::ReadField(inv, &store::InvBuffer::IMemo));
        },
        [](int) {});
    for (SpanPayment& p : payments) p.memo = memos.value(p.ivNo);
    return payments;
}

// A payment line: date (or none), invoice number, memo, amount; the last column is the caller's.
QStringList paymentCells(const SpanPayment& p, const QString& date) {
    return {"V00", date.isEmpty() ? QString() : "L01" + date, "V10", "R16" + QString::number(p.ivNo), "V17",
            "L18" + p.memo, "V48", "R58" + amount("%10.2f", p.amount), "V59", QString(), "V72",
            QString()};  // the attribute: the line is made once
}

QString spanText(double start, double end) {
    return QStringLiteral(" from ") + base::DateText(start) + QStringLiteral(" through ") + base::DateText(end);
}

}  // namespace

void BuildDailyIncome(double start, double end) {
    const QList<SpanPayment> payments = readPayments(
        start, end, QStringLiteral("Daily Income") + spanText(start, end), QStringLiteral("Daily Total"));
    ProgressSteps progress(payments.size());
    DayText dayText;
    Decimal grand;
    for (qsizetype i = 0; i < payments.size();) {
        const double day = payments[i].date;
        Decimal dayTotal;
        for (; i < payments.size() && payments[i].date == day; ++i) {
            CheckPageBreak(LinesOnPage + 2, true);
            // The date stands on the day's lines until an amount is added to its total.
            NewLineWith(paymentCells(payments[i], dayTotal.isZero() ? dayText(day) : QString()));
            dayTotal += payments[i].amount;
            progress.step();
        }
        Cell(9) = "R71" + amount("%12.2f", dayTotal);
        Attribute() = QStringLiteral("U");
        grand += dayTotal;
    }
    if (!payments.isEmpty()) {
        NewLineWith({"V00", "L01Total Payments", {}, {}, {}, {}, {}, {}, "V59", "R71" + amount("%12.2f", grand), "V72"});
        Attribute() = QStringLiteral("U");
        WidenDateColumn(2);
        base::ShowStatus(QString());
    }
    store::CloseAll();
}

void BuildGstIncome(double start, double end) {
    const QString caption = taxCaption();
    const QList<SpanPayment> payments =
        readPayments(start, end, caption + QStringLiteral(" Income/Collections") + spanText(start, end), caption);
    ProgressSteps progress(payments.size());
    DayText dayText;
    Decimal paid, tax;
    for (const SpanPayment& p : payments) {
        CheckPageBreak(LinesOnPage + 2, true);
        QStringList cells = paymentCells(p, dayText(p.date));
        cells[9] = "R71" + amount("%10.2f", p.gst);
        NewLineWith(std::move(cells));
        paid += p.amount;
        tax += p.gst;
        progress.step();
    }
    if (!payments.isEmpty()) {
        Attribute() = QStringLiteral("U");
        NewLineWith({"V00", "L01Total Income", {}, {}, {}, {}, "V48", "R58" + amount("%11.2f", paid), "V59",
                     "R71" + amount("%11.2f", tax), "V72"});
        Attribute() = QStringLiteral("U");
        WidenDateColumn(2);
        base::ShowStatus(QString());
    }
    store::CloseAll();
}

// ---- Receivables

namespace {

// Whole days from the invoice date to today; negative for an invoice dated in the future.
long daysOutstanding(double invoiceDay) { return long(std::trunc(base::Today() - invoiceDay)); }

bool openReceivables() {
    if (!store::OpenInv() || !store::OpenCust()) return false;
    store::SelectTag(store::CustTable, store::TagId::CustNumber);
    if (store::InvTable->recCount() > 0) return true;
    base::ShowMessage(kNoInvoices);
    return false;
}

// Every invoice with a balance, in the order of tag, handed to perInvoice with INV5 on it.
template <class PerInvoice>
void walkBalances(store::TagId tag, PerInvoice perInvoice) {
    xbase::Table* inv = store::InvTable;
    base::ShowStatus(kProcessingReceivables);
    ProgressSteps progress(inv->recCount());
    store::SelectTag(inv, tag);
    WalkScope walk(inv);
    for (int rc = inv->top(); rc == xbase::kOk && !inv->eof(); rc = inv->skip(1)) {
        const Decimal due = store::ReadField(inv, &store::InvBuffer::Due);
        if (!due.isZero()) perInvoice(inv, due);
        progress.step();
    }
    base::ShowStatus(QString());
}

}  // namespace

void BuildReceivables(double, double) {
    if (openReceivables()) {
        ReportWidth = 71;
        CellsPerLine = 10;
        BeginReport();
        TitleLines = {QStringLiteral("RECEIVABLES")};
        SetHeadings({"V00", "R07", "V08", "L10", "V50", "R55", "V57", "R69", "V71"},
                    {"", "Inv. No", "", "Customer", "", "Days", "", "Amount", ""});
        Decimal total;
        walkBalances(store::TagId::Inv, [&](xbase::Table* inv, const Decimal& due) {
            const long ivNo = store::ReadField(inv, &store::InvBuffer::IvNo);
            const QString name = CustomerName(store::ReadField(inv, &store::InvBuffer::CuNo));
            CheckPageBreak(LinesOnPage + 1, true);
            NewLineWith({"V00", "R07" + QString::number(ivNo), "V08", "L10" + name, "V50",
                         "R55" + QString::number(daysOutstanding(store::ReadField(inv, &store::InvBuffer::IDate))),
                         "V57", "R69" + amount("%10.2f", due), "V71"});
            total += due;
        });
        if (LastLine() >= 0) {
            Attribute() = QStringLiteral("U");
            CheckPageBreak(LinesOnPage + 1, true);
            NewLineWith({"V00", "L01Total Receivables", {}, {}, {}, {}, "V57", "R69" + amount("%10.2f", total), "V71"});
            Attribute() = QStringLiteral("U");
        }
    }
    store::CloseAll();
}

// ---- Aged receivables

namespace {

// Balances by age: 0-30 days (and invoices dated ahead), 31-60, 61-90, over 90.
constexpr int kBuckets = 4;
int bucketOf(long days) {
    if (days <= 30) return 0;
    if (days <= 60) return 1;
    return days <= 90 ? 2 : 3;
}

const QStringList kAgedDirectives = {"V00", "R07", "V08", "L10", "V38", "R49", "V50", "R61",
                                     "V62", "R73", "V74", "R85", "V86", "R97", "V98"};

QStringList agedCells(const QString& number, const QString& name, const Decimal (&buckets)[kBuckets]) {
    QStringList cells = kAgedDirectives;
    cells[1] += number;
    cells[3] += name;
    Decimal total;
    for (int b = 0; b < kBuckets; ++b) {
        cells[5 + 2 * b] += amount("%10.2f", buckets[b]);
        total += buckets[b];
    }
    cells[13] += amount("%10.2f", total);
    return cells;
}

}  // namespace

void BuildAgedReceivables(double, double) {
    if (openReceivables()) {
        ReportWidth = 98;
        CellsPerLine = 16;
        BeginReport();
        TitleLines = {QStringLiteral("Aged Receivables as of ") + base::DateText(base::Today())};
        SetHeadings(kAgedDirectives, {"", "Cust No", "", "Customer", "", "0-30", "", "31-60", "", "61-90", "",
                                      "Over 90", "", "Total", ""});
        // The walk goes in customer order, so one customer's invoices come together and their line is
        // written when the next customer starts.
        long current = -1;
        Decimal owed[kBuckets] = {}, grand[kBuckets] = {};
        auto flush = [&] {
            bool any = false;
            for (const Decimal& d : owed) any = any || !d.isZero();
            if (current >= 0 && any) {
                CheckPageBreak(LinesOnPage + 1, true);
                NewLineWith(agedCells(QString::number(current), CustomerName(current), owed));
                for (int b = 0; b < kBuckets; ++b) grand[b] += owed[b];
            }
            for (Decimal& d : owed) d = Decimal();
        };
        walkBalances(store::TagId::InvCust, [&](xbase::Table* inv, const Decimal& due) {
            const long cuno = store::ReadField(inv, &store::InvBuffer::CuNo);
            if (cuno != current) {
                flush();
                current = cuno;
            }
            owed[bucketOf(daysOutstanding(store::ReadField(inv, &store::InvBuffer::IDate)))] += due;
        });
        flush();
        if (LastLine() >= 0) {
            Attribute() = QStringLiteral("U");
            CheckPageBreak(LinesOnPage + 1, true);
            QStringList cells = agedCells(QString(), QStringLiteral("Total Receivables"), grand);
            cells[1].clear();
            NewLineWith(cells);
            Attribute() = QStringLiteral("U");
        }
    }
    store::CloseAll();
}

}  // namespace reports
