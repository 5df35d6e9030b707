#pragma once
// The seam that lets a context be backed by something other than DBF files in a directory (a
// database server). A context without a driver is the DBF driver and pays nothing for this: every
// delegating call is one pointer test.
#include <string>
#include <vector>

#include "xbase/Engine.h"

namespace xbase {

class Driver {
public:
    virtual ~Driver() = default;

    // The context's calls of the same names; the tables made are the driver's to own and free.
    virtual Table* openTable(const std::string& name) = 0;
    virtual Table* createTable(const std::string& name, const std::vector<FieldDef>& fields) = 0;
    // Writes every open table's pending changes.
    virtual int sync() = 0;
    // One unit of work: everything written between begin and commit stands or falls together.
    virtual int begin() = 0;
    virtual int commit() = 0;
    virtual int rollback() = 0;
    virtual bool inTransaction() const = 0;
    // Where the data lives, for messages ("postgresql:///shop?host=/run/postgresql").
    virtual const std::string& location() const = 0;

    // Called once by the context that takes the driver.
    void attach(Context::Impl& context) { m_context = &context; }

protected:
    // Records a failure in the context (its errorCode() and lastStatus()) and returns its code.
    int fail(const Status& s);
    // Lists a table made by the driver among the context's open tables, or takes it off the list.
    void adopt(Table* table);
    void release(Table* table);
    // The context's settings and counters.
    int accessMode() const;
    int autoOpen() const;
    int safety() const;
    IoCounters& counters();

private:
    Context::Impl* m_context = nullptr;
};

}  // namespace xbase
