#include "pg/PgTable.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

#include "pg/KeySql.h"
#include "xbase/FieldText.h"
#include "xbase/NumberText.h"

namespace pg {

using namespace xbase;

namespace {

constexpr long kFirstBatch = 32;   // a pick list's page and a little more
constexpr long kLastBatch = 4096;  // a long walk: a few hundred round trips for most of a million
constexpr int kFirstField = 2;     // result columns: xb_recno, xb_deleted, the fields

bool blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string rtrim(std::string_view s) {
    const size_t end = s.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1));
}

// A stored field as a statement parameter (NULL for a blank number, date or logical).
Param toParam(const FieldLayout& f, std::string_view stored, const std::string& memo) {
    switch (f.type) {
    case 'C': return rtrim(stored);
    case 'N': return blank(stored) ? Param() : Param(std::string(stored.substr(stored.find_first_not_of(' '))));
    case 'D':
        if (blank(stored)) return Param();
        return std::string(stored.substr(0, 4)) + "-" + std::string(stored.substr(4, 2)) + "-" +
               std::string(stored.substr(6, 2));
    case 'L': return stored[0] == 'T' ? Param("t") : stored[0] == 'F' ? Param("f") : Param();
    case 'M': return memo.empty() ? Param() : Param(memo);
    }
    return Param();
}

// A column's value as the field stores it, written over the field's bytes of the image.
void fromColumn(const FieldLayout& f, const Result& r, int row, int col, char* out, std::string* memo) {
    const size_t len = size_t(f.len);
    std::memset(out, ' ', len);
    if (r.null(row, col)) return;
    const std::string_view v = r.value(row, col);
    switch (f.type) {
    case 'C': std::memcpy(out, v.data(), std::min(len, v.size())); break;
    case 'N': {
        std::string text;
        if (formatNumberText(v, f.len, f.dec, &text) == kOk) std::memcpy(out, text.data(), len);
        else std::memset(out, '*', len);  // wider than the field: shown as xBase shows it
        break;
    }
    case 'D':
        if (v.size() >= 10) {
            std::memcpy(out, v.data(), 4);
            std::memcpy(out + 4, v.data() + 5, 2);
            std::memcpy(out + 6, v.data() + 8, 2);
        }
        break;
    case 'L': out[0] = v == "t" ? 'T' : 'F'; break;
    case 'M':
        *memo = std::string(v);
        if (!memo->empty()) out[len - 1] = '1';  // a memo is there; its text is read by memoText()
        break;
    }
}

// The field type a column's SQL type stands for.
bool fieldOf(const std::string& name, const std::string& type, long chars, long precision, long scale,
             FieldLayout* f) {
    f->name.clear();
    for (char c : name) f->name += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    if (type == "character varying") *f = {f->name, 'C', int(chars), 0, 0};
    else if (type == "numeric") *f = {f->name, 'N', int(precision), int(scale), 0};
    else if (type == "date") *f = {f->name, 'D', 8, 0, 0};
    else if (type == "boolean") *f = {f->name, 'L', 1, 0, 0};
    else if (type == "text") *f = {f->name, 'M', 10, 0, 0};
    else return false;
    return f->len > 0;
}

}  // namespace

// ---- fields ----

std::string_view PgField::view() const {
    return std::string_view(m_table.current().image).substr(size_t(m_layout.offset), size_t(m_layout.len));
}

std::string PgField::memoText() const {
    if (m_layout.type != 'M') return {};
    const std::string& memo = m_table.current().memos[size_t(m_index)];
    return memo.substr(0, memo.find('\x1A'));
}

double PgField::asDouble() const { return fieldDouble(m_layout.type, view()); }
long PgField::asLong() const { return fieldLong(m_layout.type, view()); }
int PgField::asInt() const {
    const long v = asLong();
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}
bool PgField::isTrue() const { return fieldTrue(m_layout.type, view()); }

int PgField::store(int rc, const std::string& bytes, const std::string& why) {
    if (rc != kOk) return m_table.fail(rc, why);
    char* rec = m_table.editRecord(&rc);
    if (!rec) return rc;
    std::memcpy(rec + m_layout.offset, bytes.data(), size_t(m_layout.len));
    return kOk;
}

int PgField::assignText(std::string_view value) {
    if (m_layout.type == 'M') return assignMemo(value);
    std::string bytes, why;
    const int rc = encodeText(m_layout, value, &bytes, &why);
    return store(rc, bytes, why);
}

