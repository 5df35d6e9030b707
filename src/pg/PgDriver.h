#pragma once
// The database server driver: a context's tables as tables of a PostgreSQL database. Each table has
// a column per field, a record number column (xb_recno, the number the program shows and goes to)
// and a deleted mark (xb_deleted); each tag is an expression index ordering as the NTX tag does, its
// name and expression kept in xb_tags (and each table's fields in xb_fields). The database's
// encoding is WIN1252 (or SQL_ASCII), so that text keeps its bytes and the byte order of the keys is
// the tags' order.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pg/PgConnection.h"
#include "xbase/Driver.h"

namespace pg {

class PgTable;

class PgDriver final : public xbase::Driver {
public:
    // Connects to a URI and checks the database. nullptr with *status saying why (naming the server).
    static std::unique_ptr<PgDriver> connect(const std::string& uri, xbase::Status* status);
    ~PgDriver() override;

    xbase::Table* openTable(const std::string& name) override;
    xbase::Table* createTable(const std::string& name, const std::vector<xbase::FieldDef>& fields) override;
    int sync() override;
    int begin() override;
    int commit() override;
    int rollback() override;
    bool inTransaction() const override { return m_inTransaction; }
    const std::string& location() const override { return m_conn->location(); }

    // For the driver's tables.
    Connection& connection() { return *m_conn; }
    int failed(const Result& r, const std::string& table, const std::string& what);
    int failWith(int code, const std::string& table, const std::string& message);
    // Runs fn inside a transaction of its own unless one is open already.
    int atomically(const std::string& table, const std::function<int()>& fn);
    void closed(PgTable* table);
    using xbase::Driver::accessMode;
    using xbase::Driver::autoOpen;
    using xbase::Driver::counters;
    using xbase::Driver::safety;

private:
    explicit PgDriver(std::unique_ptr<Connection> conn);
    int finishTransaction(const char* sql);

    std::unique_ptr<Connection> m_conn;
    std::vector<std::unique_ptr<PgTable>> m_tables;
    bool m_inTransaction = false;
};

// A context on the database server at uri; nullptr with *status when it cannot be reached or used.
std::unique_ptr<xbase::Context> openServerContext(const std::string& uri, xbase::Status* status);

// Makes an empty database ready for tables (the key functions and the tag list). For tools and tests.
int prepareDatabase(xbase::Context& context);

}  // namespace pg
