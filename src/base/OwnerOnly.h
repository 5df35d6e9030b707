#pragma once
// Files and directories the program makes for the user (exports, reports saved as files, data
// directories) hold customers' names, invoices and payments: readable and writable by their owner
// only, whatever the umask. A file that exists already keeps the mode its owner gave it.
#include <QFile>
#include <QString>

namespace base {

inline constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Opens file in mode; a file that does not exist yet is created owner-only (0600).
inline bool OpenOwnerOnly(QFile& file, QIODevice::OpenMode mode) { return file.open(mode, kOwnerOnly); }

// Creates dir and each missing directory above it owner-only (0700). True when dir exists after.
bool MakeOwnerOnlyPath(const QString& dir);

}  // namespace base
