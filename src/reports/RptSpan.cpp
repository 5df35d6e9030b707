#include "reports/RptSpan.h"

#include <algorithm>

#include "base/Format.h"
#include "base/StatusSink.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace reports {

bool DateSpanWalk::inSpan() const {
    if (m_table->eof()) return false;
    return m_dateOf(m_table) <= m_end;
}

bool DateSpanWalk::settle(bool on) {
    if (!on) m_table->setWalking(false);
    return on;
}

bool DateSpanWalk::first() {
    store::SelectTag(m_table, m_tag);
    m_table->setWalking(true);
    // Found (0) or stopped on the next greater key (2): the span starts here.
    const int rc = m_table->seek(store::ToTableText(base::DateToKey(m_start)));
    return settle((rc == xbase::kOk || rc == 2) && inSpan());
}

bool DateSpanWalk::next() { return settle(m_table->skip(1) == xbase::kOk && inSpan()); }

int DateSpanWalk::count() {
    int n = 0;
    for (bool on = first(); on; on = next()) ++n;
    return n;
}

std::string NumberKey(long n) { return store::ToTableText(base::PadNumber(n, 6)); }

std::string FoldedCodeKey(const QString& code, int width) {
    return store::ToFoldedTableText(code.leftJustified(width));
}

QString TrimmedCode(const QString& stored) { return base::TrimRight(stored); }

bool FindProduct(const QString& code, QString* description, bool anyCase) {
    bool found = false;
    ForEachOfCode(
        store::ProdTable, store::TagId::Prod, [](xbase::Table* t) { return store::ReadField(t, &store::ProdBuffer::PrID); },
        store::FieldWidth(&store::ProdBuffer::PrID), code,
        [&](xbase::Table* prod) {
            *description = store::ReadField(prod, &store::ProdBuffer::PDesc);
            found = true;
            return false;
        },
        anyCase);
    return found;
}

void ForEachLineOf(const QString& code, const std::function<void(xbase::Table*)>& fn) {
    xbase::Table* itm = store::ItmTable;
    store::SelectTag(itm, store::TagId::ItmProd);
    const std::string key = store::ToTableText(TrimmedCode(code).leftJustified(store::FieldWidth(&store::ItmBuffer::PrID)));
    // The code compared as stored, without a round trip through text, on every line of the walk.
    const xbase::Field* prid = itm->field(store::BindingOfMember(&store::ItmBuffer::PrID).field);
    if (!prid) return;
    // Found (0) only: a greater key (2) belongs to another code.
    for (int rc = itm->seek(key); rc == xbase::kOk && !itm->eof(); rc = itm->skip(1)) {
        if (prid->text() != key) return;
        fn(itm);
    }
}

namespace {
long invoiceNumber(xbase::Table* t) { return store::ReadField(t, &store::InvBuffer::IvNo); }
}  // namespace

QHash<long, InvoiceFacts> ReadInvoices(QList<long> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QHash<long, InvoiceFacts> found;
    found.reserve(numbers.size());
    ForEachOfNumbers(
        store::InvTable, store::TagId::Inv, &invoiceNumber, numbers,
        [&](int i, xbase::Table* inv) {
            if (!found.contains(numbers[i]))
                found.insert(numbers[i], {store::ReadField(inv, &store::InvBuffer::IDate),
                                          store::ReadField(inv, &store::InvBuffer::CuNo), inv->recNo()});
        },
        [](int) {});
    return found;
}

const QString kUnknownCustomer = QStringLiteral("UNKNOWN");

QString CustomerName(long cuno, bool* found) {
    xbase::Table* cust = store::CustTable;
    const bool known = cust->seek(NumberKey(cuno)) == xbase::kOk;
    if (found) *found = known;
    if (!known) return kUnknownCustomer;
    using C = store::CustBuffer;
    if (!store::SettingsRec.ByCust) return store::ReadField(cust, &C::addr1).trimmed();
    return (store::ReadField(cust, &C::title).trimmed() + QLatin1Char(' ') + store::ReadField(cust, &C::first).trimmed() +
            QLatin1Char(' ') + store::ReadField(cust, &C::last))
        .trimmed();
}

const QString& DayText::operator()(double day) {
    if (day != m_day) {
        m_day = day;
        m_text = base::DateText(day);
    }
    return m_text;
}

void ProgressSteps::step() {
    ++m_done;
    const int percent = m_total > 0 ? int(100 * m_done / m_total) : 100;
    if (percent == m_shown) return;
    m_shown = percent;
    base::ShowProgress(percent);
}

}  // namespace reports
