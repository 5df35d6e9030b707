#include "store/DbUtil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <fcntl.h>
#include <unistd.h>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "base/RemovableMedia.h"
#include "base/StatusSink.h"
#include "store/Catalogue.h"
#include "store/DataLocation.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/Parties.h"

namespace store {
namespace {

// This unit's texts.
const QString kRebuilding = QStringLiteral("Rebuilding Indexes");
const QString kPacking = QStringLiteral("Packing Data Files");
const QString kErasing = QStringLiteral("Erasing Data Files");
const QString kEraseWarning = QStringLiteral("WARNING: You are about to erase all of your existing data.");
const QString kCopying = QStringLiteral("Copying Data Files");
const QString kInsertDisk = QStringLiteral("Insert disk containing ");
const QString kUnableToFind = QStringLiteral("Unable to find ");
const QString kFunctionAborted = QStringLiteral("Function Aborted");
const QString kDiskFull = QStringLiteral("Disk Full. Insert another disk.");
const QString kWriteProtected = QStringLiteral("Disk is Write Protected");
const QString kBackupSameDir = QStringLiteral("Backup must be to a different drive and/or directory");
const QString kRestoreSameDir = QStringLiteral("Restore must be from a different drive and/or directory");
const QString kBackupFailed = QStringLiteral("Backup Failed . . Check that disk is not write protected");
const QString kRestoreFailed = QStringLiteral("Restore Failed . . Check that your disk is not full.");
// %1 the data directory, %2 the backup's directory, %3 the date the backup was made.
const QString kReplaceData = QStringLiteral("Replace the data in %1 with the backup from %2 made on %3?");
const QString kReplaceDataUndated = QStringLiteral("Replace the data in %1 with the backup from %2?");
// %1 the table.
// %1 how many tables.
const QString kReindexDone = QStringLiteral("Reindex of %1 tables completed.");
const QString kPackDone = QStringLiteral("Pack of %1 tables completed.");
// %1 how many files, %2 the directory.
const QString kBackupDone = QStringLiteral("Backup of %1 files to %2 completed.");
const QString kRestoreDone = QStringLiteral("Restore of %1 files from %2 completed.");

// The index rebuild, in order, with the progress shown after each table in full mode (0: none). The
// bar reads 5, 25, 30, 35, 40, 60, 80, 100 and a closing 100: the label table's 100 is the closing one.
struct RebuildStep {
    TableKey table;
    int progressAfter;
};
constexpr RebuildStep kRebuildSteps[] = {
    {TableKey::Cust, 25}, {TableKey::Groups, 30}, {TableKey::Prod, 35}, {TableKey::Pur, 40},
    {TableKey::Inv, 60},  {TableKey::Itm, 80},    {TableKey::Pmt, 100}, {TableKey::Labels, 0},
    {TableKey::Party, 0},
};

// Packing, in order, with the progress shown before each table.
struct PackStep {
    TableKey table;
    bool compactMemo;
    int progressBefore;
};
constexpr PackStep kPackSteps[] = {
    {TableKey::Cust, true, 10},   {TableKey::Groups, false, 30}, {TableKey::Inv, true, 35},
    {TableKey::Itm, false, 50},   {TableKey::Labels, false, 70}, {TableKey::Pmt, false, 75},
    {TableKey::Pur, false, 85},   {TableKey::Prod, true, 100},  {TableKey::Party, false, 100},
};

// Erasing, in order: progress before each table, and after emptying for the tables with a memo
// file (0: none). Label stocks, settings and import directories are kept.
struct EraseStep {
    TableKey table;
    int progressBefore;
    int progressAfterEmptying;
};
constexpr EraseStep kEraseSteps[] = {
    {TableKey::Cust, 5, 15}, {TableKey::Groups, 30, 0}, {TableKey::Inv, 40, 50}, {TableKey::Itm, 60, 0},
    {TableKey::Pmt, 70, 0},  {TableKey::Prod, 85, 90},  {TableKey::Pur, 95, 0},
};

// The backup set with the progress shown before each file.
struct BackupStep {
    const char* file;
    int progressBefore;
};
constexpr BackupStep kBackupSteps[] = {
    {"CUST5.dbf", 10}, {"CUST5.dbt", 20}, {"GROUPS.dbf", 30}, {"INV5.dbf", 35},
    {"INV5.dbt", 45},  {"ITM5.dbf", 55},  {"LABELS.dbf", 70}, {"GSTPMT.dbf", 75},
    {"Pur5.dbf", 85},  {"Prod5.dbf", 95}, {"Prod5.dbt", 100}, {"EParty.dbf", 100},
};

// Switches context options for the life of the object and sets the previous values back.
class OptionScope {
public:
    OptionScope(int accessMode, int autoOpen = -1, int safety = -1)
        : m_context(Engine()),
          m_accessMode(m_context.accessMode()),
          m_autoOpen(m_context.autoOpen()),
          m_safety(m_context.safety()) {
        m_context.setAccessMode(accessMode);
        if (autoOpen >= 0) m_context.setAutoOpen(autoOpen);
        if (safety >= 0) m_context.setSafety(safety);
    }
    ~OptionScope() {
        m_context.setAccessMode(m_accessMode);
        m_context.setAutoOpen(m_autoOpen);
        m_context.setSafety(m_safety);
    }
    OptionScope(const OptionScope&) = delete;
    OptionScope& operator=(const OptionScope&) = delete;

private:
    xbase::Context& m_context;
    int m_accessMode, m_autoOpen, m_safety;
};

// A bare name resolved in the context's directory, without regard to case.
std::string enginePath(const std::string& name) {
    const std::string& dir = Engine().directory();
    return dir.empty() ? name : dir + "/" + name;
}

bool engineFileExists(const std::string& name) {
    xbase::FileSystem& fs = Engine().fileSystem();
    return fs.exists(fs.resolve(enginePath(name)));
}

bool indexFilesMissing(const TableEntry& table) {
    if (!engineFileExists(table.groupFile())) return true;
    for (const TagEntry& tag : table.tags)
        if (!engineFileExists(tag.file)) return true;
    return false;
}

// Why a table could not be opened: the context's own code (another user's share lock, a missing file).
WriteResult openFailure(TableKey key) {
    const int code = Engine().lastStatus().code;
    return WriteResult::EngineFailure(code < 0 ? code : int(xbase::kErrOpen), key);
}

// Creates the table's index group afresh (from the catalogue, so a damaged index never stands in the
// way) and closes the table on every road.
WriteResult rebuildTable(const TableEntry& table) {
    xbase::Context& context = Engine();
    context.errorCode();
    xbase::Table* handle = context.openTable(table.name);
    if (!handle) return openFailure(table.key);
    const int built = handle->createIndex(table.name, TagDefs(table));
    WriteResult result = built < 0 ? WriteResult::EngineFailure(built, table.key) : WriteResult();
    const int closed = handle->close();
    if (closed < 0) result &= WriteResult::EngineFailure(closed, table.key);
    return result;
}

// Tells the user of one table that a maintenance step could not be done to it; the step goes on with
// the next table.
void tellTableFailure(const QString& what, const WriteResult& result) {
    base::ShowMessage(what + QStringLiteral(": ") + result.reason() + QLatin1Char('.'));
}

}  // namespace

// ---------------------------------------------------------------- maintenance

bool RebuildIndexes(bool quick) {
    bool all = true;
    CloseAll();  // each table is opened exclusively, which this run's own opens would refuse
    {
        OptionScope options(/*accessMode=*/1, /*autoOpen=*/0, /*safety=*/0);
        if (!quick) {
            base::ShowStatus(kRebuilding);
            base::ShowProgress(5);
        }
        for (const RebuildStep& step : kRebuildSteps) {
            const TableEntry& table = Table(step.table);
            if (!quick || indexFilesMissing(table)) {
                const WriteResult result = rebuildTable(table);
                if (!result.ok()) {
                    all = false;
                    tellTableFailure(QStringLiteral("The indexes of %1 could not be rebuilt").arg(table.fileName),
                                     result);
                }
            }
            if (!quick && step.progressAfter > 0) base::ShowProgress(step.progressAfter);
        }
        if (!quick) base::ShowProgress(100);
    }
    if (!quick) base::ShowStatus(QString());
    return all;
}

int RebuildIndexesIn(xbase::Context& context, const std::vector<TableKey>& tables, TableKey* failed) {
    base::ShowStatus(kRebuilding);
    base::ShowProgress(5);
    int rc = 0;
    for (const RebuildStep& step : kRebuildSteps) {
        if (rc == 0 && std::find(tables.begin(), tables.end(), step.table) != tables.end()) {
            const TableEntry& table = Table(step.table);
            context.errorCode();
            xbase::Table* handle = context.openTable(table.name);
            rc = handle ? handle->createIndex(table.name, TagDefs(table)) : std::min(context.lastStatus().code, int(xbase::kErrOpen));
            if (handle) {
                const int closed = handle->close();
                if (rc >= 0 && closed < 0) rc = closed;
            }
            if (rc < 0) *failed = step.table;
            rc = std::min(rc, 0);
        }
        if (rc == 0 && step.progressAfter > 0) base::ShowProgress(step.progressAfter);
    }
    if (rc == 0) base::ShowProgress(100);
    base::ShowStatus(QString());
    return rc;
}

bool RepairIndexes(TableKey key) {
    const TableEntry& table = Table(key);
    base::ShowStatus(kRebuilding);
    WriteResult result;
    {
        OptionScope options(/*accessMode=*/1, /*autoOpen=*/0, /*safety=*/0);
        result = rebuildTable(table);
    }
    base::ShowStatus(QString());
    if (!result.ok())
        tellTableFailure(QStringLiteral("The indexes of %1 could not be rebuilt").arg(table.fileName), result);
    return result.ok();
}

xbase::Table* OpenRepairing(TableKey key) {
    const TableEntry& desc = Table(key);
    xbase::Context& context = Engine();
    xbase::Table* table = context.openTable(desc.name);
    const int why = context.lastStatus().code;
    if (!table && desc.hasIndex() && context.autoOpen() == 1 &&
        (why == xbase::kErrStaleIndex || why == xbase::kErrCorruptIndex)) {
        context.errorCode();
        if (RepairIndexes(key)) table = context.openTable(desc.name);
    }
    return table;
}

WriteResult PackTable(TableKey key, bool compactMemo) {
    OptionScope options(/*accessMode=*/1);
    xbase::Context& context = Engine();
    context.errorCode();
    xbase::Table* table = OpenRepairing(key);
    if (!table) return openFailure(key);
    int rc = table->pack();
    if (rc >= 0 && compactMemo) rc = table->compressMemo();
    if (rc >= 0) rc = table->flush(true);
    WriteResult result = rc < 0 ? WriteResult::EngineFailure(rc, key) : WriteResult();
    const int closed = table->close();
    if (closed < 0) result &= WriteResult::EngineFailure(closed, key);
    return result;
}

bool PackAll() {
    bool all = true;
    {
        OptionScope options(/*accessMode=*/1);
        base::ShowStatus(kPacking);
        for (const PackStep& step : kPackSteps) {
            base::ShowProgress(step.progressBefore);
            const WriteResult result = PackTable(step.table, step.compactMemo);
            if (!result.ok()) {
                all = false;
                tellTableFailure(QStringLiteral("%1 could not be packed").arg(Table(step.table).fileName), result);
            }
        }
        base::ShowStatus(QString());
    }
    // Deleted records of a table that could not be packed stay marked: the next pack removes them.
    if (all) PackPending = false;
    return all;
}

void ReindexCommand() {
    if (RebuildIndexes(false)) base::ShowResult(kReindexDone.arg(std::size(kRebuildSteps)));
}

void PackCommand() {
    if (PackAll()) base::ShowResult(kPackDone.arg(std::size(kPackSteps)));
}

bool EraseAll() {
    if (!base::ConfirmDestructive(kEraseWarning)) return false;
    bool all = true;
    OptionScope options(/*accessMode=*/1);
    base::ShowStatus(kErasing);
    for (const EraseStep& step : kEraseSteps) {
        base::ShowProgress(step.progressBefore);
        if (!OpenByKey(step.table)) return false;  // the program is ending
        xbase::Table* table = TableHandle(step.table);
        int rc = table->zap(1, table->recCount());
        if (step.progressAfterEmptying > 0) {
            base::ShowProgress(step.progressAfterEmptying);
            if (rc == 0) rc = table->compressMemo();
        }
        if (rc == 0) rc = table->flush(true);
        if (rc < 0) {
            all = false;
            tellTableFailure(QStringLiteral("%1 could not be erased").arg(Table(step.table).fileName),
                             WriteResult::EngineFailure(rc, step.table));
        }
        CloseAll();
    }
    // The buyers' e-invoice data goes with the customers; the seller's stays, as the letterhead does.
    if (const int rc = DropBuyerParties(); rc < 0) {
        all = false;
        tellTableFailure(QStringLiteral("%1 could not be erased").arg(Table(TableKey::Party).fileName),
                         WriteResult::EngineFailure(rc, TableKey::Party));
    }
    base::ShowProgress(100);
    base::ShowStatus(QString());
    return all;
}

// ---------------------------------------------------------------- file operations

namespace {

// Copies with the system's calls so the reason of a failure (ENOSPC, EROFS, EACCES) is known.
int systemCopy(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (got == 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                error = errno;
                break;
            }
            done += put;
        }
        if (error) break;
    }
    if (!error && ::fsync(out) != 0) error = errno;
    if (::close(out) != 0 && !error) error = errno;
    ::close(in);
    return error;
}

