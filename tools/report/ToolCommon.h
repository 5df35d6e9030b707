#pragma once
// What the report tool's commands share.
#include <QString>

// Makes dir the process's directory when it holds every data table and starts the engine there; a
// database server's URI is connected to instead. False (after saying why on standard error) otherwise.
bool EnterDataDirectory(const QString& dir);
