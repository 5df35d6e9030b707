#include "records/PickPager.h"

#include <algorithm>
#include <cmath>

#include "store/RecordAccess.h"

namespace records {
namespace {

// How much shorter the long backward skip is tried again when it runs past the first record.
constexpr long kOvershootRetry = 15;

}  // namespace

PickPager::PickPager(RowReader reader, bool selectFirstRow)
    : m_reader(std::move(reader)), m_selectFirstRow(selectFirstRow) {}

void PickPager::show(xbase::Table* table, long* currentRec) {
    m_table = table;
    m_lastSearch.clear();
    m_rows.clear();
    m_highlight = 0;
    m_walk = {};
    m_count = table ? table->recCount() : 0;
    if (m_count > kPageRows) {
        m_maxPageTop = m_count - kPageRows;
        m_highlight = *currentRec;
        m_pageTop = ordinal();
        *currentRec = -1;
    } else {
        m_maxPageTop = 0;
        m_pageTop = 0;
    }
    if (m_count > 0) refill();
}

// The ordinal of the record to highlight: the engine's fractional position gives an estimate i; a
// backward skip of i records and a walk to the first record make it exact. Only the walk's end points
// and probes are read. A skip that runs past the first record is tried again 15 shorter, and twice as
// much shorter at each further overshoot: the estimate can be off by thousands of records, and every
// try skips over i keys.
long PickPager::ordinal() {
    m_walk = {};
    if (!m_table) return 0;
    if (m_highlight < 1 || m_table->go(m_highlight) != xbase::kOk) {
        m_table->top();
        m_highlight = m_table->eof() ? 0 : m_table->recNo();
        return 0;
    }
    double fraction = 0;
    if (m_table->position(&fraction) != xbase::kOk) fraction = 0;
    long i = static_cast<long>(std::trunc(static_cast<double>(m_count) * std::clamp(fraction, 0.0, 1.0)));
    for (long shorter = kOvershootRetry;; shorter *= 2) {
        ++m_walk.longSkips;
        const int rc = i > 0 ? m_table->skip(-i) : xbase::kOk;
        if (rc == xbase::kOk) break;
        if (rc != xbase::kBof) return 0;  // an engine failure: show the first page
        if (m_table->go(m_highlight) != xbase::kOk) return 0;
        i = i > shorter ? i - shorter : 0;
    }
    m_walk.singleSteps = stepsToFirst();
    return std::min(i + m_walk.singleSteps, m_maxPageTop);
}

// How many one-record steps back lead from the current record to the first. Counted by skips that
// double while they succeed and, once one runs past the first record, halve down to one (each of those
// settles one bit of the count), so a long walk (the position estimate can be thousands of records
// short) reads a few dozen records instead of one per step.
long PickPager::stepsToFirst() {
    long steps = 0;
    long here = m_table->recNo();
    bool growing = true;
    for (long k = 1; k > 0;) {
        ++m_walk.probes;
        const int rc = m_table->skip(-k);
        if (rc == xbase::kOk) {
            steps += k;
            here = m_table->recNo();
        } else if (rc == xbase::kBof && m_table->go(here) == xbase::kOk) {
            growing = false;
        } else {
            break;  // an engine failure: the count so far
        }
        k = growing ? k * 2 : k / 2;
    }
    return steps;
}

void PickPager::refill() {
    m_pageTop = std::clamp(m_pageTop, 0L, m_maxPageTop);
    m_rows.clear();
    int noted = 0;
    if (m_table) {
        int rc = startOfPage();
        while (rc == xbase::kOk) {
            m_rows.push_back({m_table->recNo(), m_reader(m_table)});
            if (m_rows.back().recNo == m_highlight) noted = int(m_rows.size());
            // The last row needs no step beyond it: that would read an eleventh record.
            if (int(m_rows.size()) == kPageRows) break;
            rc = m_table->skip(1);
        }
    }
    m_highlight = 0;
    const int filled = int(m_rows.size());
    if (noted > 0)
        m_selectedRow = noted;
    else if (m_selectFirstRow || m_selectedRow < 1)
        m_selectedRow = filled > 0 ? 1 : 0;
    else
        m_selectedRow = std::min(m_selectedRow, filled);
}

// Stands on the first record of the page: page-top records after the first, reached from the nearer end
// of the order (every record has its key in the tag, so the last is count - 1 records after the first).
int PickPager::startOfPage() {
    const long fromEnd = m_count - 1 - m_pageTop;
    if (fromEnd < m_pageTop) {
        int rc = m_table->bottom();
        if (rc == xbase::kOk && fromEnd > 0) rc = m_table->skip(-fromEnd);
        if (rc == xbase::kOk) return rc;
    }
    int rc = m_table->top();
    if (rc == xbase::kOk && m_pageTop > 0) rc = m_table->skip(m_pageTop);
    return rc;
}

bool PickPager::moveTo(long pageTop) {
    pageTop = std::clamp(pageTop, 0L, m_maxPageTop);
    if (pageTop == m_pageTop) return false;
    m_pageTop = pageTop;
    refill();
    return true;
}

bool PickPager::key(PickKey key) {
    const int filled = int(m_rows.size());
    bool moved = false;
    switch (key) {
    case PickKey::PageDown:
        moved = moveTo(m_pageTop + kPageRows);
        m_selectedRow = int(m_rows.size());
        break;
    case PickKey::PageUp:
        moved = moveTo(m_pageTop - kPageRows);
        m_selectedRow = m_rows.empty() ? 0 : 1;
        break;
    case PickKey::End:
        moved = moveTo(m_maxPageTop);
        m_selectedRow = int(m_rows.size());
        break;
    case PickKey::Home:
        moved = moveTo(0);
        m_selectedRow = m_rows.empty() ? 0 : 1;
        break;
    case PickKey::Down:
        if (m_selectedRow == kPageRows) {
            moved = moveTo(m_pageTop + 1);
            m_selectedRow = kPageRows;
        } else if (m_selectedRow < filled) {
            ++m_selectedRow;
        }
        break;
    case PickKey::Up:
        if (m_selectedRow == 1) {
            moved = moveTo(m_pageTop - 1);
            m_selectedRow = 1;
        } else if (m_selectedRow > 1) {
            --m_selectedRow;
        }
        break;
    }
    return moved;
}

bool PickPager::scroll(PickScroll event, int position) {
    switch (event) {
    case PickScroll::LineUp: return moveTo(m_pageTop - 1);
    case PickScroll::LineDown: return moveTo(m_pageTop + 1);
    case PickScroll::PageUp: return moveTo(m_pageTop - kPageRows);
    case PickScroll::PageDown: return moveTo(m_pageTop + kPageRows);
    case PickScroll::Top: return moveTo(0);
    case PickScroll::Bottom: return moveTo(m_maxPageTop);
    case PickScroll::ThumbPosition:
        return moveTo(static_cast<long>(std::trunc(double(position) * double(m_maxPageTop) / 100.0)));
    case PickScroll::ThumbTrack:
    case PickScroll::EndScroll: return false;
    }
    return false;
}

bool PickPager::scrollLines(long lines) { return moveTo(m_pageTop + lines); }

bool PickPager::search(const QString& seekKey) {
    if (seekKey == m_lastSearch) return false;
    m_lastSearch = seekKey;
    if (!m_table || m_count == 0 || !m_table->selectedTag()) return false;
    const int rc = m_table->seek(store::ToTableText(seekKey));
    if (rc != xbase::kOk && rc != xbase::kSeekNext) return false;
    m_highlight = m_table->recNo();
    m_pageTop = ordinal();
    refill();
    return true;
}

void PickPager::selectRow(int row) { m_selectedRow = std::clamp(row, 0, kPageRows); }

long PickPager::selectedRecNo() const {
    if (m_selectedRow < 1 || m_selectedRow > int(m_rows.size())) return 0;
    return m_rows[size_t(m_selectedRow - 1)].recNo;
}

int PickPager::scrollPosition() const {
    if (m_maxPageTop == 0) return 0;
    return static_cast<int>(std::trunc(double(m_pageTop) * 100.0 / double(m_maxPageTop)));
}

QString PickSearchKey(const QString& typed) { return typed.toUpper().trimmed(); }

QString InvoiceSearchKey(const QString& typed) {
    QString digits;
    for (const QChar c : typed)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    return digits.rightJustified(6, QLatin1Char(' '));
}

}  // namespace records
