#pragma once
// One connection to the database server over libpq: statements with text parameters, statements
// prepared once per connection by name, and results that free themselves.
#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/Status.h"

namespace pg {

// A statement's parameter: text in the connection's encoding, or SQL NULL.
using Param = std::optional<std::string>;

class Result {
public:
    Result() = default;
    explicit Result(PGresult* r) : m_r(r, &PQclear) {}

    bool ok() const;  // the statement ran (a command or rows)
    int rows() const { return m_r ? PQntuples(m_r.get()) : 0; }
    bool null(int row, int col) const { return PQgetisnull(m_r.get(), row, col) != 0; }
    std::string_view value(int row, int col) const {
        return {PQgetvalue(m_r.get(), row, col), size_t(PQgetlength(m_r.get(), row, col))};
    }
    long number(int row, int col) const;
    // The server's SQLSTATE ("42501") and first line of its message; "" when it ran.
    std::string state() const;
    std::string message() const;
    PGresult* get() const { return m_r.get(); }

private:
    std::shared_ptr<PGresult> m_r;
};

class Connection {
public:
    // Opens a libpq URI. Refuses a password inside it (they belong in the password file) and, to a
    // host reached over the network, any sslmode below require. nullptr with *error saying why.
    static std::unique_ptr<Connection> open(const std::string& uri, std::string* error);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Result exec(const std::string& sql);
    Result exec(const std::string& sql, const std::vector<Param>& params);
    // Prepares sql under name the first time the name is used on this connection.
    Result execPrepared(const std::string& name, const std::string& sql, const std::vector<Param>& params);

    // Runs a COPY ... FROM STDIN with rows already in COPY's text form.
    Result copyIn(const std::string& sql, const std::string& rows);

    bool broken() const { return PQstatus(m_conn) != CONNECTION_OK; }
    const std::string& location() const { return m_location; }
    std::string database() const { return PQdb(m_conn); }
    // An engine error for a failed statement: the code its SQLSTATE means, the table concerned and
    // the server's words (or that the connection was lost).
    xbase::Status status(const Result& r, const std::string& table, const std::string& what) const;

private:
    Connection(PGconn* conn, std::string location) : m_conn(conn), m_location(std::move(location)) {}
    PGconn* m_conn;
    std::string m_location;
    std::set<std::string> m_prepared;
};

// A data location names a database server when it is a libpq URI.
bool isServerLocation(std::string_view location);

}  // namespace pg
