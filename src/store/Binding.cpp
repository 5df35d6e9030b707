#include "store/Binding.h"

#include <QDate>

#include "base/Format.h"
#include "store/RecordAccess.h"

namespace store::detail {

namespace {

// Reads without the temporaries a text would need: a walk reads fields of many records.
constexpr size_t kNumberChars = 32;  // wider than any N field

// The yyyymmdd of a D field as a day number; false when the field holds anything but eight digits.
bool readDigitsDate(std::string_view bytes, double* day) {
    if (bytes.size() != 8) return false;
    int parts[3] = {0, 0, 0};
    for (size_t i = 0; i < 8; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') return false;
        int& part = parts[i < 4 ? 0 : i < 6 ? 1 : 2];
        part = part * 10 + (bytes[i] - '0');
    }
    const QDate date(parts[0], parts[1], parts[2]);
    *day = date.isValid() ? base::DayFromDate(date) : 0.0;
    return true;
}

}  // namespace

void ReadValue(const xbase::Field* field, QString* value) {
    if (!field) *value = QString();
    else if (field->type() == 'M') *value = FromTableText(field->memoText());
    else *value = FromTableBytes(field->view());
}

void ReadValue(const xbase::Field* field, long* value) { *value = field ? field->asLong() : 0; }

void ReadValue(const xbase::Field* field, int* value) { *value = field ? field->asInt() : 0; }

void ReadValue(const xbase::Field* field, double* value) {
    if (!field) *value = 0;
    else if (field->type() != 'D') *value = field->asDouble();
    else if (!readDigitsDate(field->view(), value)) *value = base::KeyToDate(QString::fromLatin1(field->text()));
}

void ReadValue(const xbase::Field* field, base::Decimal* value) {
    *value = base::Decimal();
    // A blank or unreadable number reads as 0, as the engine reads it.
    if (!field) return;
    const std::string_view bytes = field->view();
    if (bytes.size() > kNumberChars) {
        base::Decimal::parse(QString::fromLatin1(bytes.data(), qsizetype(bytes.size())).trimmed(), QLatin1Char('.'), value);
        return;
    }
    char16_t wide[kNumberChars];  // the bytes as Latin-1, as a text of them would hold them
    for (size_t i = 0; i < bytes.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
    base::Decimal::parse(QStringView(wide, qsizetype(bytes.size())).trimmed(), QLatin1Char('.'), value);
}

void ReadValue(const xbase::Field* field, bool* value) { *value = field && field->isTrue(); }

int WriteValue(xbase::Field* field, const QString& value, int cut) {
    if (field->type() == 'M') {
        const std::string bytes = ToTableText(MemoForStore(value));
        return field->assignMemoN(bytes.data(), bytes.size());
    }
    return field->assignText(ToTableText(value.left(cut)));
}

int WriteValue(xbase::Field* field, long value, int) { return field->assignLong(value); }

int WriteValue(xbase::Field* field, int value, int) { return field->assignInt(value); }

int WriteValue(xbase::Field* field, double value, int) {
    if (field->type() == 'D') return field->assignText(base::DateToKey(value).toStdString());
    return field->assignDouble(value);
}

int WriteValue(xbase::Field* field, const base::Decimal& value, int) {
    // Rounded half away from zero to the field's decimals; too wide a value is refused by the engine.
    return field->assignText(value.toFixed(field->decimals()).toStdString());
}

int WriteValue(xbase::Field* field, bool value, int) { return field->assignText(value ? "T" : "F"); }

namespace {

std::string wholeNumberMisfit(const FieldEntry& f, int maxDigits) {
    if (f.type != 'N') return "a whole number bound to a field of type " + std::string(1, f.type);
    if (f.dec != 0) return "a whole number bound to a field with decimals";
    if (f.len > maxDigits) return "the field is wider than the member can hold";
    return {};
}

}  // namespace

std::string Misfit(const FieldEntry& f, const QString*) {
    return f.type == 'C' || f.type == 'M' ? std::string() : "a text bound to a field of type " + std::string(1, f.type);
}
std::string Misfit(const FieldEntry& f, const long*) { return wholeNumberMisfit(f, 18); }
std::string Misfit(const FieldEntry& f, const int*) { return wholeNumberMisfit(f, 9); }
std::string Misfit(const FieldEntry& f, const double*) {
    return f.type == 'N' || f.type == 'D' ? std::string() : "a number bound to a field of type " + std::string(1, f.type);
}
std::string Misfit(const FieldEntry& f, const base::Decimal*) {
    if (f.type != 'N') return "an amount bound to a field of type " + std::string(1, f.type);
    // Eight decimals and the sign: what the amount type holds exactly.
    return f.dec <= 8 ? std::string() : "the field has more decimals than an amount holds";
}
std::string Misfit(const FieldEntry& f, const bool*) {
    return f.type == 'L' ? std::string() : "a flag bound to a field of type " + std::string(1, f.type);
}

}  // namespace store::detail