int PgField::assignLong(long value) {
    std::string bytes, why;
    const int rc = encodeLong(m_layout, value, &bytes, &why);
    return store(rc, bytes, why);
}

int PgField::assignDouble(double value) {
    std::string bytes, why;
    const int rc = encodeDouble(m_layout, value, &bytes, &why);
    return store(rc, bytes, why);
}

int PgField::assignMemo(std::string_view value) {
    if (m_layout.type != 'M') return m_table.fail(kErrFieldType, "Memo text does not fit field " + m_layout.name);
    if (value.find('\x1A') != std::string_view::npos)
        return m_table.fail(kErrBadValue, "A memo cannot hold the end-of-text mark: field " + m_layout.name);
    if (value.find('\0') != std::string_view::npos)
        return m_table.fail(kErrBadValue, "A memo on the server cannot hold a zero byte: field " + m_layout.name);
    int rc = kOk;
    std::string* memo = m_table.editMemo(m_index, &rc);
    if (!memo) return rc;
    *memo = std::string(value);
    std::string marker(size_t(m_layout.len), ' ');
    if (!value.empty()) marker.back() = '1';
    return store(kOk, marker, {});
}

// ---- the table ----

PgTable::PgTable(PgDriver& driver, std::string name, std::string sqlName)
    : m_driver(driver), m_name(std::move(name)), m_sqlName(std::move(sqlName)) {}

int PgTable::fail(int code, const std::string& message) {
    return m_driver.failWith(code, m_name, message);
}

int PgTable::open(bool withTags) {
    Connection& c = m_driver.connection();
    const std::string bare = m_sqlName.substr(1, m_sqlName.size() - 2);
    Result r = c.exec(
        "SELECT column_name, data_type, coalesce(character_maximum_length, 0), coalesce(numeric_precision, 0), "
        "coalesce(numeric_scale, 0) FROM information_schema.columns WHERE table_schema = current_schema() AND "
        "table_name = $1 ORDER BY ordinal_position",
        {bare});
    if (!r.ok()) return m_driver.failed(r, m_name, "Cannot read the table's columns");
    if (r.rows() == 0) return fail(kErrOpen, "The database has no table " + m_name);
    bool hasRecno = false, hasDeleted = false;
    m_columns = "xb_recno, xb_deleted";
    for (int i = 0; i < r.rows(); ++i) {
        const std::string col(r.value(i, 0));
        if (col == "xb_recno") { hasRecno = true; continue; }
        if (col == "xb_deleted") { hasDeleted = true; continue; }
        FieldLayout f;
        if (!fieldOf(col, std::string(r.value(i, 1)), r.number(i, 2), r.number(i, 3), r.number(i, 4), &f))
            return fail(kErrCorruptTable, "Column " + col + " of table " + m_name + " has a type no field has (" +
                                              std::string(r.value(i, 1)) + ")");
        f.offset = m_recordLength;
        m_recordLength += f.len;
        m_layouts.push_back(f);
        m_columns += ", " + columnName(f.name);
    }
    if (!hasRecno || !hasDeleted)
        return fail(kErrOpen, "Table " + m_name + " lacks the column " + (hasRecno ? "xb_deleted" : "xb_recno"));
    // The fields the table was made with must all be there: a column dropped since is refused by name.
    Result made = c.exec("SELECT name FROM xb_fields WHERE tbl = $1 ORDER BY pos", {bare});
    if (!made.ok()) return m_driver.failed(made, m_name, "Cannot read the table's fields");
    for (int i = 0; i < made.rows(); ++i) {
        const std::string want(made.value(i, 0));
        if (std::none_of(m_layouts.begin(), m_layouts.end(), [&](const FieldLayout& f) { return f.name == want; }))
            return fail(kErrOpen, "Table " + m_name + " lacks the column " + columnName(want) + " of field " + want);
    }
    for (size_t i = 0; i < m_layouts.size(); ++i) {
        m_fields.push_back(std::make_unique<PgField>(*this, m_layouts[i], int(i)));
        m_fieldList.push_back(m_fields.back().get());
    }
    m_exclusive = m_driver.accessMode() == 1;
    Result rights = c.exec("SELECT has_table_privilege($1, 'INSERT') AND has_table_privilege($1, 'UPDATE') AND "
                           "has_table_privilege($1, 'DELETE')",
                           {m_sqlName});
    if (!rights.ok()) return m_driver.failed(rights, m_name, "Cannot read the rights on the table");
    m_readOnly = rights.value(0, 0) != "t";
    if (withTags) {
        const int rc = loadTags();
        if (rc < 0) return rc;
    }
    toPhantom(true);
    return refreshCount();
}

