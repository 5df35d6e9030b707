// corvane-data --upgrade OLD_DIR DIR: the main window's upgrade of old data without the windows.
#include "Upgrade.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

#include "base/ConsoleDialogs.h"
#include "base/StatusSink.h"
#include "store/DataFiles.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
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
    base::ConsoleDialogs dialogs(QStringLiteral("corvane-data: "));
    base::setDialogs(&dialogs);
    StderrSink sink;
    base::setStatusSink(&sink);
    store::SetProgramExitHook([] { std::exit(kFailed); });
    store::EngineInit(nullptr, dir.toStdString());
    int rc = kFailed;
    if (store::ConvertOldData(old, /*ask=*/false) == store::UpgradeOutcome::Converted)
        rc = store::PackAll() ? kDone : kFailed;
    store::EngineEnd();
    base::setStatusSink(nullptr);
    return rc;
}