FileOps g_fileOps = SystemFileOps();

// name inside dir as it exists there (the case of the letters may differ), else dir + name.
QString resolveIn(const QString& dir, const QString& name) {
    const QDir directory(dir);
    if (directory.exists(name)) return directory.filePath(name);
    for (const QString& entry : directory.entryList(QDir::Files | QDir::Hidden))
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return directory.filePath(entry);
    return directory.filePath(name);
}

// Copies to a temporary name beside the target and renames it over the target. The engine's file
// system makes the temporary file: on a name nobody can plant a link at, owner-only, or with the mode
// and group of the file it replaces where the directory is shared by a group.
int copyReplacing(const QString& from, const QString& to) {
    std::unique_ptr<xbase::File> made;
    std::string name;
    const xbase::Status st = xbase::posixFileSystem()->createTemp(QFile::encodeName(to).toStdString(),
                                                                    xbase::Share::Shared, &made, &name);
    if (!st.ok()) return st.osError != 0 ? st.osError : EIO;
    made.reset();
    const QString temporary = QFile::decodeName(QByteArray::fromStdString(name));
    int error = g_fileOps.copy(from, temporary);
    if (error == 0 && std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(to).constData()) != 0)
        error = errno;
    if (error != 0) QFile::remove(temporary);
    return error;
}

