#include "store/UserPreferences.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include "base/OwnerOnly.h"

namespace store {
namespace {
const QString kOrderCommands = QStringLiteral("preferences/showOrderCommands");
}  // namespace

QString UserPreferencesFile =
    QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/corvane.conf");

bool OrderCommandsShown() { return QSettings(UserPreferencesFile, QSettings::IniFormat).value(kOrderCommands, false).toBool(); }

bool SetOrderCommandsShown(bool shown) {
    QSettings settings(UserPreferencesFile, QSettings::IniFormat);
    settings.setValue(kOrderCommands, shown);
    settings.sync();
    QFile::setPermissions(UserPreferencesFile, base::kOwnerOnly);
    return settings.status() == QSettings::NoError;
}

}  // namespace store
