#include "app/DataHome.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "base/OwnerOnly.h"
#include "store/DataDir.h"
#include "store/DataFiles.h"

namespace app {
namespace {
const QString kFolderKey = QStringLiteral("data/folder");
}

LaunchRequest ParseCommandLine(const QStringList& arguments) {
    LaunchRequest request;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--data") && i + 1 < arguments.size()) {
            request.where = LaunchRequest::Where::Given;
            request.dir = arguments.at(++i);
        } else if (arg.startsWith(QLatin1String("--data="))) {
            request.where = LaunchRequest::Where::Given;
            request.dir = arg.mid(7);
        } else if (arg == QLatin1String("--data-home")) {
            request.where = LaunchRequest::Where::Home;
        } else if (arg == QLatin1String("--check-install")) {
            request.checkInstall = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            request.showUsage = true;
        } else if (arg == QLatin1String("--version")) {
            request.showVersion = true;
        } else {
            request.error = arg == QLatin1String("--data") ? QStringLiteral("--data needs a directory")
                                                           : QStringLiteral("unknown argument %1").arg(arg);
        }
    }
    if (request.where == LaunchRequest::Where::Given && request.dir.isEmpty())
        request.error = QStringLiteral("--data needs a directory");
    return request;
}

QString UsageText() {
    return QStringLiteral(
        "usage: corvane [--data DIR | --data-home] [--check-install] [--version]\n"
        "Without an option the program works on the data files in the current directory.\n"
        "  --data DIR       work on the data files in DIR\n"
        "  --data-home      work in the per-user data folder; a first start there offers a new business,\n"
        "                   the demo business or an existing data folder\n"
        "  --check-install  report whether the help pages and pictures are installed\n");
}

DataHomePlaces DataHomePlaces::standard() {
    return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/corvane.conf")};
}

QString RememberedDataFolder(const DataHomePlaces& places) {
    return QSettings(places.settingsFile, QSettings::IniFormat).value(kFolderKey).toString();
}

void RememberDataFolder(const DataHomePlaces& places, const QString& dir) {
    QSettings settings(places.settingsFile, QSettings::IniFormat);
    settings.setValue(kFolderKey, QFileInfo(dir).absoluteFilePath());
    settings.sync();
}

QString DataHomeChoice(const DataHomePlaces& places) {
    const QString remembered = RememberedDataFolder(places);
    if (!remembered.isEmpty() && store::DataFilesPresent(remembered)) return remembered;
    return places.home;
}

QString NoDataFilesIn(const QString& dir) {
    return QStringLiteral("Database files not found in ") + QDir::toNativeSeparators(dir);
}

NewBusiness StartBusiness(const QString& dir, bool demo, QString* error) {
    if (store::DataDirExists(dir)) return NewBusiness::TablesPresent;
    if (!base::MakeOwnerOnlyPath(dir)) {
        if (error) *error = QStringLiteral("Cannot create %1").arg(dir);
        return NewBusiness::Failed;
    }
    store::DataDirOptions options;
    options.demo = demo;
    return store::WriteDataDir(dir, options, error) == 0 ? NewBusiness::Written : NewBusiness::Failed;
}

}  // namespace app