void showNotFound(const QString& path) { base::ShowMessage(kUnableToFind + path + QLatin1Char('\n') + kFunctionAborted); }

bool askOkCancel(const QString& text) {
    return base::dialogs().message(base::MsgKind::Information, text, base::MsgButtons::OkCancel) == base::Answer::Ok;
}

// The directory with outer blanks cut and the separator appended.
QString directoryWithSeparator(const QString& dir) {
    QString result = dir.trimmed();
    if (!result.endsWith(QLatin1Char('/'))) result += QLatin1Char('/');
    return result;
}

// Every file of the backup set exists in dir; otherwise the first missing one is reported.
bool wholeSetPresent(const QString& dir) {
    for (const BackupStep& step : kBackupSteps) {
        const QString source = resolveIn(dir, QLatin1String(step.file));
        if (!QFileInfo::exists(source)) {
            showNotFound(source);
            return false;
        }
    }
    return true;
}

bool sameDirectory(const QString& a, const QString& b) {
    return QDir::cleanPath(a.trimmed()) == QDir::cleanPath(b.trimmed());
}

// The day the backup in dir was made: the newest of its files (a copy is written afresh, so its time
// is the backup's); 0 when none of them is there.
double backupDay(const QString& dir) {
    QDateTime newest;
    for (const BackupStep& step : kBackupSteps) {
        const QFileInfo file(resolveIn(dir, QLatin1String(step.file)));
        if (file.exists() && (!newest.isValid() || file.lastModified() > newest)) newest = file.lastModified();
    }
    return newest.isValid() ? base::DayFromDate(newest.date()) : 0;
}