int PgTable::loadTags() {
    Connection& c = m_driver.connection();
    const std::string bare = m_sqlName.substr(1, m_sqlName.size() - 2);
    Result r = c.exec("SELECT t.name, t.expression, t.index, i.indexname IS NOT NULL FROM xb_tags t "
                      "LEFT JOIN pg_indexes i ON i.schemaname = current_schema() AND i.indexname = t.index "
                      "WHERE t.tbl = $1 ORDER BY t.pos",
                      {bare});
    if (!r.ok()) return m_driver.failed(r, m_name, "Cannot read the table's tags");
    std::vector<std::unique_ptr<PgTag>> tags;
    for (int i = 0; i < r.rows(); ++i) {
        const std::string name(r.value(i, 0)), expression(r.value(i, 1)), index(r.value(i, 2));
        if (r.value(i, 3) != "t")
            return fail(kErrOpen, "The database lacks the index " + index + " of tag " + name + " of table " +
                                              m_name);
        std::unique_ptr<KeyExpr> expr;
        std::string why, sql;
        if (KeyExpr::compile(expression, m_layouts, &expr, &why) != kOk || !keySql(expr->tree(), &sql, &why))
            return fail(kErrExpression, "Tag " + name + " of table " + m_name + ": " + why);
        tags.push_back(std::make_unique<PgTag>(name, expression, sql, std::move(expr), index));
    }
    m_tag = nullptr;
    m_tags = std::move(tags);
    m_tagList.clear();
    for (const auto& t : m_tags) m_tagList.push_back(t.get());
    return kOk;
}

PgTable::Row PgTable::blankRow() const {
    Row row;
    row.image.assign(size_t(m_recordLength), ' ');
    row.memos.resize(m_layouts.size());
    return row;
}

int PgTable::close() {
    const int rc = flush(false);
    m_driver.closed(this);  // destroys this table
    return rc;
}

Tag* PgTable::findTag(std::string_view name) const {
    for (const auto& t : m_tags) {
        const std::string& n = t->name();
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return std::toupper(a) == std::toupper(b); }))
            return t.get();
    }
    return nullptr;
}

int PgTable::selectTag(Tag* tag) {
    if (tag && std::find(m_tagList.begin(), m_tagList.end(), tag) == m_tagList.end())
        return fail(kErrTagNotFound, "Tag " + tag->name() + " is not a tag of table " + m_name);
    const int rc = commit();
    if (rc != kOk) return rc;
    m_tag = static_cast<PgTag*>(tag);
    m_windowValid = false;
    return kOk;
}

Field* PgTable::field(std::string_view name) const {
    for (const auto& f : m_fields) {
        const std::string& n = f->name();
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return a == std::toupper(b); }))
            return f.get();
    }
    const_cast<PgTable*>(this)->fail(kErrFieldNotFound, "No field " + std::string(name) + " in table " + m_name);
    return nullptr;
}

void PgTable::setWalking(bool on) {
    m_walking = on;
    if (on) m_batch = kLastBatch;
}

// ---- reading ----

// Statements are prepared once per connection, named after their text.
Result PgTable::run(const std::string& sql, const std::vector<Param>& params) {
    if (!m_block.empty() && sendBlock() != kOk) return Result();
    return m_driver.connection().execPrepared("xb" + std::to_string(std::hash<std::string>{}(sql)), sql, params);
}

