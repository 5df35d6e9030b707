#pragma once
// corvane-report mail-merge: the main window's mail-merge file without the windows.
#include <QStringList>

// args: the tool's arguments ("mail-merge" among them). The tool's exit code.
int MailMergeMain(const QStringList& args);
