// The engine context of the run and the program's exit path.
#include "store/EngineContext.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "base/Dialogs.h"
#include "pg/PgDriver.h"
#include "store/Catalogue.h"
#include "store/DataLocation.h"
#include "store/TableHandles.h"

namespace store {

namespace {

std::unique_ptr<xbase::Context> g_context;
std::function<void()> g_exitHook;

void clearHandles() {
    for (const TableEntry& desc : Catalogue()) TableHandle(desc.key) = nullptr;
}

xbase::Context& runSettings() {
    g_context->setReadBuffering(1);
    g_context->setWriteBuffering(-1);
    g_context->setAutoOpen(1);
    g_context->setAccessMode(0);
    g_context->setSafety(1);
    g_context->setExitHook([](const xbase::Status& status) {
        base::ShowMessage(QString::fromStdString(status.message));
        EngineExit();
    });
    return *g_context;
}

}  // namespace

xbase::Context& EngineInit(xbase::FileSystem* fs, const std::string& dir) {
    EngineEnd();
    if (!dir.empty()) SetDataDir(QString::fromStdString(dir));
    g_context = std::make_unique<xbase::Context>(fs, DataDir().toStdString());
    return runSettings();
}

bool IsServerLocation(const QString& location) { return pg::isServerLocation(location.toStdString()); }

std::unique_ptr<xbase::Context> NewContext(const QString& location, QString* error) {
    if (!IsServerLocation(location)) return std::make_unique<xbase::Context>(nullptr, location.toStdString());
    xbase::Status status;
    std::unique_ptr<xbase::Context> context = pg::openServerContext(location.toStdString(), &status);
    if (!context && error) *error = QString::fromStdString(status.message);
    return context;
}

bool EngineInitAt(const QString& location, QString* error) {
    if (!IsServerLocation(location)) {
        EngineInit(nullptr, location.toStdString());
        return true;
    }
    EngineEnd();
    g_context = NewContext(location, error);
    if (!g_context) return false;
    runSettings();
    return true;
}

void EngineEnd() {
    if (!g_context) return;
    CloseAll();
    g_context.reset();
}

xbase::Context& Engine() { return *g_context; }

bool EngineActive() { return g_context != nullptr; }

void CloseAll() {
    if (g_context) g_context->closeAll();
    clearHandles();
}

void CloseTable(xbase::Table*& table) {
    if (table && g_context) {
        const std::vector<xbase::Table*>& open = g_context->tables();
        if (std::find(open.begin(), open.end(), table) != open.end()) table->close();
    }
    for (const TableEntry& desc : Catalogue()) {
        xbase::Table*& handle = TableHandle(desc.key);
        if (handle == table && &handle != &table) handle = nullptr;
    }
    table = nullptr;
}

void SetProgramExitHook(std::function<void()> hook) { g_exitHook = std::move(hook); }

void EngineExit() {
    CloseAll();
    if (g_exitHook)
        g_exitHook();
    else
        std::exit(EXIT_FAILURE);
}

void FatalOpenError(const QString& fileName, const QString& reason) {
    base::ShowMessage(QStringLiteral("Unable to open file ") + fileName +
                      (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason) +
                      QStringLiteral("\nProgram will now terminate."));
    EngineExit();
}

int ErrorCode() { return EngineActive() ? Engine().errorCode() : 0; }

}  // namespace store
