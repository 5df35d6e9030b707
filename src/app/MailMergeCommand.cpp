#include "app/MailMergeCommand.h"

#include <QDir>
#include <QFileInfo>

#include "base/Dialogs.h"
#include "reports/MailMerge.h"
#include "reports/MultGroupU.h"
#include "reports/Selection.h"
#include "store/DataLocation.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "ui/Forms.h"

namespace app {
namespace {

const QString kSaveCaption = QStringLiteral("Save Mail Merge File");
const QString kFilter = QStringLiteral("Delimited files (*.doc)");
const QString kDefaultExtension = QStringLiteral(".doc");
const QString kUnableToSave = QStringLiteral("Unable to save to: ");

// The file the user names, with ".doc" added to a name typed without an extension; empty when the
// dialog was cancelled.
QString chooseFile() {
    QString file = base::dialogs().saveFile(kSaveCaption, store::DataDir(), kFilter);
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty()) file += kDefaultExtension;
    return file;
}

}  // namespace

void MailMergeCommand() {
    if (!store::OpenCust() || !store::OpenGroups()) return;  // the program is ending
    const bool shown = ui::ShowForm<reports::TMultGroup>();
    const QList<int> groups = shown ? reports::SelectedGroups : QList<int>();
    const QString file = groups.isEmpty() ? QString() : chooseFile();
    if (!file.isEmpty()) {
        const reports::MailMergeResult result = reports::WriteMailMerge(file, groups);
        if (!result.written) base::ShowMessage(kUnableToSave + file + QLatin1Char('\n') + result.error);
    }
    store::CloseAll();
}

}  // namespace app
