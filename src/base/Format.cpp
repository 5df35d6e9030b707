#include "base/Format.h"

#include <QLocale>
#include <QSequentialIterable>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "base/Cp1252.h"

namespace base {
namespace {

// Day 0 of the day-number convention.
// Constant-initialised, so day numbers are right even during static initialisation elsewhere.
constexpr QDate kEpoch = QDate::fromJulianDay(2415019);  // 1899-12-30
// 9999-12-31: beyond it a day number names no date QDate or the stored text can hold.
constexpr double kLastDay = 2958465.0;
constexpr int kCenturyBack = 60;
constexpr int kKeyChars = 60;

QChar localeSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

bool allAsciiDigits(QStringView s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return !s.isEmpty();
}

// The time of day a day number carries besides its date (always a positive fraction).
double timePart(double day) { return std::fabs(day - std::trunc(day)); }

// One printf conversion with the literal text around it: "%10.2f" or "Total %8.2f EUR".
struct PrintfFormat {
    QString prefix;
    QString suffix;
    QByteArray stem;  // "%10.2" without the conversion letter
    char conversion = 0;
    bool valid = false;
};

PrintfFormat parseFormat(const char* format) {
    PrintfFormat f;
    if (!format) return f;
    const QByteArray text(format);
    QString literal;
    int i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            literal += QLatin1Char(text[i++]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            literal += QLatin1Char('%');
            i += 2;
            continue;
        }
        if (f.valid) return {};  // a second conversion: one number fills one format
        int j = i + 1;
        while (j < text.size() && QByteArray("-+ 0#").contains(text[j])) ++j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        if (j < text.size() && text[j] == '.') {
            ++j;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        }
        if (j >= text.size() || !QByteArray("fFeEgGdi").contains(text[j])) return {};
        f.prefix = literal;
        literal.clear();
        f.stem = text.mid(i, j - i);
        f.conversion = text[j];
        f.valid = true;
        i = j + 1;
    }
    f.suffix = literal;
    return f;
}

// The parts of a conversion stem such as "%-10.2".
struct Stem {
    bool left = false, plus = false, space = false, zero = false;
    int width = 0;
    int precision = 6;
};

Stem parseStem(const QByteArray& stem) {
    Stem s;
    int i = 1;  // past '%'
    for (; i < stem.size() && QByteArray("-+ 0#").contains(stem[i]); ++i) {
        s.left |= stem[i] == '-';
        s.plus |= stem[i] == '+';
        s.space |= stem[i] == ' ';
        s.zero |= stem[i] == '0';
    }
    int width = 0;
    for (; i < stem.size() && std::isdigit(static_cast<unsigned char>(stem[i])); ++i)
        width = std::min(width * 10 + (stem[i] - '0'), 1000);
    s.width = width;
    if (i < stem.size() && stem[i] == '.') {
        int precision = 0;
        for (++i; i < stem.size() && std::isdigit(static_cast<unsigned char>(stem[i])); ++i)
            precision = std::min(precision * 10 + (stem[i] - '0'), 1000);
        s.precision = precision;
    }
    return s;
}

// A fixed-point conversion of an exact value, padded as printf pads; halves round away from zero
// and a value that rounds to zero carries no sign.
QString formatFixed(const Stem& stem, const Decimal& value, int places, QChar separator) {
    QString number = value.toFixed(places, separator);
    const bool negative = number.startsWith(QLatin1Char('-'));
    const QChar sign = negative      ? QLatin1Char('-')
                       : stem.plus  ? QLatin1Char('+')
                       : stem.space ? QLatin1Char(' ')
                                    : QChar();
    const qsizetype digits = number.size() - (negative ? 1 : 0);
    const qsizetype signSize = sign.isNull() ? 0 : 1;
    const qsizetype pad = std::max<qsizetype>(0, stem.width - signSize - digits);
    if (pad == 0 && signSize == (negative ? 1 : 0)) return number;  // as toFixed wrote it
    // Reports format many amounts: the padded text is made in one piece.
    QString text;
    text.reserve(pad + signSize + digits);
    if (!stem.left && !stem.zero) text.resize(pad, QLatin1Char(' '));
    if (signSize) text += sign;
    if (stem.zero && !stem.left) text.resize(text.size() + pad, QLatin1Char('0'));
    text += QStringView(number).sliced(negative ? 1 : 0);
    if (stem.left) text.resize(text.size() + pad, QLatin1Char(' '));
    return text;
}

// A report formats many numbers with a few formats: the last one read is kept (per thread, by its
// text, so a format in a reused buffer is read again when it changes).
struct ReadFormat {
    std::string text;
    PrintfFormat format;
    Stem stem;
};

const ReadFormat& readFormat(const char* format) {
    thread_local ReadFormat last{"", parseFormat(""), Stem{}};
    if (format && last.text != format) {
        last.text = format;
        last.format = parseFormat(format);
        last.stem = parseStem(last.format.stem);
    }
    return last;
}

QString formatWith(const char* format, const Decimal& value, QChar separator) {
    if (!format) return {};
    const ReadFormat& read = readFormat(format);
    const PrintfFormat& f = read.format;
    if (!f.valid) return {};
    const Stem& stem = read.stem;
    QString number;
    switch (f.conversion) {
    case 'd':
    case 'i': number = formatFixed(stem, value.rounded(0, Decimal::Rounding::TowardZero), 0, separator); break;
    case 'f':
    case 'F': number = formatFixed(stem, value, std::min(stem.precision, Decimal::kPlaces), separator); break;
    default:
        // e and g: the exponent forms are never amounts.
        number = QString::asprintf((f.stem + f.conversion).constData(), value.toDouble());
        if (separator != QLatin1Char('.')) number.replace(QLatin1Char('.'), separator);
        break;
    }
    return f.prefix + number + f.suffix;
}

// Reads the number at the start of a blank-free amount text: sign, digits, separator, digits,
// exponent. Without a digit before the exponent the text reads as 0: "", "-", "." and "-.".
Decimal readAmount(const QString& text, QChar separator) {
    QString ascii;
    int i = 0;
    const int n = int(text.size());
    auto digits = [&] {
        int count = 0;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ascii += text[i++];
            ++count;
        }
        return count;
    };
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ascii += text[i++];
    int mantissaDigits = digits();
    if (i < n && text[i] == separator) {
        ascii += QLatin1Char('.');
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) return {};
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+'))) ++j;
        if (j < n && text[j].isDigit() && text[j].unicode() < 128) {
            ascii += text.mid(i, j - i);
            i = j;
            digits();
        }
    }
    Decimal value;
    return Decimal::parse(ascii, QLatin1Char('.'), &value) ? value : Decimal();
}

