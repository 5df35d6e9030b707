#pragma once
// A field of an open table: typed reads of the current record and assignments into it.
#include <string>

#include "xbase/Engine.h"
#include "xbase/KeyExpr.h"

namespace xbase {

class DbfTable;

class TableField final : public Field {
public:
    TableField(DbfTable& table, const FieldLayout& layout) : m_table(table), m_layout(layout) {}

    const std::string& name() const override { return m_layout.name; }
    char type() const override { return m_layout.type; }
    int length() const override { return m_layout.len; }
    int decimals() const override { return m_layout.dec; }

    std::string text() const override;
    std::string_view view() const override;
    std::string memoText() const override;
    long asLong() const override;
    int asInt() const override;
    double asDouble() const override;
    bool isTrue() const override;

    int assignText(std::string_view value) override;
    int assignLong(long value) override;
    int assignInt(int value) override;
    int assignDouble(double value) override;
    int assignMemo(std::string_view value) override;
    int assignMemoN(const char* value, size_t length) override;

private:
    // Stores exactly len bytes into the current record when rc is kOk; else fails with why.
    int store(int rc, const std::string& bytes, const std::string& why);

    DbfTable& m_table;
    FieldLayout m_layout;
};

}  // namespace xbase
