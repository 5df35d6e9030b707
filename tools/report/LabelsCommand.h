#pragma once
// corvane-report labels: a label job written as a PDF without the windows.
#include <QStringList>

namespace labels_tool {

// True when the command line asks for labels ("labels" is its first word after the options).
bool IsLabelsCommand(const QStringList& args);
// Runs it; the tool's exit code.
int RunLabels(const QStringList& args);

}  // namespace labels_tool