std::string PgTable::statement(Fetch kind) const {
    const std::string key = m_tag ? "(" + m_tag->sql() + ") COLLATE \"C\"" : "";
    const std::string asc = m_tag ? key + ", xb_recno" : "xb_recno";
    const std::string desc = m_tag ? key + " DESC, xb_recno DESC" : "xb_recno DESC";
    const std::string row = m_tag ? "(" + key + ", xb_recno)" : "xb_recno";
    const std::string anchor =
        m_tag ? "(SELECT " + key + ", xb_recno FROM " + m_sqlName + " WHERE xb_recno = $1)" : "$1::bigint";
    const std::string from = "SELECT " + m_columns + " FROM " + m_sqlName;
    switch (kind) {
    case Fetch::First: return from + " ORDER BY " + asc + " LIMIT $1 OFFSET $2";
    case Fetch::Last: return from + " ORDER BY " + desc + " LIMIT $1 OFFSET $2";
    case Fetch::After: return from + " WHERE " + row + " > " + anchor + " ORDER BY " + asc + " LIMIT $2 OFFSET $3";
    case Fetch::Before: return from + " WHERE " + row + " < " + anchor + " ORDER BY " + desc + " LIMIT $2 OFFSET $3";
    case Fetch::From: return from + " WHERE " + key + " >= $1::text ORDER BY " + asc + " LIMIT $2 OFFSET $3";
    case Fetch::ByRecno: return from + " WHERE xb_recno = $1";
    }
    return {};
}

int PgTable::fetch(Fetch kind, const std::vector<Param>& params, std::vector<Row>* rows) {
    Result r = run(statement(kind), params);
    if (!r.ok()) return m_driver.failed(r, m_name, "Read failed");
    rows->clear();
    rows->reserve(size_t(r.rows()));
    for (int i = 0; i < r.rows(); ++i) {
        Row row = blankRow();
        row.recno = r.number(i, 0);
        row.image[0] = r.value(i, 1) == "t" ? '*' : ' ';
        for (size_t f = 0; f < m_layouts.size(); ++f)
            fromColumn(m_layouts[f], r, i, kFirstField + int(f), row.image.data() + m_layouts[f].offset, &row.memos[f]);
        rows->push_back(std::move(row));
    }
    // A batch is this driver's page: one round trip to the server.
    m_driver.counters().recordsRead += uint64_t(r.rows());
    m_driver.counters().indexPagesRead++;
    return kOk;
}

int PgTable::fetchBatch(Fetch kind, std::vector<Param> params, long limit, long offset, std::vector<Row>* rows) {
    params.push_back(std::to_string(limit));
    params.push_back(std::to_string(offset));
    return fetch(kind, params, rows);
}

void PgTable::standOn(size_t at) {
    m_at = at;
    m_cur = m_window[at];
    m_orig = m_cur;
    m_eof = m_bof = false;
    m_dirty = m_new = false;
    if (m_cur.recno > m_count) m_count = m_cur.recno;
}

void PgTable::toPhantom(bool bof) {
    m_cur = blankRow();
    m_orig = m_cur;
    m_eof = true;
    m_bof = bof;
    m_dirty = m_new = false;
    m_windowValid = false;
}

int PgTable::refreshCount() {
    Result r = run("SELECT coalesce(max(xb_recno), 0) FROM " + m_sqlName, {});
    if (!r.ok()) return m_driver.failed(r, m_name, "Cannot count the records");
    m_count = r.number(0, 0);
    return kOk;
}

long PgTable::recCount() const {
    if (m_count < 0) const_cast<PgTable*>(this)->refreshCount();
    return std::max(m_count, 0L);
}

long PgTable::recNo() const { return m_eof ? recCount() + 1 : m_cur.recno; }

int PgTable::loadRecno(long recno) {
    std::vector<Row> rows;
    const int rc = fetch(Fetch::ByRecno, {std::to_string(recno)}, &rows);
    if (rc != kOk) return rc;
    if (rows.empty()) {
        toPhantom(true);
        return kEof;
    }
    m_window = std::move(rows);
    m_windowValid = true;
    m_windowHasFirst = m_windowHasLast = false;
    standOn(0);
    return kOk;
}

int PgTable::top() { return toFirst(false); }

int PgTable::toFirst(bool bof) {
    int rc = commit();
    if (rc != kOk) return rc;
    m_batch = m_walking ? kLastBatch : kFirstBatch;
    if ((rc = fetchBatch(Fetch::First, {}, m_batch, 0, &m_window)) != kOk) return rc;
    if (m_window.empty()) {
        toPhantom(true);
        return bof ? kBof : kEof;
    }
    m_windowValid = true;
    m_windowHasFirst = true;
    m_windowHasLast = long(m_window.size()) < m_batch;
    standOn(0);
    m_bof = bof;
    return bof ? kBof : kOk;
}