QString withoutLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
    return text.mid(i);
}

QString withoutBlanks(const QString& text) {
    QString s = text;
    s.remove(QLatin1Char(' '));
    return s;
}

}  // namespace

double DayFromDate(const QDate& date) { return date.isValid() ? double(kEpoch.daysTo(date)) : 0.0; }

QDate DateFromDay(double day) {
    if (!(day > 0.0) || std::trunc(day) > kLastDay) return {};
    return kEpoch.addDays(static_cast<qint64>(std::trunc(day)));
}

double Today() { return DayFromDate(QDate::currentDate()); }

QString DateToKey(double day) {
    if (!(day > 0.0)) return {};
    const QDate date = DateFromDay(DateWindow(day));
    if (!date.isValid()) return {};
    return QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
}

double KeyToDate(const QString& key) {
    const QString text = key.trimmed();
    if (text.size() < 8) return 0.0;
    const QStringView view(text);
    const QStringView year = view.mid(0, 4), month = view.mid(4, 2), day = view.mid(6, 2);
    if (!allAsciiDigits(year) || !allAsciiDigits(month) || !allAsciiDigits(day)) return 0.0;
    const QDate date(year.toInt(), month.toInt(), day.toInt());
    return date.isValid() ? DayFromDate(date) : 0.0;
}

