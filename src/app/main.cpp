// Corvane Invoicing: the program works in the directory it was started from and reads no command line.
#include <QApplication>

#include "app/Forms.h"
#include "app/MainU.h"
#include "base/Dialogs.h"
#include "base/Version.h"
#include "reports/ReportU.h"
#include "ui/QtDialogs.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane Invoicing"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION_TEXT));
    ui::QtDialogs qtDialogs;
    base::setDialogs(&qtDialogs);
    reports::InstallPrinterMetrics();

    app::CreateForms();
    app::Form<app::TMain>()->show();  // the first showing runs the start-up
    const int code = app::Form<app::TMain>()->started() ? QApplication::exec() : 1;
    app::DestroyForms();
    return code;
}
