#pragma once
// What the span reports share: the records dated within a span, found through a date tag (never by
// walking the whole table), and the progress shown while they are worked through.
#include <QList>
#include <QString>

#include "store/Catalogue.h"
#include "xbase/Engine.h"

namespace reports {

// A table read record after record for the scope's length: its records come a block at a time
// (xbase::Table::setWalking). Nothing in the scope may wait for the user.
class WalkScope {
public:
    explicit WalkScope(xbase::Table* table) : m_table(table) { m_table->setWalking(true); }
    ~WalkScope() { m_table->setWalking(false); }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

private:
    xbase::Table* m_table;
};

// The records of a table whose date lies start to end, in the order of the date tag. The tag is
// selected; first() seeks the start's key again, so other tables may be moved in between. The table is
// read as a walk from first() until a move finds no record of the span.
class DateSpanWalk {
public:
    using DateOf = double (*)(xbase::Table*);
    DateSpanWalk(xbase::Table* table, store::TagId dateTag, DateOf dateOf, double start, double end)
        : m_table(table), m_tag(dateTag), m_dateOf(dateOf), m_start(start), m_end(end) {}
    ~DateSpanWalk() { m_table->setWalking(false); }
    DateSpanWalk(const DateSpanWalk&) = delete;
    DateSpanWalk& operator=(const DateSpanWalk&) = delete;

    // How many records lie in the span (walks only them).
    int count();
    // Stands on the first record of the span; false when there is none.
    bool first();
    // Moves to the next record of the span; false past its end.
    bool next();

private:
    bool inSpan() const;
    bool settle(bool on);  // on: still in the span; off ends the walk
    xbase::Table* m_table;
    store::TagId m_tag;
    DateOf m_dateOf;
    double m_start, m_end;
};

// The key of a whole number in a Str(n,6) tag.
std::string NumberKey(long n);

// The records of a table's number tag (Str(n,6)) for each of ascending (sorted, repeats allowed), read
// with one cursor: where the next number's records follow on, no seek is made, so a span's lines or
// invoices are each read once. fn(i, table) on each record of ascending[i]; done(i) after each number.
template <class Fn, class Done>
void ForEachOfNumbers(xbase::Table* table, store::TagId numberTag, long (*numberOf)(xbase::Table*),
                      const QList<long>& ascending, Fn fn, Done done) {
    store::SelectTag(table, numberTag);
    WalkScope walk(table);
    bool positioned = false, atEnd = false;
    long here = 0;  // the number the cursor stands on
    auto settle = [&](bool moved) {
        atEnd = !moved || table->eof();
        here = atEnd ? 0 : numberOf(table);
    };
    for (int i = 0; i < ascending.size(); ++i) {
        const long n = ascending[i];
        if (!positioned || (!atEnd && here < n) || (i > 0 && ascending[i - 1] == n)) {
            const int rc = table->seek(NumberKey(n));
            settle(rc == xbase::kOk || rc == 2);
            positioned = true;
        }
        for (; !atEnd && here == n; settle(table->skip(1) == xbase::kOk)) fn(i, table);
        done(i);
    }
}

// A day's text in the short date format, made once for a run of lines of the same day.
class DayText {
public:
    const QString& operator()(double day);

private:
    double m_day = -1;
    QString m_text;
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
