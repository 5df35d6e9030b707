#pragma once
// Reading a date as the user typed it into a date field. The locale's short format says the order of
// day, month and year; the parts may be separated by any non-digits and may have fewer digits than
// the format shows ("1/2/99" in "M/d/yy"). A month may be given by its name ("8 Dec 2026"), and a
// year written with four digits before the rest is read year first ("2026-12-08"). A year of one or
// two digits falls into the century window of the stored dates (DateWindow).
#include <QDate>
#include <QLocale>
#include <QString>

namespace base {

struct TypedDate {
    enum class Status {
        Empty,    // nothing typed: no date
        Valid,    // date holds the date meant
        Invalid,  // no such day (31 February), not a date at all, or a year the tables cannot keep
    };
    Status status = Status::Empty;
    QDate date;
};

TypedDate ReadTypedDate(const QString& text, const QLocale& locale = QLocale());

}  // namespace base
