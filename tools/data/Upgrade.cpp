// corvane-data --upgrade OLD_DIR DIR: the main window's upgrade of old data without the windows.
#include "Upgrade.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

#include "base/ConsoleDialogs.h"
#include "base/StatusSink.h"
#include "store/DataFiles.h"
#include "store/DataLock.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/FileSetSwap.h"
#include "store/Upgrade.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;

// The status text and the progress, each as a line on standard error.
class StderrSink : public base::StatusSink {
public:
    void showStatus(const QString& text) override {
        if (!text.isEmpty()) std::fprintf(stderr, "corvane-data: %s\n", qPrintable(text));
    }
    void showProgress(int percent) override { std::fprintf(stderr, "corvane-data: %d%%\n", percent); }
    void showResult(const QString& text) override { showStatus(text); }
};

}  // namespace

int UpgradeMain(const QString& oldDir, const QString& dir) {
    if (const QString missing = store::MissingDataFile(dir); !missing.isEmpty()) {
        std::fprintf(stderr, "corvane-data: %s lacks %s (not a data directory)\n", qPrintable(dir), qPrintable(missing));
        return kFailed;
    }
    const QString old = QDir(oldDir).absolutePath();
    // The program converts only the directory it holds; so does the tool, refusing one a copy has open.
    store::DataLock lock;
    if (!lock.acquire(dir)) {
        std::fprintf(stderr, "corvane-data: %s\n", qPrintable(lock.message()));
        return kFailed;
    }
    store::FinishInterruptedSwap(dir, lock.held());
    base::ConsoleDialogs dialogs(QStringLiteral("corvane-data: "));
    base::setDialogs(&dialogs);
    StderrSink sink;
    base::setStatusSink(&sink);
    store::SetProgramExitHook([] { std::exit(kFailed); });
    store::EngineInit(nullptr, dir.toStdString());
    int rc = kFailed;
    if (store::ConvertOldData(old, /*ask=*/false) == store::UpgradeOutcome::Converted) {
        rc = kDone;
        // The converted data are in place and sound: tables left unpacked only hold deleted records.
        if (!store::PackAll())
            std::fprintf(stderr, "corvane-data: warning: the data were converted, but the tables could not be packed\n");
    }
    store::EngineEnd();
    base::setStatusSink(nullptr);
    return rc;
}