int CenturyWindowStart() { return QDate::currentDate().year() - kCenturyBack; }

double DateWindow(double day) {
    // 0 and below name no date: windowing must not turn "no date" into 30 December 1999.
    const QDate date = DateFromDay(day);
    if (!date.isValid()) return day;
    const int first = CenturyWindowStart();
    int year = date.year();
    if (year < first)
        year += 100;
    else if (year >= first + 100)
        year -= 100;
    else
        return day;
    const QDate shifted(year, date.month(), date.day());
    if (!shifted.isValid()) return day;  // 29 February of a year that has none
    return DayFromDate(shifted) + timePart(day);
}

QString DateMask() {
    QString mask = QLocale().dateFormat(QLocale::ShortFormat).toUpper();
    for (QChar letter : {QLatin1Char('M'), QLatin1Char('D'), QLatin1Char('Y')}) {
        const qsizetype at = mask.indexOf(letter);
        if (at < 0) continue;
        if (at + 1 < mask.size() && mask[at + 1] == letter) continue;
        mask.insert(at, letter);
    }
    return mask;
}

QString DateText(double day) {
    const QDate date = DateFromDay(day);
    return date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : QString();
}

QString PadNumber(long long n, int width) { return QString::number(n).rightJustified(width, QLatin1Char(' ')); }

QString FixedText(double value, int width, int decimals) {
    // A value inside report markup, read back by the renderer: "." whatever the locale.
    return QString::number(value, 'f', std::max(decimals, 0)).rightJustified(width, QLatin1Char(' '));
}

QString TrimRight(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace()) --end;
    return text.left(end);
}

QString Blanks(int n) { return n > 0 ? QString(n, QLatin1Char(' ')) : QString(); }

QByteArray KeyText(const QString& text) { return Cp1252::fromUnicode(text.left(kKeyChars)); }

int IndexOfNumber(const QVariant& list, long long n) {
    const int type = list.typeId();
    if (type == QMetaType::QString || type == QMetaType::QByteArray || !list.canView<QSequentialIterable>())
        return -1;
    const QSequentialIterable items = list.value<QSequentialIterable>();
    int index = 0;
    for (const QVariant& item : items) {
        bool ok = false;
        const double value = item.toDouble(&ok);
        if (ok && value == double(n)) return index;
        ++index;
    }
    return -1;
}

int LastPos(const QString& sub, const QString& s) {
    if (sub.isEmpty()) return 0;
    return int(s.lastIndexOf(sub)) + 1;
}

QString FormatAmountText(const QString& text, const char* format) {
    return FormatAmountText(text, format, localeSeparator());
}

QString FormatAmountText(const QString& text, const char* format, QChar separator) {
    const QString compact = withoutBlanks(text);
    const Decimal value = readAmount(compact, separator);
    QString result = formatWith(format, value, separator);
    if (compact.startsWith(QLatin1Char('-')) && !value.isNegative())
        result = (QLatin1Char('-') + withoutLeadingBlanks(result)).rightJustified(text.size(), QLatin1Char(' '));
    return result;
}

Decimal ReadAmount(const QString& text) { return ReadAmount(text, localeSeparator()); }

Decimal ReadAmount(const QString& text, QChar separator) { return readAmount(withoutBlanks(text), separator); }

QString FormatNumber(const char* format, const Decimal& value) {
    return formatWith(format, value, localeSeparator());
}

QString FormatNumber(const char* format, const Decimal& value, QChar separator) {
    return formatWith(format, value, separator);
}

QString FormatNumber(const char* format, double value) {
    return formatWith(format, Decimal::fromDouble(value), localeSeparator());
}

QString FormatNumber(const char* format, double value, QChar separator) {
    return formatWith(format, Decimal::fromDouble(value), separator);
}

QChar DecimalSeparator() { return localeSeparator(); }

}  // namespace base
