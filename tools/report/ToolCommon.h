#pragma once
// What the report tool's commands share.
#include <QString>

// Makes dir the run's data directory (store::DataDir()) when it holds every data table; false (after
// saying why on standard error) otherwise. The process's working directory stays as it is.
bool EnterDataDirectory(const QString& dir);
// Reads the settings record and makes the report font from it, as the program does at start.
// REQUIRES: EngineInit.
void ReadReportSettings();
