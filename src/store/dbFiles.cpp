// The engine context of the run, the table handles, the open routines, CommitRecord, the import
// directories and the presence check of the data files.
#include "store/dbFiles.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "base/Dialogs.h"
#include "store/DataLocation.h"
#include "store/DbUtil.h"
#include "store/Parties.h"

namespace store {

xbase::Table* SettingsTable = nullptr;
xbase::Table* CustTable = nullptr;
xbase::Table* GroupsTable = nullptr;
xbase::Table* InvTable = nullptr;
xbase::Table* ItmTable = nullptr;
xbase::Table* LabelsTable = nullptr;
xbase::Table* PmtTable = nullptr;
xbase::Table* ProdTable = nullptr;
xbase::Table* PurTable = nullptr;

long CurCustRec = -1, CurGroupRec = -1, CurInvoiceRec = -1, CurLabelRec = -1, CurProductRec = -1,
     CurPurchaseRec = -1;
int LastResult = 0;
bool PackPending = false;

QString InfoDir, OrderDir;

namespace {

std::unique_ptr<xbase::Context> g_context;
std::function<void()> g_exitHook;

xbase::Table* g_impDirsTable = nullptr;  // open only inside LoadImportDirs / SaveImportDirs

void clearHandles() {
    for (xbase::Table** t : {&SettingsTable, &CustTable, &GroupsTable, &InvTable, &ItmTable, &LabelsTable,
                             &PmtTable, &ProdTable, &PurTable, &g_impDirsTable})
        *t = nullptr;
}

// A handle counts as open only while the context still lists a table of that name under it, so a
// handle left over from a close-all is never closed twice or mistaken for another table.
bool isOpen(xbase::Table* table, const TableEntry& desc) {
    if (!table || !g_context) return false;
    const std::vector<xbase::Table*>& open = g_context->tables();
    return std::find(open.begin(), open.end(), table) != open.end() && table->name() == desc.name;
}

// Opens a table by its catalogue entry; a table without an index group is opened with auto-open off.
// nullptr after FatalOpenError has returned (only under a test's exit hook).
xbase::Table* openCatalogued(const TableEntry& desc) {
    xbase::Context& ctx = Engine();
    // A failure an earlier command left in the context is not this open's.
    ctx.errorCode();
    const int autoOpen = ctx.autoOpen();
    if (!desc.hasIndex()) ctx.setAutoOpen(0);
    // Indexes left behind by an interrupted change, or damaged, are rebuilt rather than refused.
    xbase::Table* table = OpenRepairing(desc.key);
    if (!desc.hasIndex()) ctx.setAutoOpen(autoOpen);
    if (ctx.errorCode() < 0 || !table) {
        FatalOpenError(QString::fromLatin1(desc.fileName));
        return nullptr;
    }
    if (desc.defaultTag != TagId::None) {
        const int rc = SelectTag(table, desc.defaultTag);
        if (ctx.errorCode() < 0 || rc < 0) {
            FatalOpenError(QString::fromLatin1(desc.tagFailFile));
            return nullptr;
        }
    }
    return table;
}

}  // namespace

// ---- Engine context -------------------------------------------------------------------------------

xbase::Context& EngineInit(xbase::FileSystem* fs, const std::string& dir) {
    EngineEnd();
    if (!dir.empty()) SetDataDir(QString::fromStdString(dir));
    g_context = std::make_unique<xbase::Context>(fs, DataDir().toStdString());
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
    for (xbase::Table** t : {&SettingsTable, &CustTable, &GroupsTable, &InvTable, &ItmTable, &LabelsTable,
                             &PmtTable, &ProdTable, &PurTable})
        if (*t == table && t != &table) *t = nullptr;
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

void FatalOpenError(const QString& fileName) {
    base::ShowMessage(QStringLiteral("Unable to open file ") + fileName +
                      QStringLiteral("\nProgram will now terminate."));
    EngineExit();
}

// ---- Open routines ------------------------------------------------------------------------------------

xbase::Table*& TableHandle(TableKey key) {
    switch (key) {
    case TableKey::Settings: return SettingsTable;
    case TableKey::Cust: return CustTable;
    case TableKey::Groups: return GroupsTable;
    case TableKey::Inv: return InvTable;
    case TableKey::Itm: return ItmTable;
    case TableKey::Labels: return LabelsTable;
    case TableKey::Pmt: return PmtTable;
    case TableKey::Prod: return ProdTable;
    case TableKey::Pur: return PurTable;
    case TableKey::Party: return PartyTable;
    case TableKey::ImpDirs: break;
    }
    return g_impDirsTable;
}

bool OpenByKey(TableKey key) {
    const TableEntry& desc = Table(key);
    xbase::Table*& handle = TableHandle(key);
    // Opening a table that is still open replaces the handle; the old one must not linger unwritten.
    if (isOpen(handle, desc)) handle->close();
    handle = nullptr;
    xbase::Table* table = openCatalogued(desc);
    if (!table) return false;
    handle = table;
    LastResult = table->top();
    return true;
}

bool OpenSettings() { return OpenByKey(TableKey::Settings); }
bool OpenCust() { return OpenByKey(TableKey::Cust); }
bool OpenGroups() { return OpenByKey(TableKey::Groups); }
bool OpenInv() { return OpenByKey(TableKey::Inv); }
bool OpenItm() { return OpenByKey(TableKey::Itm); }
bool OpenLabels() { return OpenByKey(TableKey::Labels); }
bool OpenPmt() { return OpenByKey(TableKey::Pmt); }
bool OpenProd() { return OpenByKey(TableKey::Prod); }
bool OpenPur() { return OpenByKey(TableKey::Pur); }

bool OpenInvoiceTables() { return OpenCust() && OpenGroups() && OpenInv() && OpenItm() && OpenPmt() && OpenProd(); }

WriteResult CommitRecord(xbase::Table* table, TableKey key) {
    if (!table) table = TableHandle(key);
    if (!table) return WriteResult::EngineFailure(xbase::kErrRecord, key);
    // Flushing writes the record and its index entries exactly as closing would, and leaves the table
    // on the same record and tag without renewing the handle under callers that hold it.
    const int rc = table->flush(false);
    if (rc < 0) table->revert();
    LastResult = table->eof() ? xbase::kEof : xbase::kOk;
    return rc < 0 ? WriteResult::EngineFailure(rc, key) : WriteResult();
}

WriteResult SyncData(TableKey key) {
    const int rc = Engine().sync();
    return rc < 0 ? WriteResult::EngineFailure(rc, key) : WriteResult();
}

int ErrorCode() { return EngineActive() ? Engine().errorCode() : 0; }

// ---- Import directories -------------------------------------------------------------------------------

namespace {

// Opens the import-directory table on its first record (appending one to an empty table, so that a
// save is never lost). False after FatalOpenError has returned.
bool openImportDirs() {
    const TableEntry& desc = Table(TableKey::ImpDirs);
    g_impDirsTable = openCatalogued(desc);
    if (!g_impDirsTable) return false;
    LastResult = g_impDirsTable->top();
    return true;
}

}  // namespace

void LoadImportDirs() {
    InfoDir.clear();
    OrderDir.clear();
    if (!openImportDirs()) return;
    if (LastResult == xbase::kOk) {
        ImpDirsBuffer dirs;
        ReadRecord(g_impDirsTable, &dirs);
        InfoDir = dirs.InfoDir.trimmed();
        OrderDir = dirs.OrderDir.trimmed();
    }
    CloseTable(g_impDirsTable);
}

WriteResult SaveImportDirs() {
    if (!openImportDirs()) return WriteResult::EngineFailure(xbase::kErrOpen, TableKey::ImpDirs);
    WriteResult result;
    if (LastResult != xbase::kOk) {
        LastResult = g_impDirsTable->appendBlank();
        if (LastResult < 0) result = WriteResult::EngineFailure(LastResult, TableKey::ImpDirs);
    }
    if (result.ok()) result = StoreRecord(g_impDirsTable, ImpDirsBuffer{InfoDir, OrderDir});
    CloseTable(g_impDirsTable);
    return result;
}

// ---- Data files ---------------------------------------------------------------------------------------

QString MissingDataFile(const QString& where) {
    const QString dir = where.isEmpty() ? DataDir() : where;
    QSet<QString> present;
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : entries) present.insert(name.toUpper());
    for (const TableEntry& desc : Catalogue())
        if (desc.dataFile && !present.contains(QString::fromLatin1(desc.fileName).toUpper()))
            return QString::fromLatin1(desc.fileName);
    return {};
}

bool DataFilesPresent() { return MissingDataFile().isEmpty(); }

bool DataFilesPresent(const QString& dir) { return MissingDataFile(dir).isEmpty(); }

}  // namespace store