int PgTable::bottom() {
    int rc = commit();
    if (rc != kOk) return rc;
    m_batch = m_walking ? kLastBatch : kFirstBatch;
    if ((rc = fetchBatch(Fetch::Last, {}, m_batch, 0, &m_window)) != kOk) return rc;
    if (m_window.empty()) {
        toPhantom(true);
        return kEof;
    }
    std::reverse(m_window.begin(), m_window.end());
    m_windowValid = true;
    m_windowHasLast = true;
    m_windowHasFirst = long(m_window.size()) < m_batch;
    standOn(m_window.size() - 1);
    return kOk;
}

int PgTable::go(long recno) {
    const int rc = commit();
    if (rc != kOk) return rc;
    if (recno < 1 || (recno > recCount() && (refreshCount() != kOk || recno > m_count))) {
        toPhantom(true);
        return kEof;
    }
    return loadRecno(recno);
}

int PgTable::skip(long count) {
    const int rc = commit();
    if (rc != kOk) return rc;
    if (count == 0) return m_eof ? kEof : loadRecno(m_cur.recno);
    constexpr long kBeyondAll = 1L << 40;
    count = std::clamp(count, -kBeyondAll, kBeyondAll);
    if (m_eof) {
        if (count > 0) {
            if (recCount() == 0) m_bof = true;
            return kEof;
        }
        const int br = bottom();
        if (br == kEof) {
            toPhantom(true);
            return kBof;
        }
        if (br != kOk) return br;
        return count == -1 ? kOk : moveBackward(-count - 1);
    }
    return count > 0 ? moveForward(count) : moveBackward(-count);
}

// The window in hand serves a move inside it; past its end a batch is fetched after its last record
// (or the current one), skipping the steps that remain on the server.
int PgTable::moveForward(long steps) {
    long from = m_cur.recno;
    if (m_windowValid && m_window[m_at].recno == m_cur.recno) {
        const long avail = long(m_window.size() - 1 - m_at);
        if (steps <= avail) {
            standOn(m_at + size_t(steps));
            return kOk;
        }
        if (m_windowHasLast) {
            toPhantom(false);
            return kEof;
        }
        steps -= avail;
        from = m_window.back().recno;
        m_batch = std::min(m_batch * 2, kLastBatch);
    } else {
        m_batch = m_walking ? kLastBatch : kFirstBatch;
    }
    std::vector<Row> rows;
    const int rc = fetchBatch(Fetch::After, {std::to_string(from)}, m_batch, steps - 1, &rows);
    if (rc != kOk) return rc;
    if (rows.empty()) {
        toPhantom(false);
        return kEof;
    }
    m_windowHasLast = long(rows.size()) < m_batch;
    m_windowHasFirst = false;
    m_window = std::move(rows);
    m_windowValid = true;
    standOn(0);
    return kOk;
}

int PgTable::moveBackward(long steps) {
    if (steps == 0) return kOk;
    long from = m_cur.recno;
    if (m_windowValid && m_window[m_at].recno == m_cur.recno) {
        if (steps <= long(m_at)) {
            standOn(m_at - size_t(steps));
            return kOk;
        }
        if (m_windowHasFirst) return toFirst(true);
        steps -= long(m_at);
        from = m_window.front().recno;
        m_batch = std::min(m_batch * 2, kLastBatch);
    } else {
        m_batch = m_walking ? kLastBatch : kFirstBatch;
    }
    std::vector<Row> rows;
    const int rc = fetchBatch(Fetch::Before, {std::to_string(from)}, m_batch, steps - 1, &rows);
    if (rc != kOk) return rc;
    if (rows.empty()) return toFirst(true);
    m_windowHasFirst = long(rows.size()) < m_batch;
    m_windowHasLast = false;
    std::reverse(rows.begin(), rows.end());
    m_window = std::move(rows);
    m_windowValid = true;
    standOn(m_window.size() - 1);
    return kOk;
}

int PgTable::seek(std::string_view key) {
    if (!m_tag) return fail(kErrTagNotFound, "Seek needs a selected tag");
    int rc = commit();
    if (rc != kOk) return rc;
    const std::string target(key.substr(0, std::min(key.size(), size_t(m_tag->keyLength()))));
    m_batch = m_walking ? kLastBatch : kFirstBatch;
    if ((rc = fetchBatch(Fetch::From, {target}, m_batch, 0, &m_window)) != kOk) return rc;
    if (m_window.empty()) {
        toPhantom(false);
        return kEof;
    }
    m_windowValid = true;
    m_windowHasFirst = false;
    m_windowHasLast = long(m_window.size()) < m_batch;
    standOn(0);
    std::string found;
    m_tag->expr().evaluate(reinterpret_cast<const uint8_t*>(m_cur.image.data()), &found);
    return found.compare(0, target.size(), target) == 0 ? kOk : kSeekNext;
}

