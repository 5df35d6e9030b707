#include <algorithm>

#include "xbase/ContextImpl.h"
#include "xbase/DbfTable.h"

namespace xbase {

int Context::Impl::fail(const Status& s) {
    error = s.code;
    last = s;
    return s.code;
}

std::string Context::Impl::pathOf(const std::string& file) const {
    if (dir.empty()) return fs->resolve(file);
    return fs->resolve(dir.back() == '/' ? dir + file : dir + "/" + file);
}

void Context::Impl::release(DbfTable* table) {
    tables.erase(std::remove(tables.begin(), tables.end(), table), tables.end());
    auto it = std::find_if(owned.begin(), owned.end(), [table](const auto& p) { return p.get() == table; });
    if (it != owned.end()) owned.erase(it);
}

Context::Context(FileSystem* fs, std::string dir) : m_impl(std::make_unique<Impl>()) {
    m_impl->fs = fs ? fs : posixFileSystem();
    m_impl->dir = std::move(dir);
}

Context::Context(std::unique_ptr<Driver> driver) : m_impl(std::make_unique<Impl>()) {
    m_impl->fs = posixFileSystem();
    m_impl->driver = std::move(driver);
    m_impl->driver->attach(*m_impl);
    m_impl->dir = m_impl->driver->location();
}

Context::~Context() {
    closeAll();
    m_impl->driver.reset();  // after its tables: they reach it while they close
}

void Context::setReadBuffering(int on) { m_impl->readBuffering = on; }
void Context::setWriteBuffering(int on) { m_impl->writeBuffering = on; }
void Context::setAutoOpen(int on) { m_impl->autoOpen = on; }
void Context::setAccessMode(int mode) { m_impl->accessMode = mode; }
void Context::setSafety(int on) { m_impl->safety = on; }
void Context::setReadOnly(int on) { m_impl->readOnly = on; }
int Context::readOnly() const { return m_impl->readOnly; }
int Context::readBuffering() const { return m_impl->readBuffering; }
int Context::writeBuffering() const { return m_impl->writeBuffering; }
int Context::autoOpen() const { return m_impl->autoOpen; }
int Context::accessMode() const { return m_impl->accessMode; }
int Context::safety() const { return m_impl->safety; }

int Context::errorCode() {
    const int code = m_impl->error;
    m_impl->error = 0;
    return code;
}

const Status& Context::lastStatus() const { return m_impl->last; }

void Context::setExitHook(std::function<void(const Status&)> hook) { m_impl->exitHook = std::move(hook); }

void Context::exitOnError() {
    if (m_impl->error < 0 && m_impl->exitHook) m_impl->exitHook(m_impl->last);
}

Table* Context::openTable(const std::string& name) {
    if (name.empty()) {
        m_impl->fail(makeStatus(kErrArgument, name, "No table name"));
        return nullptr;
    }
    if (m_impl->driver) return m_impl->driver->openTable(name);
    const std::string path = m_impl->pathOf(name + ".dbf");
    auto table = std::make_unique<DbfTable>(*m_impl, name);
    if (table->open(path, m_impl->autoOpen == 1) < 0) return nullptr;
    m_impl->owned.push_back(std::move(table));
    m_impl->tables.push_back(m_impl->owned.back().get());
    return m_impl->tables.back();
}

Table* Context::createTable(const std::string& name, const std::vector<FieldDef>& fields) {
    if (name.empty()) {
        m_impl->fail(makeStatus(kErrArgument, name, "No table name"));
        return nullptr;
    }
    if (m_impl->driver) return m_impl->driver->createTable(name, fields);
    const std::string path = m_impl->pathOf(name + ".dbf");
    auto table = std::make_unique<DbfTable>(*m_impl, name);
    if (table->create(path, fields) < 0) return nullptr;
    m_impl->owned.push_back(std::move(table));
    m_impl->tables.push_back(m_impl->owned.back().get());
    return m_impl->tables.back();
}

int Context::closeAll() {
    int first = kOk;
    while (!m_impl->tables.empty()) {
        const int rc = m_impl->tables.back()->close();
        if (first == kOk && rc < 0) first = rc;
    }
    return first;
}

int Context::sync() {
    if (m_impl->driver) return m_impl->driver->sync();
    std::vector<File*> files;
    for (const auto& table : m_impl->owned) {
        const int rc = table->prepareSync(&files);
        if (rc < 0) return rc;
    }
    if (!files.empty()) {
        Status s = m_impl->fs->syncFiles(files);
        if (!s.ok()) return m_impl->fail(s);
    }
    int first = kOk;
    for (const auto& table : m_impl->owned) {
        const int rc = table->finishSync(!files.empty());
        if (first == kOk && rc < 0) first = rc;
    }
    return first;
}

int Context::begin() { return m_impl->driver ? m_impl->driver->begin() : kOk; }
int Context::commit() { return m_impl->driver ? m_impl->driver->commit() : kOk; }
int Context::rollback() { return m_impl->driver ? m_impl->driver->rollback() : kOk; }
Driver* Context::driver() const { return m_impl->driver.get(); }

int Driver::fail(const Status& s) { return m_context->fail(s); }
void Driver::adopt(Table* table) { m_context->tables.push_back(table); }
int Driver::accessMode() const { return m_context->accessMode; }
int Driver::autoOpen() const { return m_context->autoOpen; }
int Driver::safety() const { return m_context->safety; }
IoCounters& Driver::counters() { return m_context->counters; }
void Driver::release(Table* table) {
    auto& open = m_context->tables;
    open.erase(std::remove(open.begin(), open.end(), table), open.end());
}

const std::vector<Table*>& Context::tables() const { return m_impl->tables; }
IoCounters& Context::counters() { return m_impl->counters; }
FileSystem& Context::fileSystem() { return *m_impl->fs; }
const std::string& Context::directory() const { return m_impl->dir; }
Context::Impl& Context::impl() { return *m_impl; }

}  // namespace xbase
