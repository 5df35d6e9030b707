#include "store/DataLocation.h"

#include <QDir>

namespace store {
namespace {

QString g_dataDir;

}  // namespace

void SetDataDir(const QString& dir) { g_dataDir = dir.isEmpty() ? QString() : QDir(dir).absolutePath(); }

const QString& DataDir() { return g_dataDir; }

QString DataFile(const QString& name) { return g_dataDir.isEmpty() ? name : QDir(g_dataDir).filePath(name); }

}  // namespace store