int PgTable::countBefore(long* before) {
    const std::string key = "(" + m_tag->sql() + ") COLLATE \"C\"";
    const std::string sql = "SELECT count(*) FROM " + m_sqlName + " WHERE (" + key + ", xb_recno) < (SELECT " + key +
                            ", xb_recno FROM " + m_sqlName + " WHERE xb_recno = $1)";
    Result r = run(sql, {std::to_string(m_cur.recno)});
    if (!r.ok()) return m_driver.failed(r, m_name, "Read failed");
    *before = r.number(0, 0);
    return kOk;
}

int PgTable::position(double* fraction) {
    *fraction = 0;
    int rc = commit();
    if (rc != kOk) return rc;
    const long n = recCount();
    if (m_eof) {
        *fraction = n == 0 ? 0.0 : 1.0;
        return kOk;
    }
    long before = m_cur.recno - 1;
    if (m_tag && (rc = countBefore(&before)) != kOk) return rc;
    *fraction = n == 0 ? 0.0 : std::clamp((double(before) + 0.5) / double(n), 0.0, 1.0);
    return kOk;
}

int PgTable::goPosition(double fraction) {
    int rc = commit();
    if (rc != kOk) return rc;
    fraction = std::clamp(std::isnan(fraction) ? 0.0 : fraction, 0.0, 1.0);
    if ((rc = refreshCount()) != kOk) return rc;
    const long n = m_count;
    if (n == 0) {
        toPhantom(true);
        return kEof;
    }
    const long at = std::min(n - 1, long(std::floor(fraction * double(n))));
    if (!m_tag) return loadRecno(at + 1);
    m_batch = kFirstBatch;
    if ((rc = fetchBatch(Fetch::First, {}, m_batch, at, &m_window)) != kOk) return rc;
    if (m_window.empty()) return bottom();
    m_windowValid = true;
    m_windowHasFirst = at == 0;
    m_windowHasLast = long(m_window.size()) < m_batch;
    standOn(0);
    return kOk;
}

// ---- writing ----

int PgTable::needWritable(const char* what) {
    if (m_readOnly) return fail(kErrReadOnly, std::string(what) + " refused: table " + m_name + " may only be read");
    return kOk;
}

char* PgTable::editRecord(int* rc) {
    if (m_eof) {
        *rc = fail(kErrRecord, "No current record in table " + m_name);
        return nullptr;
    }
    if ((*rc = needWritable("Write")) != kOk) return nullptr;
    m_dirty = true;
    return m_cur.image.data();
}

std::string* PgTable::editMemo(int fieldIndex, int* rc) {
    if (!editRecord(rc)) return nullptr;
    return &m_cur.memos[size_t(fieldIndex)];
}

std::vector<Param> PgTable::rowParams(const Row& row) const {
    std::vector<Param> params{std::to_string(row.recno), std::string(row.image[0] == '*' ? "t" : "f")};
    for (size_t f = 0; f < m_layouts.size(); ++f) {
        const FieldLayout& l = m_layouts[f];
        params.push_back(toParam(l, std::string_view(row.image).substr(size_t(l.offset), size_t(l.len)), row.memos[f]));
    }
    return params;
}

