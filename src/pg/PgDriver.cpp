#include "pg/PgDriver.h"

#include <algorithm>

#include "pg/KeySql.h"
#include "pg/PgTable.h"

namespace pg {

using namespace xbase;

namespace {

std::string sqlTableName(const std::string& name) {
    std::string s = "\"";
    for (char c : name) s += char(std::tolower(static_cast<unsigned char>(c)));
    return s + "\"";
}

std::string columnType(const FieldDef& f) {
    switch (f.type) {
    case 'C': return "varchar(" + std::to_string(f.len) + ") NOT NULL DEFAULT ''";
    case 'N': return "numeric(" + std::to_string(f.len) + ", " + std::to_string(f.dec) + ")";
    case 'D': return "date";
    case 'L': return "boolean";
    case 'M': return "text";
    }
    return {};
}

}  // namespace

std::unique_ptr<PgDriver> PgDriver::connect(const std::string& uri, Status* status) {
    std::string error;
    std::unique_ptr<Connection> conn = Connection::open(uri, &error);
    if (!conn) {
        *status = makeStatus(kErrOpen, "", error);
        return nullptr;
    }
    Result r = conn->exec("SHOW server_encoding");
    const std::string encoding = r.ok() && r.rows() == 1 ? std::string(r.value(0, 0)) : "";
    if (encoding != "WIN1252" && encoding != "SQL_ASCII") {
        *status = makeStatus(kErrOpen, "",
                             "The database " + conn->database() + " on " + uri + " uses the encoding " + encoding +
                                 "; the tables need WIN1252 (CREATE DATABASE ... ENCODING 'WIN1252' TEMPLATE template0)");
        return nullptr;
    }
    return std::unique_ptr<PgDriver>(new PgDriver(std::move(conn)));
}

PgDriver::PgDriver(std::unique_ptr<Connection> conn) : m_conn(std::move(conn)) {}

PgDriver::~PgDriver() {
    if (m_inTransaction) m_conn->exec("ROLLBACK");
}

int PgDriver::failed(const Result& r, const std::string& table, const std::string& what) {
    return fail(m_conn->status(r, table, what));
}

int PgDriver::failWith(int code, const std::string& table, const std::string& message) {
    Status s;
    s.code = code;
    s.file = table;
    s.message = message;
    return fail(s);
}

Table* PgDriver::openTable(const std::string& name) {
    if (name.empty()) {
        failWith(kErrArgument, name, "No table name");
        return nullptr;
    }
    auto table = std::make_unique<PgTable>(*this, name, sqlTableName(name));
    if (table->open(autoOpen() == 1) < 0) return nullptr;
    m_tables.push_back(std::move(table));
    adopt(m_tables.back().get());
    return m_tables.back().get();
}

Table* PgDriver::createTable(const std::string& name, const std::vector<FieldDef>& fields) {
    if (name.empty()) {
        failWith(kErrArgument, name, "No table name");
        return nullptr;
    }
    const std::string table = sqlTableName(name);
    std::string sql = "CREATE TABLE " + table + " (xb_recno bigint PRIMARY KEY, xb_deleted boolean NOT NULL DEFAULT false";
    for (const FieldDef& f : fields) {
        if (columnType(f).empty() || f.name.empty()) {
            failWith(kErrArgument, name, "Field " + f.name + " has no type a column can take");
            return nullptr;
        }
        sql += ", " + columnName(f.name) + " " + columnType(f);
    }
    sql += ")";
    const std::string bare = table.substr(1, table.size() - 2);
    const int rc = atomically(name, [&] {
        Result r = m_conn->exec("DROP TABLE IF EXISTS " + table);
        if (r.ok()) r = m_conn->exec("DELETE FROM xb_tags WHERE tbl = $1", {bare});
        if (r.ok()) r = m_conn->exec("DELETE FROM xb_fields WHERE tbl = $1", {bare});
        if (r.ok()) r = m_conn->exec(sql);
        for (size_t i = 0; r.ok() && i < fields.size(); ++i)
            r = m_conn->exec("INSERT INTO xb_fields (tbl, pos, name) VALUES ($1, $2, upper($3))",
                             {bare, std::to_string(i), fields[i].name});
        return r.ok() ? kOk : failed(r, name, "Cannot create the table");
    });
    if (rc != kOk) return nullptr;
    Table* made = openTable(name);
    if (made && m_inTransaction) static_cast<PgTable*>(made)->appendInBlocks();
    return made;
}

void PgDriver::closed(PgTable* table) {
    release(table);
    auto it = std::find_if(m_tables.begin(), m_tables.end(), [table](const auto& p) { return p.get() == table; });
    if (it != m_tables.end()) m_tables.erase(it);
}

int PgDriver::sync() {
    int first = kOk;
    for (const auto& t : m_tables) {
        const int rc = t->flush(false);
        if (first == kOk && rc < 0) first = rc;
    }
    return first;
}

int PgDriver::begin() {
    if (m_inTransaction) return failWith(kErrArgument, "", "A unit of work is open already");
    Result r = m_conn->exec("BEGIN");
    if (!r.ok()) return failed(r, "", "Cannot begin a unit of work");
    m_inTransaction = true;
    return kOk;
}

int PgDriver::finishTransaction(const char* sql) {
    Result r = m_conn->exec(sql);
    m_inTransaction = false;
    if (!r.ok()) return failed(r, "", std::string(sql) + " failed");
    // A COMMIT of a transaction that failed on the way answers ROLLBACK.
    if (std::string(sql) == "COMMIT" && std::string(PQcmdStatus(r.get())) == "ROLLBACK")
        return failWith(kErrWrite, "", "The unit of work was rolled back by the server");
    return kOk;
}

int PgDriver::commit() {
    int rc = sync();
    if (rc != kOk) {
        rollback();
        return rc;
    }
    rc = finishTransaction("COMMIT");
    if (rc != kOk)
        for (const auto& t : m_tables) t->reread();
    return rc;
}

int PgDriver::rollback() {
    const int rc = m_conn->broken() ? kOk : finishTransaction("ROLLBACK");
    m_inTransaction = false;
    for (const auto& t : m_tables) t->reread();
    return rc;
}

int PgDriver::atomically(const std::string& table, const std::function<int()>& fn) {
    if (m_inTransaction) return fn();
    Result r = m_conn->exec("BEGIN");
    if (!r.ok()) return failed(r, table, "Cannot begin a unit of work");
    const int rc = fn();
    r = m_conn->exec(rc == kOk ? "COMMIT" : "ROLLBACK");
    if (rc == kOk && !r.ok()) return failed(r, table, "Commit failed");
    return rc;
}

std::unique_ptr<Context> openServerContext(const std::string& uri, Status* status) {
    std::unique_ptr<PgDriver> driver = PgDriver::connect(uri, status);
    if (!driver) return nullptr;
    return std::make_unique<Context>(std::move(driver));
}

int prepareDatabase(Context& context) {
    auto* driver = dynamic_cast<PgDriver*>(context.driver());
    if (!driver) return kOk;
    Connection& c = driver->connection();
    Result r = c.exec(keyFunctionsSql());
    if (r.ok())
        r = c.exec("CREATE TABLE IF NOT EXISTS xb_tags (tbl text NOT NULL, pos integer NOT NULL, name text NOT NULL, "
                   "expression text NOT NULL, index text NOT NULL, PRIMARY KEY (tbl, name))");
    // The fields each table was made with, so that an open notices a column dropped since.
    if (r.ok())
        r = c.exec("CREATE TABLE IF NOT EXISTS xb_fields (tbl text NOT NULL, pos integer NOT NULL, name text NOT NULL, "
                   "PRIMARY KEY (tbl, name))");
    return r.ok() ? kOk : driver->failed(r, "", "Cannot prepare the database");
}

}  // namespace pg
