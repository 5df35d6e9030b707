// The pictures the program carries: every command of the main window has one on a desktop without an
// icon theme (the offscreen platform has none), and the program's icon comes in every size it installs.
#include <QToolButton>

#include "AppFixture.h"
#include "app/CommandArt.h"
#include "app/Forms.h"
#include "app/MainU.h"

namespace app_test {
namespace {

TEST(Art, EveryCommandOfTheMainWindowHasItsPicture) {
    ASSERT_TRUE(QIcon::themeName().isEmpty() || QIcon::fromTheme(QStringLiteral("document-new")).isNull())
        << "a desktop theme would hide a missing picture";
    app::TMain main;
    int commands = 0;
    for (int page = 0; page < main.PageControl1->count(); ++page) {
        for (const QToolButton* command : main.PageControl1->widget(page)->findChildren<QToolButton*>()) {
            EXPECT_FALSE(command->icon().pixmap(32, 32).isNull()) << command->objectName().toStdString();
            ++commands;
        }
    }
    EXPECT_GE(commands, 20);
}

TEST(Art, TheProgramIconComesInEveryInstalledSize) {
    const QList<QSize> sizes = app::ProgramIcon().availableSizes();
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
}

}  // namespace
}  // namespace app_test
