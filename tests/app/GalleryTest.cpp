// The window gallery: every window of the program, filled from the demo business, rendered to PNG files
// under the build directory (gallery/) for people to look at. A window joins by being created in the
// fixed order; one that needs data or a state to look right adds a line to prepare() below.
#include <QApplication>
#include <QDir>
#include <QImage>

#include "AppFixture.h"
#include "FormPreparation.h"
#include "app/Forms.h"
#include "app/MainU.h"

namespace app_test {
namespace {

class GalleryTest : public DemoTest {
protected:
    void TearDown() override {
        app::DestroyForms();
        DemoTest::TearDown();
    }
    void save(QWidget* window, const QString& name) {
        const QImage image = window->grab().toImage();
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        const QString file = QDir(testing_support::artifactDir(QStringLiteral("gallery"))).filePath(name + ".png");
        EXPECT_TRUE(image.save(file)) << file.toStdString();
    }
};

TEST_F(GalleryTest, RendersEveryWindow) {
    app::CreateForms();
    auto* main = app::Form<app::TMain>();
    main->show();
    ASSERT_TRUE(main->started());
    for (int page = 0; page < main->PageControl1->count(); ++page) {
        main->PageControl1->setCurrentIndex(page);
        save(main, QStringLiteral("TMain-%1").arg(page + 1));
    }
    int pictured = 1;
    for (QWidget* window : app::AllForms()) {
        if (window == main) continue;
        PrepareForm(window, dataDir());
        window->show();
        QApplication::processEvents();
        QString name = QString::fromLatin1(window->metaObject()->className());
        name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
        save(window, name);
        window->hide();
        ++pictured;
    }
    EXPECT_EQ(pictured, int(app::AllForms().size()));
}

}  // namespace
}  // namespace app_test
