#include "app/Launch.h"

#include <QDir>
#include <QFileInfo>

#include "app/CommandArt.h"
#include "app/FirstStartU.h"
#include "base/Dialogs.h"
#include "store/DataFiles.h"
#include "store/DataLocation.h"
#include "store/FileSetSwap.h"
#include "ui/HelpU.h"

namespace app {
namespace {

// The folder --data-home works in; "" when the user cancelled the first-start window.
QString dataHome(const DataHomePlaces& places) {
    const QString dir = DataHomeChoice(places);
    if (store::DataFilesPresent(dir)) return dir;
    TFirstStart window(places);
    return base::dialogs().showModal(&window) == QDialog::Accepted ? window.chosenFolder() : QString();
}

}  // namespace

bool EnterDataDirectory(const LaunchRequest& request, const DataHomePlaces& places, DataLock* lock) {
    // Without an option, the directory the program was started from, read once here.
    QString dir = QDir::currentPath();
    if (request.where == LaunchRequest::Where::Given) dir = request.dir;
    if (request.where == LaunchRequest::Where::Home) dir = dataHome(places);
    if (dir.isEmpty()) return false;
    if (!QFileInfo(dir).isDir()) {
        base::ShowMessage(NoDataFilesIn(dir));
        return false;
    }
    store::SetDataDir(dir);
    // Without its data files the start-up ends the run before touching anything: no lock is needed.
    if (!store::DataFilesPresent()) return true;
    if (lock->acquire(store::DataDir())) {
        store::FinishInterruptedSwap(store::DataDir(), lock->held());
        return true;
    }
    base::ShowMessage(lock->message());
    return false;
}

int CheckInstall(QString* report) {
    int missing = 0;
    const QString help = ui::HelpDirectory();
    const bool helpFound = QFileInfo::exists(QDir(help).filePath(ui::HelpPageFor(10)));
    *report += QStringLiteral("help: %1 %2\n").arg(QDir::toNativeSeparators(help), helpFound ? "ok" : "missing");
    missing += helpFound ? 0 : 1;
    const bool iconsFound = PicturesPresent({QStringLiteral("document-new"), QStringLiteral("edit-delete")});
    *report += QStringLiteral("icons: %1\n").arg(iconsFound ? "ok" : "missing");
    missing += iconsFound ? 0 : 1;
    return missing == 0 ? 0 : 1;
}

}  // namespace app
