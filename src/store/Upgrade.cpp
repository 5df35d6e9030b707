#include "store/RecordAccess.h"
#include "store/Upgrade.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/StatusSink.h"
#include "store/DataLocation.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/FileSetSwap.h"
#include "store/RecordBuffers.h"
#include "store/Parties.h"

namespace store {
namespace {

const QString kNotFound = QStringLiteral("Data files not found in ");
const QString kWarning = QStringLiteral(
    "Warning: All previously entered data will be overwritten\n\n"
    "Replaced: the customers, groups, products, invoices and label stocks. Kept: the settings, the sales tax "
    "definitions, the purchases and the payments. A payment stays with its invoice number, so it belongs to "
    "the converted invoice of that number.");
const QString kConverting = QStringLiteral("Converting Data Files");
const QString kTransferring = QStringLiteral("Transferring Item Descriptions");
// %1 the values, one a line.
const QString kNotConvertible = QStringLiteral("these old values would be cut or are not numbers:\n%1");
// %1 what failed.
const QString kFailed = QStringLiteral("The old data could not be converted: %1.\nYour data files have not been changed.");

const QStringList kOldTables = {QStringLiteral("cust2.dbf"), QStringLiteral("Groups.dbf"), QStringLiteral("inv.dbf"),
                                QStringLiteral("itm4.dbf"),  QStringLiteral("labels.dbf"), QStringLiteral("pmt.dbf"),
                                QStringLiteral("Prod4.dbf")};
const QString kOldProducts = QStringLiteral("Prod4.dbf");
const QStringList kStartFolders = {QStringLiteral("tamsel_bus"), QStringLiteral("tamsel")};

// The whole-file copies, in order, with the name they take in the data directory when it has no
// file of that name in any case, and the progress shown after each.
struct CopyStep {
    const char* from;
    const char* to;
    int progressAfter;
};
constexpr CopyStep kCopies[] = {
    {"groups.dbf", "GROUPS.dbf", 10}, {"labels.dbf", "LABELS.dbf", 15}, {"Pmt.dbf", "Pmt.dbf", 20}, {"Prod4.dbf", "Prod4.dbf", 25}};

// The tables whose files the upgrade replaces: converted, or copied whole and indexed afresh.
const std::vector<TableKey> kReplaced = {TableKey::Cust, TableKey::Groups, TableKey::Inv,
                                         TableKey::Itm,  TableKey::Labels, TableKey::Prod};

// Every file in dir whose name is name in any case of its letters.
QStringList sameNameIn(const QString& dir, const QString& name) {
    QStringList found;
    for (const QString& entry : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        if (entry.compare(name, Qt::CaseInsensitive) == 0) found << entry;
    return found;
}

QString engineDetail(const xbase::Context& context, int code) {
    const xbase::Status& status = context.lastStatus();
    return status.code == code && !status.message.empty() ? QString::fromStdString(status.message)
                                                          : QStringLiteral("engine error %1").arg(code);
}

// One record of an old table. Each field is found by its name and read by its type class (character,
// numeric, date, logical, memo) into the kind of member it goes to, whatever its width; a field the
// old table lacks reads empty.
//
// Nothing is changed silently: a number that is not a number, and a memo pointing beyond the end of
// its file, are noted (with the record and the field) in problems.
struct OldTableFacts {
    QString file;        // the old table's name, for the messages
    qint64 memoSize = 0; // bytes of its memo file
};

class OldRecord {
public:
    OldRecord(const xbase::Table* table, const OldTableFacts& facts, QStringList* problems)
        : m_table(table), m_facts(facts), m_problems(problems) {}

    void read(const char* name, QString* value) const {
        const xbase::Field* f = m_table->field(name);
        *value = f ? FromTableText(f->type() == 'M' ? memo(*f) : f->text()) : QString();
    }
    void read(const char* name, long* value) const {
        const xbase::Field* f = m_table->field(name);
        *value = 0;
        if (!f || !isNumber(*f)) return;
        *value = f->type() == 'N' ? f->asLong() : text(name).trimmed().toLong();
    }
    void read(const char* name, int* value) const {
        long whole = 0;
        read(name, &whole);
        *value = int(whole);
    }
    void read(const char* name, base::Decimal* value) const {
        *value = base::Decimal();
        const xbase::Field* f = m_table->field(name);
        if (f && (f->type() == 'N' || f->type() == 'F' || f->type() == 'C') && isNumber(*f))
            base::Decimal::parse(text(name).trimmed(), QLatin1Char('.'), value);
    }
    void read(const char* name, bool* value) const {
        const xbase::Field* f = m_table->field(name);
        const QString t = text(name).trimmed().toUpper();
        *value = f && (f->type() == 'L' ? f->isTrue() : t.startsWith(QLatin1Char('T')) || t.startsWith(QLatin1Char('Y')));
    }
    // The only day member read is a date: a date field or date text ("yyyymmdd"); one that does not
    // convert is no date (0).
    void read(const char* name, double* value) const {
        const xbase::Field* f = m_table->field(name);
        *value = f && (f->type() == 'D' || f->type() == 'C') ? base::KeyToDate(text(name)) : 0.0;
    }

    QString where(const std::string& field) const {
        return QStringLiteral("%1 record %2 %3").arg(m_facts.file).arg(m_table->recNo()).arg(QString::fromStdString(field));
    }

private:
    QString text(const char* name) const {
        QString value;
        read(name, &value);
        return value;
    }
    // Blank is 0, as the old system wrote it; anything else must read as a number.
    bool isNumber(const xbase::Field& f) const {
        const QString t = FromTableText(f.text()).trimmed();
        base::Decimal ignored;
        if (t.isEmpty() || (base::Decimal::parse(t, QLatin1Char('.'), &ignored)))
            return true;
        m_problems->append(QStringLiteral("%1: \"%2\" is not a number").arg(where(f.name()), t));
        return false;
    }
    // The text must end inside the memo file: one that runs past its end was cut short.
    std::string memo(const xbase::Field& f) const {
        const qint64 block = QString::fromStdString(f.text()).trimmed().toLongLong();
        const std::string text = f.memoText();
        if (block > 0 && block * 512 + qint64(text.size()) >= m_facts.memoSize)
            m_problems->append(QStringLiteral("%1: the memo text lies beyond the end of the memo file").arg(where(f.name())));
        return text;
    }
    const xbase::Table* m_table;
    const OldTableFacts& m_facts;
    QStringList* m_problems;
};

// The old fields read into each new buffer, by the old names; the fields the old layouts lack keep
// the buffer's defaults (empty texts, 0, false).
template <class B>
void readOld(const OldRecord& old, const std::vector<Binding<B>>& fields, B* buffer) {
    for (const Binding<B>& f : fields) std::visit([&](auto member) { old.read(f.field, &(buffer->*member)); }, f.member);
}

void readProduct(const OldRecord& old, ProdBuffer* p) {
    using B = ProdBuffer;
    static const std::vector<Binding<B>> fields{
        {"Prid", &B::PrID},   {"RCode", &B::RCode}, {"PDesc", &B::PDesc}, {"UPrice", &B::UPrice},
        {"LTax1", &B::LTax1}, {"LTax2", &B::LTax2}, {"IComm", &B::IComm}, {"PMemo", &B::PMemo}};
    readOld(old, fields, p);
}

void readCustomer(const OldRecord& old, CustBuffer* c) {
    using B = CustBuffer;
    static const std::vector<Binding<B>> fields{
        {"CuNo", &B::cuno},   {"NGroup", &B::ngroup}, {"Title", &B::title}, {"First", &B::first},
        {"Last", &B::last},   {"Addr1", &B::addr1},   {"Addr2", &B::addr2}, {"Addr3", &B::addr3},
        {"Addr4", &B::addr4}, {"Zip", &B::zip},       {"Comments", &B::comments}, {"Note", &B::note}};
    readOld(old, fields, c);
}

void readInvoice(const OldRecord& old, InvBuffer* i) {
    using B = InvBuffer;
    static const std::vector<Binding<B>> fields{
        {"IvNo", &B::IvNo},   {"CuNo", &B::CuNo}, {"IDate", &B::IDate}, {"IMemo", &B::IMemo},
        {"REM", &B::REM},     {"Ship", &B::Ship}, {"Tax", &B::Tax},     {"Due", &B::Due}};
    readOld(old, fields, i);
    i->REM = i->REM.trimmed();  // the remarks lose their outer blanks
}

void readItem(const OldRecord& old, ItmBuffer* i) {
    using B = ItmBuffer;
    static const std::vector<Binding<B>> fields{
        {"IvNo", &B::IvNo},   {"Prid", &B::PrID},   {"IComm", &B::IComm}, {"Qty", &B::Qty},
        {"UPR", &B::UPR},     {"LTax1", &B::LTax1}, {"LTax2", &B::LTax2}};
    readOld(old, fields, i);
}

// The old table's header against its file. Returns what is wrong, empty when nothing is.
QString damage(const QString& path, const QString& file) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("%1 could not be read (%2)").arg(file, f.errorString());
    const QByteArray header = f.read(12);
    if (header.size() < 12) return QStringLiteral("%1 is damaged: its header is cut short").arg(file);
    const qint64 count = qFromLittleEndian<quint32>(header.constData() + 4);
    const qint64 headerLength = qFromLittleEndian<quint16>(header.constData() + 8);
    const qint64 recordLength = qFromLittleEndian<quint16>(header.constData() + 10);
    const qint64 held = recordLength > 0 ? (f.size() - headerLength) / recordLength : 0;
    // Fewer records than counted: the file was cut short; more: the count was never brought up to
    // date. Either way records would be lost without a word. (The end-of-file byte is no record.)
    if (recordLength <= 0 || held != count)
        return QStringLiteral("%1 is damaged: its header counts %2 records, the file holds %3").arg(file).arg(count).arg(qMax<qint64>(held, 0));
    return {};
}

// Texts that the new field would cut: the record as stored, read back, against what was read.
template <class B>
void noteCutTexts(xbase::Table* table, const B& wanted, const OldRecord& old, QStringList* problems) {
    B stored;
    ReadRecord(table, &stored);
    for (const Binding<B>& b : BindingOf<B>::list()) {
        const auto* text = std::get_if<QString B::*>(&b.member);
        if (!text) continue;
        const QString want = wanted.**text, got = stored.**text;
        if (got.trimmed() == want.trimmed()) continue;
        const xbase::Field* field = table->field(b.field);
        problems->append(QStringLiteral("%1: \"%2\" is longer than its %3 characters")
                             .arg(old.where(b.field), want.trimmed())
                             .arg(field ? std::min(field->length(), b.cut) : 0));
    }
}

// Every data file the upgrade replaces or the pack after it rewrites, and the folder itself, must be
// writable: found out before anything is converted. Empty, or the first that is not.
QString notWritable(const QString& working) {
    if (!QFileInfo(working).isWritable()) return working;
    static const QStringList kDataSuffixes = {QStringLiteral("dbf"), QStringLiteral("dbt"), QStringLiteral("ntx"), QStringLiteral("cgp")};
    for (const QFileInfo& file : QDir(working).entryInfoList(QDir::Files | QDir::Hidden))
        // A file its owner may not write was made read-only on purpose, whoever runs the upgrade.
        if (kDataSuffixes.contains(file.suffix().toLower()) && (!file.isWritable() || !(file.permissions() & QFileDevice::WriteOwner)))
            return file.fileName();
    return {};
}

// The engine's upper-casing of key text: ASCII letters only.
QString keyUpper(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    return text;
}

// The conversion in a staging directory inside the data directory; empty when every step
// succeeded and the converted set is in place, else what failed.
class Conversion {
public:
    Conversion(const QString& oldDir, const QString& working)
        : m_oldDir(oldDir), m_working(working), m_staging(working + QLatin1Char('/') + StagingPrefix() + QStringLiteral("XXXXXX")) {}

