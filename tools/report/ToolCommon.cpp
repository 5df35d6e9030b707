#include "ToolCommon.h"

#include <QDir>

#include <cstdio>

#include "store/dbFiles.h"

bool EnterDataDirectory(const QString& dir) {
    QString problem;
    if (store::IsServerLocation(dir)) {
        if (!store::EngineInitAt(dir, &problem)) {
            std::fprintf(stderr, "corvane-report: %s\n", qPrintable(problem));
            return false;
        }
        return true;
    }
    if (!QDir::setCurrent(dir))
        problem = QStringLiteral("no data directory ") + dir;
    else if (const QString missing = store::MissingDataFile(); !missing.isEmpty())
        problem = QStringLiteral("the data directory %1 lacks %2").arg(QDir::currentPath(), missing);
    if (!problem.isEmpty()) std::fprintf(stderr, "corvane-report: %s\n", qPrintable(problem));
    if (problem.isEmpty()) store::EngineInit();
    return problem.isEmpty();
}
