// The open routines: each table opened as catalogued, on its default tag, at the top.
#include "store/OpenRoutines.h"

#include <QString>

#include <algorithm>

#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace store {

namespace {

// A handle counts as open only while the context still lists a table of that name under it, so a
// handle left over from a close-all is never closed twice or mistaken for another table.
bool isOpen(xbase::Table* table, const TableEntry& desc) {
    if (!table || !EngineActive()) return false;
    const std::vector<xbase::Table*>& open = Engine().tables();
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
        // A damaged table says what is wrong, so that it is restored rather than opened again.
        const xbase::Status& why = ctx.lastStatus();
        FatalOpenError(QString::fromLatin1(desc.fileName),
                       why.code == xbase::kErrCorruptTable ? QString::fromStdString(why.message) : QString());
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

}  // namespace store
