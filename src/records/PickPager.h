#pragma once
// The paging behind the four grid pick lists (customers, products, invoices, purchases): one page of
// ten records read straight from the table through its selected tag, placed by estimating a record's
// ordinal from the engine's fractional position. The whole table is never read, so a list over a
// million records opens as fast as one over fifty. No widgets: the windows render what this holds.
//
// Rows are numbered as the user sees them: 1 to 10, 0 = no row selected.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "store/TableHandles.h"

namespace records {

inline constexpr int kPageRows = 10;

// One filled row: the record's number and its cells (without the record number).
struct PickRow {
    long recNo = 0;
    QStringList cells;
};

// Keys the grid hands to the pager.
enum class PickKey { PageDown, PageUp, End, Home, Down, Up };

// The scroll bar's events (a percentage bar, 0 to 100).
enum class PickScroll { LineUp, LineDown, PageUp, PageDown, Top, Bottom, ThumbPosition, ThumbTrack, EndScroll };

// What the last placement of the page on a record cost, for the cost checks.
struct PickWalk {
    int longSkips = 0;     // backward skips over the estimated ordinal, the overshooting ones included
    long singleSteps = 0;  // records between the end of the long skip and the first record
    int probes = 0;        // skips made to count them
};

class PickPager {
public:
    // Reads the cells of the record the table stands on (through the table's record buffer).
    using RowReader = std::function<QStringList(xbase::Table*)>;

    // selectFirstRow: a refill without a row to highlight selects row 1 (customers, invoices); otherwise
    // the selected row is kept (products, purchases).
    PickPager(RowReader reader, bool selectFirstRow);

    // A showing over this table in its selected tag: clears the last search, computes the maximum page
    // top and, when the table holds more than a page, places the page on *currentRec (and sets it to -1:
    // the answer is given by Select or New only). Refills when the table holds records.
    void show(xbase::Table* table, long* currentRec);

    // Reads the page at the page top (limited to 0..maximum page top).
    void refill();

    // Grid keys; returns true when the page was read again.
    bool key(PickKey key);
    // Scroll bar events; position is the thumb's (0..100) for ThumbPosition.
    bool scroll(PickScroll event, int position = 0);
    // The mouse wheel: as many line steps of the bar at once (negative: back).
    bool scrollLines(long lines);
    // Incremental search with the typed text already made into the seek key. Equal to the last search:
    // nothing. Past the last key: nothing changes. Returns true when the page was placed anew.
    bool search(const QString& seekKey);

    // The row the user moved to with the mouse or the grid's own keys (clamped to the filled rows).
    void selectRow(int row);
    // The record number of the selected row; 0 when no filled row is selected.
    long selectedRecNo() const;

    long count() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // The bar is shown only when the table holds more than a page.
    bool scrollBarVisible() const { return m_count > kPageRows; }
    long pageTop() const { return m_pageTop; }
    long maxPageTop() const { return m_maxPageTop; }
    int scrollPosition() const;
    const std::vector<PickRow>& rows() const { return m_rows; }
    int selectedRow() const { return m_selectedRow; }
    const QString& lastSearch() const { return m_lastSearch; }
    const PickWalk& lastWalk() const { return m_walk; }

    // The page top that brings the record to highlight to the top row (see the .cpp for the walk).
    long ordinal();

private:
    // Moves the page top (limited) and refills when it changed.
    bool moveTo(long pageTop);
    long stepsToFirst();
    int startOfPage();

    RowReader m_reader;
    bool m_selectFirstRow;
    xbase::Table* m_table = nullptr;
    long m_count = 0;
    long m_pageTop = 0;
    long m_maxPageTop = 0;
    long m_highlight = 0;
    QString m_lastSearch;
    std::vector<PickRow> m_rows;
    int m_selectedRow = 0;
    PickWalk m_walk;
};

// The seek key of the text typed into a search box: upper-cased, blanks trimmed.
QString PickSearchKey(const QString& typed);
// The invoice search: the typed digits, right-aligned in six characters as the invoice-number key.
QString InvoiceSearchKey(const QString& typed);

}  // namespace records
