#include "base/RemovableMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

namespace base {

QStringList RemovableMountPoints() {
    QStringList points;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = volume.rootPath();
        // The kernel marks removable block devices; desktops mount them under /media or /run/media.
        QString device = QFileInfo(QString::fromLocal8Bit(volume.device())).fileName();
        bool removable = root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/"));
        if (!removable && device.startsWith(QLatin1String("sd"))) {
            device.remove(QRegularExpression(QStringLiteral("[0-9]+$")));
            QFile flag(QStringLiteral("/sys/block/%1/removable").arg(device));
            removable = flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1";
        }
        if (!removable && device.startsWith(QLatin1String("sr"))) removable = true;
        if (removable) points << root;
    }
    return points;
}

bool IsRemovableDirectory(const QString& dir) {
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    for (const QString& point : RemovableMountPoints()) {
        if (point == QLatin1String("/")) continue;
        if (path == point || path.startsWith(point + QLatin1Char('/'))) return true;
    }
    return false;
}

}  // namespace base
