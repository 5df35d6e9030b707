#include "base/DateInput.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/Format.h"

namespace base {
namespace {

enum class Part { Day, Month, Year };

struct Token {
    QString text;
    bool digits;
};

// The order of day, month and year in the locale's short format ("M/d/yy": month, day, year).
std::array<Part, 3> partOrder(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    auto at = [&format](char letter) {
        const qsizetype i = format.indexOf(QLatin1Char(letter));
        return i < 0 ? format.size() : i;
    };
    std::array<std::pair<qsizetype, Part>, 3> found = {
        {{at('d'), Part::Day}, {at('M'), Part::Month}, {at('y'), Part::Year}}};
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return {found[0].second, found[1].second, found[2].second};
}

// Runs of digits and runs of letters; everything else only separates them.
std::vector<Token> tokensOf(const QString& text) {
    std::vector<Token> tokens;
    for (const QChar c : text) {
        const bool digit = c.isDigit();
        if (!digit && !c.isLetter()) {
            if (!tokens.empty() && !tokens.back().text.isEmpty()) tokens.push_back({});
            continue;
        }
        if (tokens.empty() || (!tokens.back().text.isEmpty() && tokens.back().digits != digit)) tokens.push_back({});
        tokens.back().text += c;
        tokens.back().digits = digit;
    }
    if (!tokens.empty() && tokens.back().text.isEmpty()) tokens.pop_back();
    return tokens;
}

// 1 to 12 for a month's name or its short name in the locale or in English, or at least its first
// three letters; 0 otherwise.
int monthNamed(const QString& word, const QLocale& locale) {
    if (word.size() < 3) return 0;
    for (const QLocale& l : {locale, QLocale::c()}) {
        for (int m = 1; m <= 12; ++m) {
            const QString full = l.monthName(m, QLocale::LongFormat);
            if (full.startsWith(word, Qt::CaseInsensitive) ||
                l.monthName(m, QLocale::ShortFormat).compare(word, Qt::CaseInsensitive) == 0)
                return m;
        }
    }
    return 0;
}

// A typed year: one or two digits fall into the century window.
int yearOf(const Token& token) {
    const int number = token.text.toInt();
    if (token.text.size() > 2) return number;
    const int first = CenturyWindowStart();
    return first + ((number - first % 100) % 100 + 100) % 100;
}

}  // namespace

TypedDate ReadTypedDate(const QString& text, const QLocale& locale) {
    using Status = TypedDate::Status;
    if (text.trimmed().isEmpty()) return {};
    const std::vector<Token> tokens = tokensOf(text);
    if (tokens.size() != 3) return {Status::Invalid, {}};

    std::array<Part, 3> order = partOrder(locale);
    const auto words = std::count_if(tokens.begin(), tokens.end(), [](const Token& t) { return !t.digits; });
    int month = 0;
    if (words == 1) {
        // A named month: the two numbers are day and year, a long number being the year.
        const auto named = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) { return !t.digits; });
        month = monthNamed(named->text, locale);
        if (month == 0) return {Status::Invalid, {}};
        std::array<Part, 3> rest = order;
        std::stable_partition(rest.begin(), rest.end(), [](Part p) { return p != Part::Month; });
        std::vector<const Token*> numbers;
        for (const Token& t : tokens)
            if (t.digits) numbers.push_back(&t);
        if (numbers[0]->text.size() > 2) rest = {Part::Year, Part::Day, Part::Month};
        else if (numbers[1]->text.size() > 2) rest = {Part::Day, Part::Year, Part::Month};
        int n = 0;
        for (size_t i = 0; i < tokens.size(); ++i)
            order[i] = tokens[i].digits ? rest[size_t(n++)] : Part::Month;
    } else if (words > 1) {
        return {Status::Invalid, {}};
    } else if (tokens[0].text.size() == 4 && order[0] != Part::Year) {
        order = {Part::Year, Part::Month, Part::Day};  // 2026-12-08 whatever the locale
    }

    int day = 0, year = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        switch (order[i]) {
        case Part::Day: day = tokens[i].text.toInt(); break;
        case Part::Month:
            if (tokens[i].digits) month = tokens[i].text.toInt();
            break;
        case Part::Year: year = yearOf(tokens[i]); break;
        }
    }
    const QDate date(year, month, day);
    // The tables keep dates of the century window only: any other year would come back changed.
    const int first = CenturyWindowStart();
    if (!date.isValid() || year < first || year >= first + 100) return {Status::Invalid, {}};
    return {Status::Valid, date};
}

}  // namespace base
