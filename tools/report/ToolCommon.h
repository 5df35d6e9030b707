#pragma once
// What the report tool's commands share.
#include <QString>

// The report tool's exit codes.
inline constexpr int kToolDone = 0;
inline constexpr int kToolDataFault = 1;  // a table missing or not opened, or nothing written
inline constexpr int kToolBadUsage = 2;

// One line on standard error after the tool's name.
void Say(const QString& text);
// Says the problem and then usage; the bad-usage exit code.
int UsageError(const QString& problem, const char* usage);

// Makes dir the run's data directory (store::DataDir()) when it holds every data table; false (after
// saying why on standard error) otherwise. The process's working directory stays as it is. A database
// server's URI is connected to instead, and the engine started on it.
bool EnterDataDirectory(const QString& dir);
// Reads the settings record and makes the report font from it, as the program does at start.
// REQUIRES: EngineInit.
void ReadReportSettings();
