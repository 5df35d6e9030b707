#pragma once
// A tag's key expression as SQL that gives the very key bytes the NTX tag holds, so that an
// expression index ordered by it with byte collation orders the records as the tag does.
#include <string>

#include "xbase/KeyExpr.h"

namespace pg {

// The functions the key SQL calls, declared immutable so that indexes may use them. Run once per
// database by whoever creates its tables.
const char* keyFunctionsSql();

// SQL for a compiled expression over the table's columns (named as the fields, in lower case).
// Returns false with *why for a form the server cannot order by (a bare number or logical field).
bool keySql(const xbase::KeyTree& tree, std::string* sql, std::string* why);

// A field's column name: the field's name in lower case, quoted.
std::string columnName(const std::string& field);

}  // namespace pg
