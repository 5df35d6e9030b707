#include "base/OwnerOnly.h"

#include <QDir>
#include <QFileInfo>

namespace base {

bool MakeOwnerOnlyPath(const QString& dir) {
    const QString absolute = QDir::cleanPath(QDir(dir).absolutePath());
    if (QFileInfo(absolute).isDir()) return true;
    const QString parent = QFileInfo(absolute).path();
    if (parent != absolute && !MakeOwnerOnlyPath(parent)) return false;
    return QDir().mkdir(absolute, kOwnerOnly | QFileDevice::ExeOwner) || QFileInfo(absolute).isDir();
}

}  // namespace base
