#pragma once
// What the span reports share: the records dated within a span, found through a date tag (never by
// walking the whole table), and the progress shown while they are worked through.
#include "store/Catalogue.h"
#include "xbase/Engine.h"

namespace reports {

// The records of a table whose date lies start to end, in the order of the date tag. The tag is
// selected; first() seeks the start's key again, so other tables may be moved in between.
class DateSpanWalk {
public:
    using DateOf = double (*)(xbase::Table*);
    DateSpanWalk(xbase::Table* table, store::TagId dateTag, DateOf dateOf, double start, double end)
        : m_table(table), m_tag(dateTag), m_dateOf(dateOf), m_start(start), m_end(end) {}

    // How many records lie in the span (walks only them).
    int count();
    // Stands on the first record of the span; false when there is none.
    bool first();
    // Moves to the next record of the span; false past its end.
    bool next();

private:
    bool inSpan() const;
    xbase::Table* m_table;
    store::TagId m_tag;
    DateOf m_dateOf;
    double m_start, m_end;
};

// Progress Trunc(100 x done / total), sent to the status sink only when the figure changes, so a
// walk of many records does not repaint the status bar for each.
class ProgressSteps {
public:
    explicit ProgressSteps(long total) : m_total(total) {}
    void step();

private:
    long m_total;
    long m_done = 0;
    int m_shown = -1;
};

}  // namespace reports
