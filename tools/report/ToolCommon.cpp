#include "ToolCommon.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

#include "base/ReportOutput.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/DataLocation.h"
#include "store/Settings.h"
#include "store/EngineContext.h"

void Say(const QString& text) { std::fprintf(stderr, "corvane-report: %s\n", qPrintable(text)); }

int UsageError(const QString& problem, const char* usage) {
    Say(problem);
    std::fputs(usage, stderr);
    return kToolBadUsage;
}

bool EnterDataDirectory(const QString& dir) {
    QString problem;
    if (store::IsServerLocation(dir)) {
        if (!store::EngineInitAt(dir, &problem)) {
            std::fprintf(stderr, "corvane-report: %s\n", qPrintable(problem));
            return false;
        }
        return true;
    }
    if (!QFileInfo(dir).isDir()) {
        problem = QStringLiteral("no data directory ") + dir;
    } else {
        store::SetDataDir(dir);
        if (const QString missing = store::MissingDataFile(); !missing.isEmpty())
            problem = QStringLiteral("the data directory %1 lacks %2").arg(store::DataDir(), missing);
    }
    if (!problem.isEmpty()) std::fprintf(stderr, "corvane-report: %s\n", qPrintable(problem));
    return problem.isEmpty();
}

void ReadReportSettings() {
    store::ReadSettings();
    base::ApplyReportFont(QGuiApplication::font(), store::SettingsRec.FontName, store::SettingsRec.FontSize);
}
