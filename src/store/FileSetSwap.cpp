#include "store/FileSetSwap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/OwnerOnly.h"
#include "store/DataLock.h"

namespace store {
namespace {

// "<from>\t<to>" per line, then "end"; found by this name in the data directory.
const QString kIntentName = QStringLiteral(".upgrade.swp");
const QByteArray kIntentEnd = QByteArrayLiteral("end");

int renameIn(const QString& dir, const QString& from, const QString& to) {
    const QByteArray a = QFile::encodeName(QDir(dir).filePath(from)), b = QFile::encodeName(QDir(dir).filePath(to));
    return std::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

// The folders a move touches, each synced once the renames are done.
bool syncFolders(const QString& dir, const std::vector<FileMove>& moves) {
    QStringList folders{dir};
    for (const FileMove& m : moves)
        for (const QString& name : {m.from, m.to}) {
            const QString folder = QFileInfo(QDir(dir).filePath(name)).absolutePath();
            if (!folders.contains(folder)) folders << folder;
        }
    bool ok = true;
    for (const QString& folder : folders) ok = SyncPath(folder) && ok;
    return ok;
}

QString writeIntent(const QString& dir, const std::vector<FileMove>& moves) {
    QByteArray text;
    for (const FileMove& m : moves) text += QFile::encodeName(m.from) + '\t' + QFile::encodeName(m.to) + '\n';
    text += kIntentEnd + '\n';
    const QString path = QDir(dir).filePath(kIntentName);
    QFile file(path);
    if (!base::OpenOwnerOnly(file, QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return file.errorString();
    file.close();
    // The record is found by its name: its bytes and its name are on the disk before the first rename.
    if (!SyncPath(path) || !SyncPath(dir)) return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

void removeIntent(const QString& dir) {
    QFile::remove(QDir(dir).filePath(kIntentName));
    SyncPath(dir);
}

}  // namespace

QString StagingPrefix() { return QStringLiteral(".upgrade-"); }

bool SwapPending(const QString& dir) { return QFileInfo::exists(QDir(dir).filePath(kIntentName)); }

bool SyncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QString SwapFileSet(const QString& dir, const std::vector<FileMove>& moves) {
    if (const QString failed = writeIntent(dir, moves); !failed.isEmpty())
        return QStringLiteral("the list of files to move could not be written (%1)").arg(failed);
    size_t done = 0;
    int error = 0;
    for (; done < moves.size(); ++done)
        if ((error = renameIn(dir, moves[done].from, moves[done].to)) != 0) break;
    if (done == moves.size()) {
        syncFolders(dir, moves);
        removeIntent(dir);
        return {};
    }
    // Undone in reverse; should that fail too, the record stays and the next start finishes the set.
    bool undone = true;
    while (done-- > 0) undone = renameIn(dir, moves[done].to, moves[done].from) == 0 && undone;
    syncFolders(dir, moves);
    if (undone) removeIntent(dir);
    return QStringLiteral("the converted files could not be put in place (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
}

void FinishInterruptedSwap(const QString& dir, bool lockHeld) {
    // Most starts find nothing to do: they take no lock and write nothing.
    if (!SwapPending(dir) && QDir(dir).entryList({StagingPrefix() + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden).isEmpty())
        return;
    DataLock lock;
    if (!lockHeld && (!lock.acquire(dir) || !lock.held())) return;
    QFile intent(QDir(dir).filePath(kIntentName));
    if (intent.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = intent.read(1 << 20).split('\n');
        intent.close();
        std::vector<FileMove> moves;
        bool complete = false;
        for (const QByteArray& line : lines) {
            if (line == kIntentEnd) {
                complete = true;
                break;
            }
            const QList<QByteArray> names = line.split('\t');
            if (names.size() != 2 || names[0].contains("..") || names[1].contains("..")) break;
            moves.push_back({QFile::decodeName(names[0]), QFile::decodeName(names[1])});
        }
        // A move is done when its source is gone or its target is there: a file moved aside and
        // replaced has its name taken again by the new file, which must stay.
        bool finished = true;
        if (complete) {
            for (const FileMove& m : moves)
                if (QFileInfo::exists(QDir(dir).filePath(m.from)) && !QFileInfo::exists(QDir(dir).filePath(m.to)))
                    finished = renameIn(dir, m.from, m.to) == 0 && finished;
            syncFolders(dir, moves);
        }
        // A set that could not be finished keeps its record (and its staging folder) for the next start.
        if (!finished) return;
        removeIntent(dir);
    }
    // Staging folders without a set in flight hold copies of the data nobody will use.
    for (const QString& folder : QDir(dir).entryList({StagingPrefix() + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden))
        QDir(QDir(dir).filePath(folder)).removeRecursively();
}

}  // namespace store
