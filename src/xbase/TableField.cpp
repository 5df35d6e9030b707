#include "xbase/TableField.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "xbase/DbfTable.h"
#include "xbase/FieldText.h"

namespace xbase {

std::string_view TableField::view() const {
    return {reinterpret_cast<const char*>(m_table.record()) + m_layout.offset, size_t(m_layout.len)};
}

std::string TableField::text() const { return std::string(view()); }

std::string TableField::memoText() const {
    if (m_layout.type != 'M') return {};
    std::string text;
    m_table.readMemo(this->text(), &text);
    return text;
}

double TableField::asDouble() const { return fieldDouble(m_layout.type, view()); }

long TableField::asLong() const { return fieldLong(m_layout.type, view()); }

int TableField::asInt() const {
    const long v = asLong();
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

bool TableField::isTrue() const { return fieldTrue(m_layout.type, view()); }

int TableField::store(int rc, const std::string& bytes, const std::string& why) {
    if (rc != kOk) return m_table.fail(rc, why);
    uint8_t* rec = m_table.editRecord();
    if (!rec) return kErrRecord;
    std::memcpy(rec + m_layout.offset, bytes.data(), size_t(m_layout.len));
    return kOk;
}

int TableField::assignText(std::string_view value) {
    if (m_layout.type == 'M') return assignMemo(value);
    std::string bytes, why;
    const int rc = encodeText(m_layout, value, &bytes, &why);
    return store(rc, bytes, why);
}

int TableField::assignLong(long value) {
    std::string bytes, why;
    const int rc = encodeLong(m_layout, value, &bytes, &why);
    return store(rc, bytes, why);
}

int TableField::assignInt(int value) { return assignLong(value); }

int TableField::assignDouble(double value) {
    std::string bytes, why;
    const int rc = encodeDouble(m_layout, value, &bytes, &why);
    return store(rc, bytes, why);
}

int TableField::assignMemo(std::string_view value) {
    if (m_layout.type != 'M') return m_table.fail(kErrFieldType, "Memo text does not fit field " + m_layout.name);
    if (!m_table.editRecord()) return kErrRecord;
    const size_t width = size_t(m_layout.len);
    if (value.empty()) return store(kOk, std::string(width, ' '), {});
    uint32_t block = 0;
    const int rc = m_table.writeMemo(value, &block);
    if (rc != kOk) return rc;
    const std::string ref = std::to_string(block);
    if (ref.size() > width) return m_table.fail(kErrValueTooWide, "Memo reference does not fit field " + m_layout.name);
    return store(kOk, std::string(width - ref.size(), ' ') + ref, {});
}

int TableField::assignMemoN(const char* value, size_t length) {
    return assignMemo(std::string_view(value, value ? length : 0));
}

}  // namespace xbase
