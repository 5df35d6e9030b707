#include "pg/KeySql.h"

namespace pg {

const char* keyFunctionsSql() {
    // Str(n, w, d): rounded half away from zero (numeric round), right-justified, asterisks across
    // the width when it does not fit; a blank number is 0. DTOS: eight blanks for a blank date.
    // Upper: ASCII letters only, as the tags fold them (byte order, whatever the server's locale).
    return R"SQL(
CREATE OR REPLACE FUNCTION xb_str(v numeric, w integer, d integer) RETURNS text
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT CASE WHEN length(t) > w THEN repeat('*', w) ELSE lpad(t, w) END
   FROM (SELECT round(coalesce(v, 0), d)::text AS t) s $$;
CREATE OR REPLACE FUNCTION xb_dtos(v date) RETURNS text
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT coalesce(to_char(v, 'YYYYMMDD'), '        ') $$;
CREATE OR REPLACE FUNCTION xb_upper(v text) RETURNS text
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS
$$ SELECT translate(v, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ') $$;
)SQL";
}

std::string columnName(const std::string& field) {
    std::string s = "\"";
    for (char c : field) s += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return s + "\"";
}

bool keySql(const xbase::KeyTree& tree, std::string* sql, std::string* why) {
    using xbase::KeyTree;
    switch (tree.kind) {
    case KeyTree::Field: {
        const xbase::FieldLayout& f = tree.field;
        const std::string col = columnName(f.name);
        if (f.type == 'C') *sql = "rpad(" + col + ", " + std::to_string(f.len) + ")";
        else if (f.type == 'D') *sql = "xb_dtos(" + col + ")";
        else {
            *why = "the server cannot order by the bare field " + f.name;
            return false;
        }
        return true;
    }
    case KeyTree::Upper:
    case KeyTree::Dtos: {
        if (tree.kind == KeyTree::Dtos) return keySql(tree.args.at(0), sql, why);
        std::string inner;
        if (!keySql(tree.args.at(0), &inner, why)) return false;
        *sql = "xb_upper(" + inner + ")";
        return true;
    }
    case KeyTree::Str:
        *sql = "xb_str(" + columnName(tree.args.at(0).field.name) + ", " + std::to_string(tree.width) + ", " +
               std::to_string(tree.dec) + ")";
        return true;
    case KeyTree::Concat: {
        std::string joined;
        for (const KeyTree& part : tree.args) {
            std::string s;
            if (!keySql(part, &s, why)) return false;
            joined += joined.empty() ? "(" + s : " || " + s;
        }
        *sql = joined + ")";
        return true;
    }
    }
    *why = "unknown key form";
    return false;
}

}  // namespace pg
