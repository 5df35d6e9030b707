#include "reports/RptSpan.h"

#include "base/Format.h"
#include "base/StatusSink.h"
#include "store/RecordAccess.h"

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
