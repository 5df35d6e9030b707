#include "pg/PgConnection.h"

#include <cstdlib>

namespace pg {

namespace {

std::string firstLine(const char* text) {
    std::string s = text ? text : "";
    const size_t nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(0, nl);
}

// The host a URI reaches: "" or a directory is the local socket, anything else is the network.
bool networkHost(const std::string& host) {
    if (host.empty()) return false;
    size_t from = 0;
    while (from <= host.size()) {  // a list of hosts: every one must be local
        const size_t comma = host.find(',', from);
        const std::string one = host.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        if (!one.empty() && one[0] != '/' && one[0] != '@') return true;
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return false;
}

}  // namespace

bool isServerLocation(std::string_view location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

bool Result::ok() const {
    if (!m_r) return false;
    const ExecStatusType s = PQresultStatus(m_r.get());
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

long Result::number(int row, int col) const { return std::strtol(PQgetvalue(m_r.get(), row, col), nullptr, 10); }

std::string Result::state() const {
    if (!m_r) return "08006";
    const char* s = PQresultErrorField(m_r.get(), PG_DIAG_SQLSTATE);
    return s ? s : "";
}

std::string Result::message() const {
    if (!m_r) return "no answer from the server";
    return firstLine(PQresultErrorField(m_r.get(), PG_DIAG_MESSAGE_PRIMARY));
}

std::unique_ptr<Connection> Connection::open(const std::string& uri, std::string* error) {
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &parseError);
    if (!options) {
        *error = "Not a database address: " + uri + " (" + firstLine(parseError) + ")";
        PQfreemem(parseError);
        return nullptr;
    }
    std::string host, sslmode;
    bool password = false;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val) continue;
        const std::string key = o->keyword;
        if (key == "host" || key == "hostaddr") host += std::string(host.empty() ? "" : ",") + o->val;
        if (key == "sslmode") sslmode = o->val;
        if (key == "password" && *o->val) password = true;
    }
    PQconninfoFree(options);
    if (password) {
        *error = "The database address holds a password: keep it in the password file (~/.pgpass or PGPASSFILE) "
                 "instead";
        return nullptr;
    }
    const bool network = networkHost(host);
    if (network && !sslmode.empty() && sslmode != "require" && sslmode != "verify-ca" && sslmode != "verify-full") {
        *error = "The database server " + host + " is reached over the network: its address must not lower sslmode "
                 "below require";
        return nullptr;
    }
    // Text travels in the tables' own encoding; dates in ISO form whatever the server's settings. A
    // statement is planned for its values each time: a plan made for any batch size and any offset
    // sorts the whole table where the values at hand read a few index entries.
    std::vector<const char*> keys{"dbname", "client_encoding", "options", "application_name", "connect_timeout"};
    std::vector<const char*> values{
        uri.c_str(), "WIN1252", "-c DateStyle=ISO -c client_min_messages=warning -c plan_cache_mode=force_custom_plan",
        "corvane", "10"};
    if (network && sslmode.empty()) {
        keys.push_back("sslmode");
        values.push_back("require");
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 1);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        const std::string where = network ? host : host.empty() ? std::string("the local socket") : host;
        *error = "Cannot reach the database server at " + where + " (" + uri + "): " +
                 firstLine(conn ? PQerrorMessage(conn) : "");
        if (conn) PQfinish(conn);
        return nullptr;
    }
    return std::unique_ptr<Connection>(new Connection(conn, uri));
}

Connection::~Connection() { PQfinish(m_conn); }

Result Connection::exec(const std::string& sql) { return Result(PQexec(m_conn, sql.c_str())); }

namespace {

std::vector<const char*> pointers(const std::vector<Param>& params) {
    std::vector<const char*> p;
    p.reserve(params.size());
    for (const Param& v : params) p.push_back(v ? v->c_str() : nullptr);
    return p;
}

}  // namespace

Result Connection::exec(const std::string& sql, const std::vector<Param>& params) {
    const std::vector<const char*> p = pointers(params);
    return Result(PQexecParams(m_conn, sql.c_str(), int(p.size()), nullptr, p.data(), nullptr, nullptr, 0));
}

Result Connection::execPrepared(const std::string& name, const std::string& sql, const std::vector<Param>& params) {
    if (!m_prepared.count(name)) {
        Result r(PQprepare(m_conn, name.c_str(), sql.c_str(), 0, nullptr));
        if (!r.ok()) return r;
        m_prepared.insert(name);
    }
    const std::vector<const char*> p = pointers(params);
    return Result(PQexecPrepared(m_conn, name.c_str(), int(p.size()), p.data(), nullptr, nullptr, 0));
}

Result Connection::copyIn(const std::string& sql, const std::string& rows) {
    Result start(PQexec(m_conn, sql.c_str()));
    if (PQresultStatus(start.get()) != PGRES_COPY_IN) return start;
    const bool sent = PQputCopyData(m_conn, rows.data(), int(rows.size())) == 1;
    PQputCopyEnd(m_conn, sent ? nullptr : "the rows could not be sent");
    Result end(PQgetResult(m_conn));
    while (PGresult* more = PQgetResult(m_conn)) PQclear(more);
    return end;
}

xbase::Status Connection::status(const Result& r, const std::string& table, const std::string& what) const {
    using namespace xbase;
    // As the engine words its failures: "<what> (<why>): <table>".
    Status s;
    s.file = table;
    const std::string state = r.state();
    if (broken() || state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0) {
        s.code = kErrWrite;
        s.message = what + " (the connection to the database server was lost, " + m_location + "): " + table;
        return s;
    }
    int code = kErrWrite;
    if (state == "42501") code = kErrReadOnly;                                         // no privilege
    else if (state == "55P03" || state == "40001" || state == "40P01") code = kErrLock;  // lock, serialization
    else if (state == "23505") code = kErrLock;  // another desk took the record number
    else if (state == "22001" || state == "22003") code = kErrValueTooWide;
    else if (state.rfind("22", 0) == 0) code = kErrBadValue;
    else if (state == "42P01") code = kErrOpen;
    else if (state == "42703") code = kErrFieldNotFound;
    s.code = code;
    s.message = what + " (" + r.message() + "): " + table;
    return s;
}

}  // namespace pg
