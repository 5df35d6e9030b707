#pragma once
// One binding table per record buffer: which field of its table each member is. Loading, storing and
// single-field reads all go through it, so a field's name is written once, in its binding, and the
// start-up check holds every binding against the catalogue (name, type, width).
//
// How a member is read and written follows the catalogued field type: C texts (as read, cut when
// stored), M memos (whole), D dates (day numbers in a double), L logicals (bool), N numbers (long and
// int whole numbers, base::Decimal amounts exactly, double measures).
#include <QString>

#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "base/Decimal.h"
#include "store/Catalogue.h"
#include "store/WriteResult.h"
#include "xbase/Engine.h"

namespace store {

template <class B>
struct Binding {
    using Member = std::variant<QString B::*, long B::*, int B::*, double B::*, base::Decimal B::*, bool B::*>;
    const char* field;
    Member member;
    bool loaded = true;  // false: always stored as the member's fixed value, never read back
    int cut = kTextCut;  // texts are cut to this many characters before the field's width
};

// Specialised once per buffer, as a BoundTo, beside the buffer; list() is defined beside its routines.
template <class B>
struct BindingOf;

template <class B, TableKey K>
struct BoundTo {
    static constexpr TableKey table = K;
    static const std::vector<Binding<B>>& list();
};

namespace detail {

// One value between a field and a member, by the field's type. A missing field reads as empty.
void ReadValue(const xbase::Field* field, QString* value);
void ReadValue(const xbase::Field* field, long* value);
void ReadValue(const xbase::Field* field, int* value);
void ReadValue(const xbase::Field* field, double* value);
void ReadValue(const xbase::Field* field, base::Decimal* value);
void ReadValue(const xbase::Field* field, bool* value);
int WriteValue(xbase::Field* field, const QString& value, int cut);
int WriteValue(xbase::Field* field, long value, int cut);
int WriteValue(xbase::Field* field, int value, int cut);
int WriteValue(xbase::Field* field, double value, int cut);
int WriteValue(xbase::Field* field, const base::Decimal& value, int cut);
int WriteValue(xbase::Field* field, bool value, int cut);
// "" when a member of this kind can hold the catalogued field, else what does not fit.
std::string Misfit(const FieldEntry& field, const QString*);
std::string Misfit(const FieldEntry& field, const long*);
std::string Misfit(const FieldEntry& field, const int*);
std::string Misfit(const FieldEntry& field, const double*);
std::string Misfit(const FieldEntry& field, const base::Decimal*);
std::string Misfit(const FieldEntry& field, const bool*);

// Writes the fields; on the first refusal drops every change made to the record and returns it.
template <class B>
int WriteFields(xbase::Table* table, const B& buffer) {
    for (const Binding<B>& b : BindingOf<B>::list()) {
        xbase::Field* field = table->field(b.field);
        if (!field) continue;  // an older table without the field
        const int rc = std::visit([&](auto member) { return WriteValue(field, buffer.*member, b.cut); }, b.member);
        if (rc < 0) {
            table->revert();
            return rc;
        }
    }
    return xbase::kOk;
}

}  // namespace detail

// The current record of table into buffer.
template <class B>
void ReadRecord(xbase::Table* table, B* buffer) {
    for (const Binding<B>& b : BindingOf<B>::list()) {
        if (!b.loaded) continue;
        const xbase::Field* field = table ? table->field(b.field) : nullptr;
        std::visit([&](auto member) { detail::ReadValue(field, &(buffer->*member)); }, b.member);
    }
}

// The buffer into the current record of table without committing it (for writers that fill a new
// table record by record). A refused value drops the record's changes; the engine's result.
template <class B>
[[nodiscard]] int WriteRecord(xbase::Table* table, const B& buffer) {
    return table ? detail::WriteFields(table, buffer) : xbase::kErrArgument;
}

// The buffer into the current record of table, and the record with its keys to disk. All or nothing:
// a refused value or a failed write leaves the record as it was and returns the reason.
template <class B>
WriteResult StoreRecord(xbase::Table* table, const B& buffer) {
    constexpr TableKey key = BindingOf<B>::table;
    if (!table) return WriteResult::EngineFailure(xbase::kErrRecord, key);
    int rc = detail::WriteFields(table, buffer);
    if (rc >= 0) {
        rc = table->flush(false);
        if (rc < 0) table->revert();
    }
    return rc < 0 ? WriteResult::EngineFailure(rc, key) : WriteResult();
}

// The binding of one member: its field name. REQUIRES: the member is bound.
template <class B, class T>
const Binding<B>& BindingOfMember(T B::*member) {
    for (const Binding<B>& b : BindingOf<B>::list())
        if (const auto* held = std::get_if<T B::*>(&b.member); held && *held == member) return b;
    return BindingOf<B>::list().front();  // unreachable for a bound member
}

// One field of the current record, read as its member would be: for walks that need a field or two
// of many records without loading each whole (and its memo).
template <class B, class T>
T ReadField(xbase::Table* table, T B::*member) {
    T value{};
    detail::ReadValue(table ? table->field(BindingOfMember(member).field) : nullptr, &value);
    return value;
}

// One field of the current record, written as its member would be (not committed).
template <class B, class T>
int WriteField(xbase::Table* table, T B::*member, const T& value) {
    const Binding<B>& b = BindingOfMember(member);
    xbase::Field* field = table ? table->field(b.field) : nullptr;
    return field ? detail::WriteValue(field, value, b.cut) : xbase::kErrFieldNotFound;
}

// The catalogued width of a member's field: the longest text it holds.
template <class B, class T>
int FieldWidth(T B::*member) {
    return Table(BindingOf<B>::table).fieldWidth(BindingOfMember(member).field);
}

// What does not fit in the bindings of B against the catalogue: unknown fields, fields bound twice,
// members of a kind the field's type or width cannot hold. Empty when all is well.
template <class B>
std::vector<std::string> BindingFaults() {
    std::vector<std::string> faults;
    const TableEntry& table = Table(BindingOf<B>::table);
    std::vector<int> seen;
    for (const Binding<B>& b : BindingOf<B>::list()) {
        const std::string where = std::string(table.name) + "." + b.field;
        const int i = table.fieldIndex(b.field);
        if (i < 0) {
            faults.push_back(where + ": no such field");
            continue;
        }
        for (int s : seen)
            if (s == i) faults.push_back(where + ": bound twice");
        seen.push_back(i);
        const std::string misfit =
            std::visit([&](auto member) {
                using T = std::remove_reference_t<decltype(std::declval<B&>().*member)>;
                return detail::Misfit(table.fields[size_t(i)], static_cast<const T*>(nullptr));
            }, b.member);
        if (!misfit.empty()) faults.push_back(where + ": " + misfit);
    }
    return faults;
}

}  // namespace store