// A directory as the messages name it.
QString shownDirectory(const QString& dir) { return QDir::toNativeSeparators(QDir::cleanPath(dir.trimmed())); }

// Restoring replaces every table of the data directory: asked first, with Cancel for Enter.
bool confirmReplace(const QString& working, const QString& backup) {
    const QString from = shownDirectory(backup);
    const double day = backupDay(from);
    const QString question = day > 0 ? kReplaceData.arg(shownDirectory(working), from, base::DateText(day))
                                     : kReplaceDataUndated.arg(shownDirectory(working), from);
    return base::ConfirmDestructive(question);
}

}  // namespace

FileOps SystemFileOps() { return FileOps{systemCopy, base::IsRemovableDirectory}; }

FileOps SetFileOps(FileOps ops) {
    FileOps previous = g_fileOps;
    g_fileOps = std::move(ops);
    return previous;
}

const FileOps& CurrentFileOps() { return g_fileOps; }

const QStringList& BackupFiles() {
    static const QStringList files = [] {
        QStringList list;
        for (const BackupStep& step : kBackupSteps) list << QLatin1String(step.file);
        return list;
    }();
    return files;
}

bool CopyOneFile(CopyDirection direction, const QString& dir, const QString& name) {
    const bool backup = direction == CopyDirection::Backup;
    const QString& working = DataDir();
    const QString source = backup ? resolveIn(working, name) : resolveIn(dir, name);
    const QString target = backup ? resolveIn(dir, name) : resolveIn(working, name);

    while (!QFileInfo::exists(source)) {
        if (backup || !g_fileOps.isRemovable(dir)) {
            showNotFound(source);
            return false;
        }
        if (!askOkCancel(kInsertDisk + name)) return false;
    }
    for (;;) {
        const int error = copyReplacing(source, target);
        if (error == 0) return true;
        if (!backup) return false;
        if (error == ENOSPC) {
            if (!askOkCancel(kDiskFull + name)) return false;
        } else if (error == EROFS || error == EACCES || error == EPERM) {
            if (!askOkCancel(kWriteProtected)) return false;
        } else {
            return false;
        }
    }
}

