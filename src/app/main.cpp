// Corvane Invoicing: works on the data files of the directory it was started in, of the one named by
// --data, or of the user's own data folder (--data-home, as the desktop menu starts it).
#include <QApplication>

#include <cstdio>

#include "app/CommandArt.h"
#include "app/Forms.h"
#include "app/Launch.h"
#include "app/MainU.h"
#include "base/Dialogs.h"
#include "base/Version.h"
#include "mail/Keychain.h"
#include "reports/ReportU.h"
#include "ui/QtDialogs.h"

namespace {

// Answers the options that start no run: the exit code.
int answerWithoutRun(const app::LaunchRequest& request) {
    if (!request.error.isEmpty()) {
        std::fprintf(stderr, "corvane: %s\n%s", qPrintable(request.error), qPrintable(app::UsageText()));
        return 2;
    }
    QString text;
    int code = 0;
    if (request.showUsage) text = app::UsageText();
    else if (request.showVersion) text = QCoreApplication::applicationName() + QLatin1Char(' ') + CORVANE_VERSION_TEXT "\n";
    else code = app::CheckInstall(&text);
    std::fputs(qPrintable(text), stdout);
    return code;
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const app::LaunchRequest request = app::ParseCommandLine(arguments);
    if (!request.startsRun()) {
        // Answered on the terminal, without a display.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Corvane Invoicing"));
        return answerWithoutRun(request);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane Invoicing"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("org.corvane.Invoicing"));
    QApplication::setWindowIcon(app::ProgramIcon());

    ui::QtDialogs qtDialogs;
    base::setDialogs(&qtDialogs);
    mail::KeychainStore keychain;  // the mail password's home, when the desktop has a secret store
    mail::setSecretStore(&keychain);
    app::DataLock lock;  // held until the program ends
    if (!app::EnterDataDirectory(request, app::DataHomePlaces::standard(), &lock)) return 1;
    reports::InstallPrinterMetrics();

    app::CreateForms();
    app::Form<app::TMain>()->show();  // the first showing runs the start-up
    const int code = app::Form<app::TMain>()->started() ? QApplication::exec() : 1;
    app::DestroyForms();
    return code;
}
