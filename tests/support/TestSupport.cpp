#include "support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QVBoxLayout>
#include <QLineEdit>
#include <QTest>

#include "store/DataLocation.h"

namespace testing_support {

QLocale pinnedLocale() { return QLocale(QLocale::English, QLocale::UnitedStates); }
QLocale commaLocale() { return QLocale(QLocale::German, QLocale::Germany); }

LocaleScope::LocaleScope(const QLocale& locale) : m_previous(QLocale()) { QLocale::setDefault(locale); }
LocaleScope::~LocaleScope() { QLocale::setDefault(m_previous); }

void DataDirTest::SetUp() {
    m_previousDir = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/corvane-test-XXXXXX"));
    ASSERT_TRUE(m_dir->isValid());
    store::SetDataDir(m_dir->path());
    // Tests name their own files relative to the data directory too.
    ASSERT_TRUE(QDir::setCurrent(m_dir->path()));
}

void DataDirTest::TearDown() {
    QDir::setCurrent(m_previousDir);
    store::SetDataDir(QString());
    m_dir.reset();  // removes the directory and everything in it
}

std::unique_ptr<QTemporaryDir> shortTempDir() {
    auto dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/crv-XXXXXX"));
    if (dir->isValid())
        QFile::setPermissions(dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
    return dir;
}

QString artifactDir(const QString& sub) {
    const QString dir = QStringLiteral(CORVANE_BINARY_DIR "/") + sub;
    QDir().mkpath(dir);
    return dir;
}

void showActive(QWidget* window, std::initializer_list<QWidget*> fields) {
    auto* layout = new QVBoxLayout(window);
    for (QWidget* field : fields) layout->addWidget(field);
    window->show();
    QApplication::setActiveWindow(window);
}

void typeDate(QWidget* field, const QString& keys) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, keys);
}

QString fixturesDir() { return QStringLiteral(CORVANE_FIXTURES_DIR); }

}  // namespace testing_support
