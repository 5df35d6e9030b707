#pragma once
// What the report tool's commands share.
#include <QString>

// Makes dir the process's directory when it holds every data table; false (after saying why on
// standard error) otherwise.
bool EnterDataDirectory(const QString& dir);
