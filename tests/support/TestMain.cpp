// The main() of every Qt test executable: Qt's offscreen platform (also while ctest lists the tests
// at build time, on machines without a display) and the locale pinned to en_US.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include <clocale>
#include <cstdlib>

#include "support/TestSupport.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C", 1);
    std::setlocale(LC_ALL, "C");  // printf-style formatting stays with "." unless the code asks Qt
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane Invoicing"));
    QLocale::setDefault(testing_support::pinnedLocale());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
