#include "store/RecordAccess.h"

#include "base/Cp1252.h"
#include "base/Format.h"
#include "store/Catalogue.h"

namespace store {

std::string ToTableText(const QString& text) { return base::Cp1252::fromUnicode(text).toStdString(); }

QString FromTableText(const std::string& bytes) {
    return base::Cp1252::toUnicode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
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

QString RecordAccess::text(const char* field) const {
    const xbase::Field* f = find(field);
    return f ? FromTableText(f->text()) : QString();
}

QString RecordAccess::memo(const char* field) const {
    const xbase::Field* f = find(field);
    return f ? FromTableText(f->memoText()) : QString();
}

long RecordAccess::asLong(const char* field) const {
    const xbase::Field* f = find(field);
    return f ? f->asLong() : 0;
}

int RecordAccess::asInt(const char* field) const {
    const xbase::Field* f = find(field);
    return f ? f->asInt() : 0;
}

double RecordAccess::asDouble(const char* field) const {
    const xbase::Field* f = find(field);
    return f ? f->asDouble() : 0.0;
}

base::Decimal RecordAccess::decimal(const char* field) const {
    const xbase::Field* f = find(field);
    if (!f) return {};
    base::Decimal value;
    // A blank or unreadable N field reads as 0, as the engine reads it.
    return base::Decimal::parse(QString::fromLatin1(f->text()).trimmed(), QLatin1Char('.'), &value) ? value
                                                                                                    : base::Decimal();
}

bool RecordAccess::flag(const char* field) const {
    const xbase::Field* f = find(field);
    return f && f->isTrue();
}

double RecordAccess::date(const char* field) const {
    const xbase::Field* f = find(field);
    return f ? base::KeyToDate(QString::fromLatin1(f->text())) : 0.0;
}

int RecordAccess::setText(const char* field, const QString& value) const {
    return setTextCut(field, value, kTextCut);
}

int RecordAccess::setTextCut(const char* field, const QString& value, int cut) const {
    xbase::Field* f = find(field);
    return f ? f->assignText(ToTableText(value.left(cut))) : xbase::kErrFieldNotFound;
}

int RecordAccess::setMemo(const char* field, const QString& value) const {
    xbase::Field* f = find(field);
    if (!f) return xbase::kErrFieldNotFound;
    const std::string bytes = ToTableText(MemoForStore(value));
    return f->assignMemoN(bytes.data(), bytes.size());
}

int RecordAccess::setLong(const char* field, long value) const {
    xbase::Field* f = find(field);
    return f ? f->assignLong(value) : xbase::kErrFieldNotFound;
}

int RecordAccess::setInt(const char* field, int value) const {
    xbase::Field* f = find(field);
    return f ? f->assignInt(value) : xbase::kErrFieldNotFound;
}

int RecordAccess::setDouble(const char* field, double value) const {
    xbase::Field* f = find(field);
    return f ? f->assignDouble(value) : xbase::kErrFieldNotFound;
}

int RecordAccess::setDecimal(const char* field, const base::Decimal& value) const {
    xbase::Field* f = find(field);
    return f ? f->assignText(value.toFixed(f->decimals()).toStdString()) : xbase::kErrFieldNotFound;
}

int RecordAccess::setFlag(const char* field, bool value) const {
    xbase::Field* f = find(field);
    return f ? f->assignText(value ? "T" : "F") : xbase::kErrFieldNotFound;
}

int RecordAccess::setDate(const char* field, double day) const {
    xbase::Field* f = find(field);
    return f ? f->assignText(base::DateToKey(day).toStdString()) : xbase::kErrFieldNotFound;
}

}  // namespace store
