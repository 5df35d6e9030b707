#pragma once
// A value written as a field stores it (C, N, D and L fields): shared by every driver, so a value a
// table refuses or reshapes is refused or reshaped alike whatever holds the table.
#include <string>
#include <string_view>

#include "xbase/KeyExpr.h"

namespace xbase {

// Each gives kOk and exactly f.len bytes in *bytes, or an error code (kErrValueTooWide,
// kErrBadValue, kErrFieldType) and the reason in *why.
int encodeText(const FieldLayout& f, std::string_view value, std::string* bytes, std::string* why);
int encodeLong(const FieldLayout& f, long value, std::string* bytes, std::string* why);
int encodeDouble(const FieldLayout& f, double value, std::string* bytes, std::string* why);

// Typed reads of a field's stored bytes.
double fieldDouble(char type, std::string_view stored);
long fieldLong(char type, std::string_view stored);
bool fieldTrue(char type, std::string_view stored);

}  // namespace xbase