// Writes the current record when it changed: an appended one is inserted (its number the next free
// one, taken on the server), a read one updated.
int PgTable::commit() {
    if (!m_dirty || m_eof) return kOk;
    // Parameters: $1 the record number, $2 the deleted mark, then the fields.
    std::string values = "(SELECT coalesce(max(xb_recno), 0) + 1 FROM " + m_sqlName + "), $2", sets;
    for (size_t f = 0; f < m_layouts.size(); ++f) {
        const std::string p = "$" + std::to_string(f + 3);
        values += ", " + p;
        sets += ", " + columnName(m_layouts[f].name) + " = " + p;
    }
    if (m_new && m_blocks) {
        m_cur.recno = ++m_count;
        for (const Param& p : rowParams(m_cur)) {
            if (!p) m_block += "\\N";
            for (const char c : p ? *p : std::string()) {
                if (c == '\\' || c == '\t' || c == '\n' || c == '\r') m_block += '\\';
                m_block += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c;
            }
            m_block += '\t';
        }
        m_block.back() = '\n';
        m_orig = m_cur;
        m_dirty = m_new = false;
        m_windowValid = false;
        constexpr size_t kBlockBytes = 1 << 20;
        return m_block.size() >= kBlockBytes ? sendBlock() : kOk;
    }
    Result r;
    if (m_new) {
        // $1 is not used here: the number is the next free one on the server.
        const std::string sql = "INSERT INTO " + m_sqlName + " (" + m_columns + ") VALUES (" + values +
                                ") RETURNING xb_recno, $1::bigint";
        r = run(sql, rowParams(m_cur));
    } else {
        const std::string sql = "UPDATE " + m_sqlName + " SET xb_deleted = $2" + sets + " WHERE xb_recno = $1";
        r = run(sql, rowParams(m_cur));
    }
    if (!r.ok()) return m_driver.failed(r, m_name, "Write failed");
    if (m_new) {
        m_cur.recno = r.number(0, 0);
        m_count = std::max(m_count, m_cur.recno);
    } else if (r.get() && std::string(PQcmdTuples(r.get())) == "0") {
        return fail(kErrRecord, "Record " + std::to_string(m_cur.recno) + " of table " + m_name +
                                    " is no longer in the database");
    }
    m_driver.counters().pagesWritten++;
    // A record that keeps its place in the order keeps the batch in hand (a save overwriting lines in
    // a row reads them in one batch); one whose key changed may have moved: the next move starts afresh.
    bool stays = !m_new && m_windowValid && m_at < m_window.size() && m_window[m_at].recno == m_cur.recno;
    if (stays && m_tag) {
        std::string before, after;
        m_tag->expr().evaluate(reinterpret_cast<const uint8_t*>(m_orig.image.data()), &before);
        m_tag->expr().evaluate(reinterpret_cast<const uint8_t*>(m_cur.image.data()), &after);
        stays = before == after;
    }
    if (stays) m_window[m_at] = m_cur;
    else m_windowValid = false;
    m_orig = m_cur;
    m_dirty = m_new = false;
    return kOk;
}

int PgTable::flush(bool) {
    const int rc = commit();
    return rc == kOk && !m_block.empty() ? sendBlock() : rc;
}

int PgTable::sendBlock() {
    std::string rows;
    rows.swap(m_block);
    Result r = m_driver.connection().copyIn("COPY " + m_sqlName + " (" + m_columns + ") FROM STDIN", rows);
    return r.ok() ? kOk : m_driver.failed(r, m_name, "Write failed");
}

int PgTable::revert() {
    if (m_eof) return kOk;
    m_cur = m_orig;
    m_dirty = m_new;
    return kOk;
}

void PgTable::reread() {
    m_dirty = m_new = false;
    m_count = -1;
    m_windowValid = false;
    if (!m_eof && m_cur.recno > 0 && loadRecno(m_cur.recno) != kOk) toPhantom(true);
}

int PgTable::appendBlank() {
    int rc = commit();
    if (rc == kOk) rc = needWritable("Append");
    if (rc != kOk) return rc;
    m_cur = blankRow();
    m_cur.recno = recCount() + 1;  // taken for good when the record is written
    m_orig = m_cur;
    m_eof = m_bof = false;
    m_dirty = m_new = true;
    m_windowValid = false;
    return kOk;
}

int PgTable::markDeleted() {
    int rc = kOk;
    char* rec = editRecord(&rc);
    if (rec) rec[0] = '*';
    return rc;
}

int PgTable::recall() {
    int rc = kOk;
    char* rec = editRecord(&rc);
    if (rec) rec[0] = ' ';
    return rc;
}

// Record numbers stay 1..n without gaps (the order of record numbers is the record order): after a
// removal the survivors are numbered again in their order.
int PgTable::renumber() {
    Connection& c = m_driver.connection();
    Result r = c.exec("UPDATE " + m_sqlName + " t SET xb_recno = -s.rn FROM (SELECT xb_recno AS r, row_number() OVER "
                      "(ORDER BY xb_recno) AS rn FROM " + m_sqlName + ") s WHERE t.xb_recno = s.r AND s.r <> s.rn");
    if (r.ok()) r = c.exec("UPDATE " + m_sqlName + " SET xb_recno = -xb_recno WHERE xb_recno < 0");
    return r.ok() ? kOk : m_driver.failed(r, m_name, "Renumbering failed");
}

