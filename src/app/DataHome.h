#pragma once
// Where a run works: the command line, the per-user data folder that the desktop menu's start uses,
// the folder remembered from an earlier first start, and the writing of a new business there.
#include <QString>
#include <QStringList>

namespace app {

struct LaunchRequest {
    enum class Where { WorkingDirectory, Given, Home };
    Where where = Where::WorkingDirectory;
    QString dir;               // Given: the directory named after --data
    bool checkInstall = false; // --check-install: report the installed pictures and help, start nothing
    bool showUsage = false;    // --help
    bool showVersion = false;  // --version
    QString error;             // a command line that cannot be followed

    // False when the program only answers on the terminal.
    bool startsRun() const { return error.isEmpty() && !checkInstall && !showUsage && !showVersion; }
};

// Reads the program's arguments (the first is the program itself).
LaunchRequest ParseCommandLine(const QStringList& arguments);
QString UsageText();

// The places --data-home uses. standard(): the user's application data folder and settings file.
struct DataHomePlaces {
    QString home;          // the per-user data folder
    QString settingsFile;  // where the folder chosen in the first-start window is remembered
    static DataHomePlaces standard();
};

// The folder chosen on an earlier first start, or "" when none was.
QString RememberedDataFolder(const DataHomePlaces& places);
void RememberDataFolder(const DataHomePlaces& places, const QString& dir);
// The folder --data-home works in: the remembered one while it still holds the data files, else home.
QString DataHomeChoice(const DataHomePlaces& places);

// "Database files not found in " and the directory, as the user sees it.
QString NoDataFilesIn(const QString& dir);

enum class NewBusiness { Written, TablesPresent, Failed };
// Writes the delivered empty tables, or the demo business, into dir (made when missing). Refuses
// when dir holds any table already: a first start never overwrites data.
NewBusiness StartBusiness(const QString& dir, bool demo, QString* error);

}  // namespace app
