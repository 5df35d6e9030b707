#pragma once
// Reading and writing the fields of a table's current record with the program's access types: texts
// in Windows-1252 (the one place where text is converted), memos whole, logicals "T"/"F", dates as
// yyyymmdd text held as day numbers. Fields are found by name on each access; a field the table does
// not have reads as empty or 0 and is not written. The program reaches its fields through the buffers'
// bindings (store/Binding.h); this by-name access is for tools and tests that read any table.
#include <QString>

#include <string>
#include <string_view>

#include "base/Decimal.h"
#include "xbase/Engine.h"

namespace store {

// The Windows-1252 bytes of a text; a character the code page cannot hold becomes '?' (the entry
// windows refuse such characters before they reach a table).
std::string ToTableText(const QString& text);
// The same with ASCII letters upper-cased, as the tags that ignore case hold their keys.
std::string ToFoldedTableText(const QString& text);
QString FromTableText(const std::string& bytes);
QString FromTableBytes(std::string_view bytes);
// True when every character of text has a Windows-1252 byte.
bool FitsTableText(const QString& text);
// Text cut to 59 characters, as every store writes it.
QString CutText(const QString& text);
// Memo text as stored: whole, with trailing blanks and line ends cut and the end-of-memo character
// (which a memo file cannot hold) dropped.
QString MemoForStore(const QString& text);

class RecordAccess {
public:
    explicit RecordAccess(xbase::Table* table) : m_table(table) {}

    QString text(const char* field) const;     // blank-padded as stored
    QString memo(const char* field) const;
    long asLong(const char* field) const;
    int asInt(const char* field) const;
    double asDouble(const char* field) const;
    base::Decimal decimal(const char* field) const;  // exactly as stored; 0 for blank text
    bool flag(const char* field) const;
    double date(const char* field) const;      // day number; 0 for empty or short text

    // Each returns the engine's result (0 stored).
    int setText(const char* field, const QString& value) const;  // cut to 59, then to the width
    int setTextCut(const char* field, const QString& value, int cut) const;
    int setMemo(const char* field, const QString& value) const;  // MemoForStore, written with its length
    int setLong(const char* field, long value) const;
    int setInt(const char* field, int value) const;
    int setDouble(const char* field, double value) const;
    // Rounded half away from zero to the field's decimals; too wide a value is refused.
    int setDecimal(const char* field, const base::Decimal& value) const;
    int setFlag(const char* field, bool value) const;  // "T" / "F"
    int setDate(const char* field, double day) const;  // "" for 0 or less

private:
    xbase::Field* find(const char* field) const;
    xbase::Table* m_table;
};

}  // namespace store
