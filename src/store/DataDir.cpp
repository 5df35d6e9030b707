#include "store/DataDir.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <map>

#include "base/Format.h"
#include "pg/PgDriver.h"
#include "store/Catalogue.h"
#include "store/DemoData.h"
#include "store/EngineContext.h"

namespace store {
namespace {

QSet<QString> catalogueFiles(bool tablesOnly) {
    QSet<QString> names;
    for (const TableEntry& desc : Catalogue()) {
        if (tablesOnly) {
            names.insert(QString::fromLatin1(desc.fileName).toUpper());
            continue;
        }
        for (const std::string& f : TableFiles(desc)) names.insert(QString::fromStdString(f).toUpper());
    }
    return names;
}

QStringList filesIn(const QString& dir, const QSet<QString>& upperNames) {
    QStringList found;
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : entries)
        if (upperNames.contains(name.toUpper())) found << name;
    return found;
}

int fail(xbase::Context& context, int code, const QString& what, QString* error) {
    if (error) {
        const std::string detail = context.lastStatus().message;
        *error = detail.empty() ? what : what + QStringLiteral(": ") + QString::fromStdString(detail);
    }
    context.closeAll();
    return code < 0 ? code : xbase::kErrWrite;
}

// Every indexed table gets its group and tag files, built from the finished table in one pass.
int buildIndexes(xbase::Context& context, QString* error) {
    for (const TableEntry& desc : Catalogue()) {
        if (!desc.hasIndex()) continue;
        xbase::Table* table = context.openTable(desc.name);
        if (!table) return fail(context, context.errorCode(), QStringLiteral("Cannot open %1").arg(desc.fileName), error);
        const int rc = table->createIndex(desc.name, TagDefs(desc));
        if (rc < 0) return fail(context, rc, QStringLiteral("Cannot index %1").arg(desc.fileName), error);
        if (const int closed = table->close(); closed < 0)
            return fail(context, closed, QStringLiteral("Cannot close %1").arg(desc.fileName), error);
    }
    return 0;
}

}  // namespace

SettingsBuffer DefaultSettings() {
    SettingsBuffer s;
    // Computed line 1 is a freight amount typed on each invoice; computed line 2 is the sales tax.
    s.ShipLine = QStringLiteral("Shipping");
    s.TaxLine = QStringLiteral("Tax");
    s.TaxRate1 = 0;
    s.TaxRate2 = 10;
    s.ShipTax = 1;
    s.TaxRound = 1;
    s.GSTField = 2;
    s.LHJustify = 2;
    s.TopMargin = 0.5;
    s.LogoHeight = 1;
    s.LogoWidth = 2;
    s.ByCust = true;
    s.fifo = true;
    s.FontSize = 0;
    return s;
}

bool DataDirExists(const QString& dir) {
    if (IsServerLocation(dir)) {
        std::unique_ptr<xbase::Context> context = NewContext(dir, nullptr);
        if (!context) return false;
        context->setAutoOpen(0);
        return context->openTable(Table(TableKey::Settings).name) != nullptr;
    }
    return !filesIn(dir, catalogueFiles(true)).isEmpty();
}

bool RemoveDataFiles(const QString& dir, QString* error) {
    if (IsServerLocation(dir)) return true;  // writing the business replaces its tables in one transaction
    for (const QString& name : filesIn(dir, catalogueFiles(false))) {
        QFile file(QDir(dir).filePath(name));
        if (!file.remove()) {
            if (error) *error = QStringLiteral("Cannot remove %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
    }
    return true;
}

int WriteDataDir(const QString& dir, const DataDirOptions& options, QString* error) {
    DataDirOptions o = options;
    if (o.asOf <= 0) o.asOf = base::Today();
    if (o.demo && (o.customers < 1 || o.customers > kMaxCustomers || o.invoices < 0 || o.invoices > kMaxInvoices)) {
        if (error)
            *error = QStringLiteral("Customers must be 1 to %1 and invoices 0 to %2 (six-digit numbers)")
                         .arg(kMaxCustomers)
                         .arg(kMaxInvoices);
        return xbase::kErrArgument;
    }

    const bool server = IsServerLocation(dir);
    std::unique_ptr<xbase::Context> holder = NewContext(server ? dir : QDir(dir).absolutePath(), error);
    if (!holder) return xbase::kErrOpen;
    xbase::Context& context = *holder;
    // On a server the whole business is written in one transaction: all of it or nothing.
    if (server && (pg::prepareDatabase(context) < 0 || context.begin() < 0))
        return fail(context, context.errorCode(), QStringLiteral("Cannot prepare the database"), error);
    // Opened exclusively, writes are buffered; indexes are built afterwards in one pass each.
    context.setAccessMode(1);
    context.setWriteBuffering(-1);
    context.setReadBuffering(1);
    context.setAutoOpen(0);
    context.setSafety(0);

    std::map<TableKey, xbase::Table*> tables;
    for (const TableEntry& desc : Catalogue()) {
        xbase::Table* table = context.createTable(desc.fileStem(), FieldDefs(desc));
        if (!table) return fail(context, context.errorCode(), QStringLiteral("Cannot create %1").arg(desc.fileName), error);
        tables[desc.key] = table;
    }

    SettingsBuffer settings = DefaultSettings();
    if (o.demo) DemoLetterhead(&settings);
    if (const int rc = tables[TableKey::Settings]->appendBlank())
        return fail(context, rc, QStringLiteral("Cannot write CRV1.DBF"), error);
    if (const int rc = WriteRecord(tables[TableKey::Settings], settings))
        return fail(context, rc, QStringLiteral("Cannot write CRV1.DBF"), error);
    if (const int rc = tables[TableKey::ImpDirs]->appendBlank())
        return fail(context, rc, QStringLiteral("Cannot write ImpDirs.DBF"), error);

    if (o.demo) {
        const DemoTables demo{tables[TableKey::Cust], tables[TableKey::Groups], tables[TableKey::Inv],
                              tables[TableKey::Itm],  tables[TableKey::Pmt],    tables[TableKey::Prod],
                              tables[TableKey::Pur],  tables[TableKey::Labels], tables[TableKey::Party]};
        if (const int rc = WriteDemoBusiness(demo, o, settings))
            return fail(context, rc, QStringLiteral("Cannot write the demo data"), error);
    }
    if (const int rc = context.closeAll(); rc < 0)
        return fail(context, rc, QStringLiteral("Cannot write the tables"), error);
    if (const int rc = buildIndexes(context, error); rc < 0) return rc;
    if (const int rc = context.commit(); rc < 0) return fail(context, rc, QStringLiteral("Cannot commit the tables"), error);
    return 0;
}

}  // namespace store
