#pragma once
// Removable media, where the diskette drives of old stood: the directory chooser offers them, and
// backup and restore treat a directory on them as a diskette.
#include <QString>
#include <QStringList>

namespace base {

// Mount points of removable media currently mounted (USB sticks, card readers, optical discs).
QStringList RemovableMountPoints();
// True when dir lies on removable media.
bool IsRemovableDirectory(const QString& dir);

}  // namespace base