bool CopyDataFiles(CopyDirection direction, const QString& dir) {
    const QString directory = directoryWithSeparator(dir);
    base::ShowStatus(kCopying);
    if (direction == CopyDirection::Restore && !g_fileOps.isRemovable(directory) && !wholeSetPresent(directory))
        return false;
    for (const BackupStep& step : kBackupSteps) {
        base::ShowProgress(step.progressBefore);
        if (!CopyOneFile(direction, directory, QLatin1String(step.file))) return false;
    }
    return true;
}

void BackupCommand(const QString& chosen, const QString& current) {
    if (chosen.isEmpty()) return;
    if (sameDirectory(chosen, current)) {
        base::ShowMessage(kBackupSameDir);
        return;
    }
    const bool copied = CopyDataFiles(CopyDirection::Backup, chosen);
    if (!copied) base::ShowMessage(kBackupFailed);
    base::ShowStatus(QString());
    if (copied)
        base::ShowResult(kBackupDone.arg(QString::number(BackupFiles().size()), shownDirectory(chosen)));
}

void RestoreCommand(const QString& chosen, const QString& current) {
    if (chosen.isEmpty()) return;
    if (sameDirectory(chosen, current)) {
        base::ShowMessage(kRestoreSameDir);
        return;
    }
    if (!confirmReplace(current, chosen)) return;
    const bool copied = CopyDataFiles(CopyDirection::Restore, chosen);
    if (!copied) base::ShowMessage(kRestoreFailed);
    base::ShowStatus(QString());
    if (RebuildIndexes(false) && copied)
        base::ShowResult(kRestoreDone.arg(QString::number(BackupFiles().size()), shownDirectory(chosen)));
}

}  // namespace store
