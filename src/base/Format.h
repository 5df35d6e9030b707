#pragma once
// Formatting and entry helpers shared by every window and report: day numbers and the stored date
// text, the century window, the date mask, number padding, cent rounding and amount reformatting.
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

#include "base/Decimal.h"

namespace base {

// Day numbers: days since 1899-12-30 as a double; 0 = no date.
double DayFromDate(const QDate& date);  // 0 for an invalid date
QDate DateFromDay(double day);          // invalid QDate for 0 or less, NaN, or after 9999-12-31
double Today();

// "yyyymmdd" after the century window; empty for 0 or less.
QString DateToKey(double day);
// 0 when the trimmed text is shorter than 8 characters or not a valid date; never throws.
double KeyToDate(const QString& key);
// The first year of the century window: 60 years before the current year.
int CenturyWindowStart();
// Moves a date into the 100 years starting 60 years before the current year; a 29 February the
// other century lacks, and 0 (no date), come back unchanged.
double DateWindow(double day);
// The short date format upper-cased with single M, D, Y doubled ("M/d/yy" -> "MM/DD/YY").
QString DateMask();
// A day number in the locale's short date format ("" for 0).
QString DateText(double day);

QString PadNumber(long long n, int width);
// Always with "." (a value inside report markup, not a display text).
QString FixedText(double value, int width, int decimals);
QString Blanks(int n);
// The text without its trailing blanks (a stored text is padded to its field's width).
QString TrimRight(const QString& text);
// The text as the engine's key bytes (Windows-1252, at most 60 characters; callers check
// Cp1252::fits first, a character outside the set becomes "?").
QByteArray KeyText(const QString& text);
// Index of the first element equal to n; -1 when none or when list is not a list.
int IndexOfNumber(const QVariant& list, long long n);
// Position (from 1) of the last occurrence of sub in s; 0 when none.
int LastPos(const QString& sub, const QString& s);
// Reformats an amount entry text with a printf format such as "%8.2f". Any text an amount field
// admits reads as a number ("", "-", the lone separator and "-" before it read as 0).
QString FormatAmountText(const QString& text, const char* format);
// The same with a given separator (the fields whose separator is "." whatever the locale).
QString FormatAmountText(const QString& text, const char* format, QChar separator);
// The exact number in an amount entry text, read as FormatAmountText reads it; never fails (0
// instead).
Decimal ReadAmount(const QString& text);
Decimal ReadAmount(const QString& text, QChar separator);
// printf-style formatting of one number ("%10.2f") with the locale's decimal separator. Formats
// with f (halves rounded away from zero, never "-0.00"), e, g and d, i (the whole part); an unusable
// format gives an empty text. A double is taken as its shortest decimal text (2.675 prints 2.68).
QString FormatNumber(const char* format, const Decimal& value);
QString FormatNumber(const char* format, const Decimal& value, QChar separator);
QString FormatNumber(const char* format, double value);
QString FormatNumber(const char* format, double value, QChar separator);
// The default locale's decimal separator.
QChar DecimalSeparator();

}  // namespace base
