#include "ToolCommon.h"

#include <QDir>

#include <cstdio>

#include "store/dbFiles.h"

void Say(const QString& text) { std::fprintf(stderr, "corvane-report: %s\n", qPrintable(text)); }

int UsageError(const QString& problem, const char* usage) {
    Say(problem);
    std::fputs(usage, stderr);
    return kToolBadUsage;
}

bool EnterDataDirectory(const QString& dir) {
    QString problem;
    if (!QDir::setCurrent(dir))
        problem = QStringLiteral("no data directory ") + dir;
    else if (const QString missing = store::MissingDataFile(); !missing.isEmpty())
        problem = QStringLiteral("the data directory %1 lacks %2").arg(QDir::currentPath(), missing);
    if (!problem.isEmpty()) std::fprintf(stderr, "corvane-report: %s\n", qPrintable(problem));
    return problem.isEmpty();
}
