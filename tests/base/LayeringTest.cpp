// The layers as the includes draw them: each folder of src includes nothing from the folders above it.
// Windows reach each other through ui::Form and the command units, never through the application.
// The command-line tools link the core library only: no window and nothing of the program's top.
// The subsystems reach the engine only through the record layer.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

namespace {

TEST(LayeringTest, NoFolderIncludesAFolderAboveIt) {
    const QStringList windows = {"ui", "mail", "records", "invoicing", "reports", "labels", "app"};
    const QString engine = QStringLiteral("xbase");
    const struct {
        const char* folder;
        QStringList above;
    } rules[] = {
        {"src/base", QStringList{"store"} + windows},
        {"src/store", windows},
        {"src/ui", {"store", "mail", "records", "invoicing", "reports", "labels", "app"}},
        // Mail knows no documents: the invoice and report windows hand it what to attach.
        {"src/mail", {"records", "invoicing", "reports", "labels", "app"}},
        {"src/records", {engine, "invoicing", "reports", "labels", "app"}},
        {"src/reports", {engine, "invoicing", "labels", "app"}},
        {"src/invoicing", {engine, "app"}},
        {"src/labels", {engine, "app"}},
        {"tools", {"ui", "app"}},
    };
    const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*"(\w+)/)"),
                                     QRegularExpression::MultilineOption);
    int files = 0;
    QStringList offences;
    for (const auto& rule : rules) {
        const QString dir = QStringLiteral(CORVANE_SOURCE_DIR "/") + QLatin1String(rule.folder);
        QDirIterator it(dir, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            ++files;
            for (const auto& m : include.globalMatch(QString::fromUtf8(file.readAll())))
                if (rule.above.contains(m.captured(1))) offences << file.fileName() + " includes " + m.captured(0);
        }
    }
    EXPECT_GT(files, 50) << "the source tree is where the test looks";
    EXPECT_TRUE(offences.isEmpty()) << offences.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
