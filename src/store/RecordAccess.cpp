#include "store/RecordAccess.h"

#include "base/Cp1252.h"
#include "base/Format.h"
#include "store/Binding.h"
#include "store/Catalogue.h"
#include "xbase/AsciiCase.h"

namespace store {

std::string ToTableText(const QString& text) { return base::Cp1252::fromUnicode(text).toStdString(); }

std::string ToFoldedTableText(const QString& text) { return xbase::upperAscii(ToTableText(text)); }

QString FromTableText(const std::string& bytes) { return FromTableBytes(bytes); }

QString FromTableBytes(std::string_view bytes) {
    // Converted where they lie: no copy of the bytes is made.
    return base::Cp1252::toUnicode(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool FitsTableText(const QString& text) { return base::Cp1252::fits(text); }

QString CutText(const QString& text) { return text.left(kTextCut); }

QString MemoForStore(const QString& text) {
    QString memo = text;
    // A memo file ends each memo at this character, so it can never be part of one.
    memo.remove(QChar(0x1A));
    qsizetype end = memo.size();
    while (end > 0 && memo.at(end - 1).unicode() <= ' ') --end;
    memo.truncate(end);
    return memo;
}

xbase::Field* RecordAccess::find(const char* field) const { return m_table ? m_table->field(field) : nullptr; }

namespace {

template <class T>
T readAs(const xbase::Field* field) {
    T value{};
    detail::ReadValue(field, &value);
    return value;
}

template <class T>
int writeAs(xbase::Field* field, const T& value, int cut = kTextCut) {
    return field ? detail::WriteValue(field, value, cut) : xbase::kErrFieldNotFound;
}

}  // namespace

QString RecordAccess::text(const char* field) const { return readAs<QString>(find(field)); }
QString RecordAccess::memo(const char* field) const { return readAs<QString>(find(field)); }
long RecordAccess::asLong(const char* field) const { return readAs<long>(find(field)); }
int RecordAccess::asInt(const char* field) const { return readAs<int>(find(field)); }
double RecordAccess::asDouble(const char* field) const { return readAs<double>(find(field)); }
base::Decimal RecordAccess::decimal(const char* field) const { return readAs<base::Decimal>(find(field)); }
bool RecordAccess::flag(const char* field) const { return readAs<bool>(find(field)); }
double RecordAccess::date(const char* field) const { return readAs<double>(find(field)); }

int RecordAccess::setText(const char* field, const QString& value) const { return writeAs(find(field), value); }
int RecordAccess::setTextCut(const char* field, const QString& value, int cut) const {
    return writeAs(find(field), value, cut);
}
int RecordAccess::setMemo(const char* field, const QString& value) const { return writeAs(find(field), value); }
int RecordAccess::setLong(const char* field, long value) const { return writeAs(find(field), value); }
int RecordAccess::setInt(const char* field, int value) const { return writeAs(find(field), value); }
int RecordAccess::setDouble(const char* field, double value) const { return writeAs(find(field), value); }
int RecordAccess::setDecimal(const char* field, const base::Decimal& value) const {
    return writeAs(find(field), value);
}
int RecordAccess::setFlag(const char* field, bool value) const { return writeAs(find(field), value); }
int RecordAccess::setDate(const char* field, double day) const { return writeAs(find(field), day); }

}  // namespace store
