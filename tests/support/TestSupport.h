#pragma once
// What every test of the program shares: the pinned locale, a switch to a comma-decimal locale, and a
// fresh data directory per test.
#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>

class QWidget;

namespace testing_support {

// The locale every test starts with.
QLocale pinnedLocale();  // en_US: "M/d/yy", "."

// Switches the default locale for the life of the object and restores the previous one.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale);
    ~LocaleScope();
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    QLocale m_previous;
};

// de_DE: "dd.MM.yy", decimal separator ",".
QLocale commaLocale();

// A fixture that makes a fresh temporary data directory, makes it the run's data directory (and the
// process's, for the tests' own relative names) and removes it afterwards.
class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    QString dataDir() const { return m_dir ? m_dir->path() : QString(); }
    // Path of a file inside the data directory.
    QString path(const QString& name) const { return QDir(dataDir()).filePath(name); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
};

// Lays the fields out in the window, top to bottom (which is also their tab order), shows it and
// makes it the active window, so that typing and leaving a field work as on the screen.
void showActive(QWidget* window, std::initializer_list<QWidget*> fields);

// Types into a date field as a user does: the focus into it, Ctrl+A over what it held, then the keys.
void typeDate(QWidget* field, const QString& keys);

// A fresh directory /tmp/crv-XXXXXX, open to every user (0755): for a path that must fit a 59-character
// field, or a file another user must reach. The checkout and the build may lie under any path, however
// long, inside folders only their owner may enter.
std::unique_ptr<QTemporaryDir> shortTempDir();

// Where tests may leave files for people to look at (gallery PNGs, sample PDFs).
QString artifactDir(const QString& sub);
// The copied fixtures (tests/fixtures).
QString fixturesDir();

}  // namespace testing_support