    QString run();

private:
    QString checkNotInUse();
    QString copyWholeFiles();
    template <class B>
    QString convert(const char* oldName, int progressBase, int progressSpan, void (*read)(const OldRecord&, B*));
    QString buildIndexes();
    QString transferDescriptions();
    QString putInPlace();

    QString staged(const QString& name) const { return QDir(m_staging.path()).filePath(name); }

    QString m_oldDir, m_working;
    QTemporaryDir m_staging;
    std::unique_ptr<xbase::Context> m_old, m_new;
    QStringList m_problems;  // values that would be cut or are not numbers, in every table
};

QString Conversion::run() {
    if (!m_staging.isValid())
        return QStringLiteral("a working folder could not be made in %1 (%2)").arg(m_working, m_staging.errorString());
    m_old = std::make_unique<xbase::Context>(nullptr, m_oldDir.toStdString());
    m_old->setAutoOpen(0);
    m_new = std::make_unique<xbase::Context>(nullptr, m_staging.path().toStdString());
    // The staged tables are this conversion's alone: opened exclusively, as building indexes needs.
    m_new->setAccessMode(1);
    m_new->setAutoOpen(0);
    m_new->setSafety(0);
    QString failure = checkNotInUse();
    if (failure.isEmpty()) failure = copyWholeFiles();
    if (failure.isEmpty()) failure = convert<ProdBuffer>("prod4", 20, 5, readProduct);
    if (failure.isEmpty()) failure = convert<CustBuffer>("Cust2", 25, 25, readCustomer);
    if (failure.isEmpty()) failure = convert<InvBuffer>("inv", 50, 25, readInvoice);
    if (failure.isEmpty()) failure = convert<ItmBuffer>("itm4", 75, 25, readItem);
    if (failure.isEmpty() && !m_problems.isEmpty()) failure = kNotConvertible.arg(m_problems.join(QLatin1Char('\n')));
    if (failure.isEmpty()) failure = buildIndexes();
    if (failure.isEmpty()) failure = transferDescriptions();
    m_old->closeAll();
    if (m_new->closeAll() < 0 && failure.isEmpty()) failure = QStringLiteral("the converted tables could not be written");
    if (failure.isEmpty()) failure = putInPlace();
    return failure;
}

// The tables to be replaced must not be open in another copy of the program: opening each
// exclusively for a moment proves it.
QString Conversion::checkNotInUse() {
    if (const QString file = notWritable(m_working); !file.isEmpty())
        return QStringLiteral("%1 is read-only").arg(file);
    xbase::Context& context = Engine();
    const int accessMode = context.accessMode(), autoOpen = context.autoOpen();
    context.setAccessMode(1);
    context.setAutoOpen(0);
    QString failure;
    for (TableKey key : kReplaced) {
        context.errorCode();
        xbase::Table* table = context.openTable(Table(key).name);
        if (!table) {
            failure = QString::fromLatin1(Table(key).fileName) + QStringLiteral(": ") +
                      WriteResult::EngineFailure(context.lastStatus().code, key).reason();
            break;
        }
        table->close();
    }
    context.setAccessMode(accessMode);
    context.setAutoOpen(autoOpen);
    return failure;
}

QString Conversion::copyWholeFiles() {
    const FileOps& ops = CurrentFileOps();
    for (const CopyStep& step : kCopies) {
        const QString from = QDir(m_oldDir).filePath(sameNameIn(m_oldDir, QLatin1String(step.from)).value(0));
        // The data directory's own file keeps its name; the set never holds two that differ in case.
        const QStringList existing = sameNameIn(m_working, QLatin1String(step.to));
        const QString to = staged(existing.size() == 1 ? existing.front() : QLatin1String(step.to));
        if (const int error = ops.copy(from, to); error != 0)
            return QStringLiteral("%1 could not be copied (%2)").arg(QLatin1String(step.from), QString::fromLocal8Bit(std::strerror(error)));
        base::ShowProgress(step.progressAfter);
    }
    return {};
}

template <class B>
QString Conversion::convert(const char* oldName, int progressBase, int progressSpan, void (*read)(const OldRecord&, B*)) {
    // Named in the messages as the old directory holds it.
    const QString oldFile = sameNameIn(m_oldDir, QLatin1String(oldName) + QStringLiteral(".dbf")).value(0);
    const QString oldPath = QDir(m_oldDir).filePath(oldFile);
    if (const QString damaged = damage(oldPath, oldFile); !damaged.isEmpty()) return damaged;
    OldTableFacts facts{oldFile, 0};
    const QString memoName = sameNameIn(m_oldDir, QLatin1String(oldName) + QStringLiteral(".dbt")).value(0);
    if (!memoName.isEmpty()) facts.memoSize = QFileInfo(QDir(m_oldDir).filePath(memoName)).size();
    m_old->errorCode();
    xbase::Table* old = m_old->openTable(oldName);
    if (!old) return QStringLiteral("%1 could not be opened (%2)").arg(oldFile, engineDetail(*m_old, m_old->lastStatus().code));
    const TableEntry& desc = Table(BindingOf<B>::table);
    xbase::Table* table = m_new->createTable(desc.fileStem(), FieldDefs(desc));
    if (!table) return QStringLiteral("%1 could not be created (%2)").arg(QLatin1String(desc.fileName), engineDetail(*m_new, m_new->lastStatus().code));
    const long count = old->recCount();
    long done = 0;
    int rc = old->top();
    while (rc == xbase::kOk) {
        // A record the old system had deleted stays deleted: it is not taken over.
        if (!old->isDeleted()) {
            B buffer;
            const OldRecord record(old, facts, &m_problems);
            read(record, &buffer);
            int written = table->appendBlank();
            if (written == xbase::kOk) written = WriteRecord(table, buffer);
            if (written < 0)
                return QStringLiteral("record %1 of %2 could not be added to %3 (%4)")
                    .arg(QString::number(old->recNo()), oldFile, QLatin1String(desc.fileName), engineDetail(*m_new, written));
            noteCutTexts(table, buffer, record, &m_problems);
        }
        ++done;
        base::ShowProgress(progressBase + int(done * progressSpan / count));
        rc = old->skip(1);
    }
    if (rc < 0) return QStringLiteral("%1 could not be read (%2)").arg(oldFile, engineDetail(*m_old, rc));
    old->close();
    if (const int closed = table->close(); closed < 0)
        return QStringLiteral("%1 could not be written (%2)").arg(QLatin1String(desc.fileName), engineDetail(*m_new, closed));
    return {};
}

QString Conversion::buildIndexes() {
    TableKey failed = TableKey::Cust;
    const int rc = RebuildIndexesIn(*m_new, kReplaced, &failed);
    if (rc >= 0) return {};
    return QStringLiteral("the indexes of %1 could not be built (%2)").arg(QLatin1String(Table(failed).fileName), engineDetail(*m_new, rc));
}

// Each line item takes the description of its product, when the product table has its code.
QString Conversion::transferDescriptions() {
    m_new->setAutoOpen(1);
    xbase::Table* products = m_new->openTable(Table(TableKey::Prod).name);
    xbase::Table* items = m_new->openTable(Table(TableKey::Itm).name);
    if (!products || !items || SelectTag(products, TagId::Prod) < 0 || SelectTag(items, TagId::Itm) < 0)
        return QStringLiteral("the converted products and line items could not be opened (%1)")
            .arg(engineDetail(*m_new, m_new->lastStatus().code));
    base::ShowStatus(kTransferring);
    const long count = items->recCount();
    long done = 0;
    int rc = items->top();
    while (rc == xbase::kOk) {
        // The code as stored, padded to the key's width, so that only the whole code matches.
        const QString code = ReadField(items, &ItmBuffer::PrID);
        if (products->seek(ToTableText(keyUpper(code))) == xbase::kOk) {
            rc = WriteField(items, &ItmBuffer::PDesc, ReadField(products, &ProdBuffer::PDesc));
            if (rc >= 0) rc = items->flush(false);
            if (rc < 0) break;
        }
        ++done;
        base::ShowProgress(int(done * 100 / count));
        rc = items->skip(1);
    }
    if (rc < 0) return QStringLiteral("the item descriptions could not be written (%1)").arg(engineDetail(*m_new, rc));
    return {};
}

// Moves the staged files into the data directory as one set. The files they replace, in any case of
// their names, are moved aside into the staging folder first, so the set never holds two names that
// differ in case.
QString Conversion::putInPlace() {
    const QString staging = QDir(m_working).relativeFilePath(m_staging.path());
    const QString aside = staging + QStringLiteral("/.replaced");
    if (!QDir(m_working).mkdir(aside)) return QStringLiteral("a working folder could not be made in %1").arg(m_staging.path());
    std::vector<FileMove> moves;
    for (const QString& name : QDir(m_staging.path()).entryList(QDir::Files)) {
        if (!SyncPath(staged(name))) return QStringLiteral("%1 could not be written to the disk").arg(name);
        for (const QString& existing : sameNameIn(m_working, name)) moves.push_back({existing, aside + QLatin1Char('/') + existing});
        moves.push_back({staging + QLatin1Char('/') + name, name});
    }
    if (!SyncPath(m_staging.path()) || !SyncPath(QDir(m_working).filePath(aside)))
        return QStringLiteral("the converted files could not be written to the disk");
    const QString failure = SwapFileSet(m_working, moves);
    // A set that could not be undone is finished at the next start from the staged files: keep them.
    if (!failure.isEmpty() && SwapPending(m_working)) m_staging.setAutoRemove(false);
    return failure;
}

}  // namespace

const QStringList& OldTables() { return kOldTables; }

QString MissingOldTable(const QString& dir) {
    for (const QString& name : kOldTables)
        if (sameNameIn(dir, name).isEmpty()) return name;
    return {};
}

QString NotFoundMessage(const QString& dir) { return kNotFound + dir; }

QString UpgradeStartDirectory(const QString& home) {
    for (const QString& folder : kStartFolders) {
        const QString dir = QDir(home).filePath(folder);
        if (!sameNameIn(dir, kOldProducts).isEmpty()) return dir;
    }
    return {};
}

UpgradeOutcome ConvertOldData(const QString& oldDir, bool ask) {
    CloseAll();
    if (!MissingOldTable(oldDir).isEmpty()) {
        base::ShowMessage(NotFoundMessage(oldDir));
        return UpgradeOutcome::NotFound;
    }
    if (ask && !base::ConfirmDestructive(kWarning)) return UpgradeOutcome::Declined;
    base::ShowStatus(kConverting);
    base::ShowProgress(5);
    const QString failure = Conversion(QDir(oldDir).absolutePath(), DataDir()).run();
    if (failure.isEmpty()) {
        // The e-invoice data of the replaced customers goes; data from before the table gets it empty.
        if (EnsurePartyTable() < 0 || DropBuyerParties() < 0) base::ShowMessage(QStringLiteral("Unable to open file EParty.DBF"));
        return UpgradeOutcome::Converted;
    }
    base::ShowStatus(QString());
    base::ShowMessage(kFailed.arg(failure));
    return UpgradeOutcome::Failed;
}

bool UpgradeOldData(const QString& oldDir) { return ConvertOldData(oldDir) != UpgradeOutcome::Failed; }

void UpgradeCommand(const QString& chosen) {
    if (chosen.isEmpty()) return;
    // A failed conversion changed no file: there is nothing to rebuild or pack.
    if (!UpgradeOldData(chosen)) return;
    Engine().setAutoOpen(1);
    Engine().setAccessMode(0);
    PackAll();
}

}  // namespace store
