#pragma once
// What the span reports share: the records dated within a span, found through a date tag (never by
// walking the whole table), and the progress shown while they are worked through.
#include <QHash>
#include <QList>
#include <QString>

#include "store/Catalogue.h"
#include "store/TableHandles.h"

#include <functional>
#include <optional>

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
    // One number's few records are not worth a block each: only a run of numbers is read as a walk.
    std::optional<WalkScope> walk;
    if (ascending.size() > 1) walk.emplace(table);
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

// The key of a code in a tag over Upper(code): blank-padded to the field's width, ASCII letters folded
// as the engine folds them.
std::string FoldedCodeKey(const QString& code, int width);
QString TrimmedCode(const QString& stored);

// The records whose code field holds exactly code (trailing blanks aside), found through a tag over the
// upper-cased code: the codes that differ from it only in case stand among them and are passed over,
// unless none holds it exactly and anyCase asks for them: then fn sees those instead.
// fn(table) on each, in the tag's order; fn returns false to stop.
template <class CodeOf, class Fn>
void ForEachOfCode(xbase::Table* table, store::TagId tag, CodeOf codeOf, int width, const QString& code, Fn fn,
                   bool anyCase = false) {
    const QString wanted = TrimmedCode(code);
    if (wanted.isEmpty()) return;
    store::SelectTag(table, tag);
    const std::string key = FoldedCodeKey(wanted, width);
    // Found (0) only: a greater key (2) belongs to another code.
    long firstOther = 0;
    for (int rc = table->seek(key); rc == xbase::kOk && !table->eof(); rc = table->skip(1)) {
        const QString id = codeOf(table);
        if (FoldedCodeKey(id, width) != key) break;
        if (TrimmedCode(id) != wanted) {
            if (!firstOther) firstOther = table->recNo();
            continue;
        }
        firstOther = -1;
        if (!fn(table)) return;
    }
    if (anyCase && firstOther > 0 && table->go(firstOther) == xbase::kOk) fn(table);
}

// The description of the product whose code is code; false when the product table has none. With
// anyCase, a product whose code differs only in letter case (ASCII) is found when none has it exactly.
// REQUIRES: Prod5 open.
bool FindProduct(const QString& code, QString* description, bool anyCase = false);

// The lines of the product with exactly this code, through the line table's product tag ("ItmP": the
// code, then the invoice number), which is left selected. fn(table) on each. REQUIRES: ITM5 open.
void ForEachLineOf(const QString& code, const std::function<void(xbase::Table*)>& fn);

// What the reports read of an invoice found by its number.
struct InvoiceFacts {
    double date = 0;
    long cuNo = 0;
    long recNo = 0;
};
// The invoices with these numbers (in any order, repeats allowed), each read once in number order;
// a number no invoice has is absent. REQUIRES: INV5 open.
QHash<long, InvoiceFacts> ReadInvoices(QList<long> numbers);

// Customers are named "UNKNOWN" where no customer has the number.
extern const QString kUnknownCustomer;
// The customer's name as the reports name it: by person with ByCust ("Mr John Smith"), else the
// company; kUnknownCustomer when no customer has the number. CUST5 stands on the customer found.
// *found (optional) says whether a customer has the number, whatever the name.
// REQUIRES: CUST5 open with its number tag ("CCNO") selected.
QString CustomerName(long cuno, bool* found = nullptr);

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