int PgTable::pack() {
    int rc = flush(false);
    if (rc != kOk) return rc;
    if (!m_exclusive) return fail(kErrNotExclusive, "Pack needs table " + m_name + " opened exclusively");
    if ((rc = needWritable("Pack")) != kOk) return rc;
    rc = m_driver.atomically(m_name, [&] {
        Result r = m_driver.connection().exec("DELETE FROM " + m_sqlName + " WHERE xb_deleted");
        return r.ok() ? renumber() : m_driver.failed(r, m_name, "Pack failed");
    });
    toPhantom(true);
    m_count = -1;
    return rc;
}

int PgTable::zap(long first, long count) {
    int rc = flush(false);
    if (rc != kOk) return rc;
    if (!m_exclusive) return fail(kErrNotExclusive, "Zap needs table " + m_name + " opened exclusively");
    if ((rc = needWritable("Zap")) != kOk) return rc;
    if (first < 1 || count < 0) return fail(kErrArgument, "Zap of records outside table " + m_name);
    rc = m_driver.atomically(m_name, [&] {
        Result r = m_driver.connection().exec("DELETE FROM " + m_sqlName + " WHERE xb_recno BETWEEN $1 AND $2",
                                              {std::to_string(first), std::to_string(first + count - 1)});
        return r.ok() ? renumber() : m_driver.failed(r, m_name, "Zap failed");
    });
    toPhantom(true);
    m_count = -1;
    return rc;
}

int PgTable::createIndex(const std::string&, const std::vector<TagDef>& defs) {
    int rc = flush(false);
    if (rc != kOk) return rc;
    if ((rc = needWritable("Index creation")) != kOk) return rc;
    const std::string bare = m_sqlName.substr(1, m_sqlName.size() - 2);
    std::vector<std::string> sqls;
    for (const TagDef& d : defs) {
        std::unique_ptr<KeyExpr> expr;
        std::string why, sql;
        if (d.descending) return fail(kErrExpression, "Tag " + d.name + ": the server keeps no descending tags");
        if (KeyExpr::compile(d.expression, m_layouts, &expr, &why) != kOk || !keySql(expr->tree(), &sql, &why))
            return fail(kErrExpression, "Tag " + d.name + " of table " + m_name + ": " + why);
        sqls.push_back(sql);
    }
    Connection& c = m_driver.connection();
    if (m_driver.safety() == 1) {
        Result r = c.exec("SELECT count(*) FROM xb_tags WHERE tbl = $1", {bare});
        if (!r.ok()) return m_driver.failed(r, m_name, "Cannot read the table's tags");
        if (r.number(0, 0) > 0) return fail(kErrExists, "Table " + m_name + " has tags already");
    }
    rc = m_driver.atomically(m_name, [&] {
        Result r = c.exec("SELECT index FROM xb_tags WHERE tbl = $1", {bare});
        for (int i = 0; r.ok() && i < r.rows(); ++i) c.exec("DROP INDEX IF EXISTS \"" + std::string(r.value(i, 0)) + "\"");
        if (r.ok()) r = c.exec("DELETE FROM xb_tags WHERE tbl = $1", {bare});
        for (size_t i = 0; r.ok() && i < defs.size(); ++i) {
            std::string lower;
            for (char ch : defs[i].name) lower += char(std::tolower(static_cast<unsigned char>(ch)));
            const std::string index = bare + "_" + lower;
            r = c.exec("CREATE INDEX \"" + index + "\" ON " + m_sqlName + " ((" + sqls[i] + ") COLLATE \"C\", xb_recno)");
            if (r.ok())
                r = c.exec("INSERT INTO xb_tags (tbl, pos, name, expression, index) VALUES ($1, $2, $3, $4, $5)",
                           {bare, std::to_string(i), defs[i].name, defs[i].expression, index});
        }
        return r.ok() ? kOk : m_driver.failed(r, m_name, "Index creation failed");
    });
    if (rc != kOk) return rc;
    const long recno = m_eof ? 0 : m_cur.recno;
    if ((rc = loadTags()) != kOk) return rc;
    if (recno > 0) return loadRecno(recno) < 0 ? m_driver.failWith(kErrRead, m_name, "Read failed") : kOk;
    return kOk;
}

}  // namespace pg
