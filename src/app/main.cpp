// Corvane Invoicing: the program works in the directory it was started from.
#include <QApplication>

#include "base/Dialogs.h"
#include "base/Version.h"
#include "ui/QtDialogs.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane Invoicing"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION_TEXT));
    ui::QtDialogs qtDialogs;
    base::setDialogs(&qtDialogs);
    base::ShowMessage(QStringLiteral("Corvane Invoicing %1").arg(QStringLiteral(CORVANE_VERSION_TEXT)));
    return 0;
}
