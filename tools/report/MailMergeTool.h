#pragma once
// corvane-report mail-merge: the main window's mail-merge file without the windows.
#include <QStringList>

// Whether the command word (the first argument after an optional -C DIR) is mail-merge.
bool IsMailMerge(const QStringList& args);
// args: the tool's arguments ("mail-merge" among them). The tool's exit code.
int MailMergeMain(const QStringList& args);
