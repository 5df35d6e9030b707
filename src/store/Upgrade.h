#pragma once
// The upgrade of the predecessor's data: its seven old tables, found in a directory the user names,
// become the program's customer, invoice, line-item and product tables (with the fields the old
// layouts lack), and its group, label, payment and product files are copied whole. The layout the
// old tables are read in is written down in OldTables.md beside this file.
//
// All or nothing: the converted set is built in a staging directory inside the data directory and
// put in place only when every step succeeded, so a failure leaves the data files exactly as they were.
#include <QString>
#include <QStringList>

namespace store {

// The old tables, as the old system named them (their files are found without regard to case).
const QStringList& OldTables();
// The first old table missing from dir; empty when all are there.
QString MissingOldTable(const QString& dir);
// Where the chooser starts: home's tamsel_bus folder when it holds the old product table, else its
// tamsel folder when that does; empty when neither does.
QString UpgradeStartDirectory(const QString& home);

enum class UpgradeOutcome {
    NotFound,   // an old table is missing (the user was told)
    Declined,   // the user cancelled the warning
    Converted,
    Failed,     // a step failed (the user was told which); the data files are as they were
};

// Converts the old tables in oldDir into the data directory. ask: put the warning question first
// (the data tool does not ask). REQUIRES: EngineInit; closes every table first.
UpgradeOutcome ConvertOldData(const QString& oldDir, bool ask = true);

// The conversion as the command uses it: true when it ran to its end or did not start, false when it
// stopped part-way.
bool UpgradeOldData(const QString& oldDir);

// The Upgrade command after the chooser (chosen empty: cancelled): the conversion, then the pack of
// every table, unless the conversion failed (which left every file as it was).
void UpgradeCommand(const QString& chosen);

}  // namespace store
