// The window gallery: every window of the program, filled from the demo business, rendered to PNG files
// under the build directory (gallery/) for people to look at. A window joins by being created in the
// fixed order; one that needs data or a state to look right adds a line to prepare() below.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>

#include "AppFixture.h"
#include "FormPreparation.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "labels/LabPrintU.h"
#include "reports/MultGroupU.h"

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

// Passes the status calls on to the main window, and pictures it when the bar reaches 60.
struct PictureAtSixty : base::StatusSink {
    explicit PictureAtSixty(app::TMain* main) : main(main), previous(base::setStatusSink(this)) {}
    ~PictureAtSixty() override { base::setStatusSink(previous); }
    void showStatus(const QString& text) override { main->showStatus(text); }
    void showResult(const QString& text) override { main->showResult(text); }
    void showProgress(int percent) override {
        main->showProgress(percent);
        if (percent == 60) picture = main->grab().toImage();
    }
    app::TMain* main;
    base::StatusSink* previous;
    QImage picture;
};

TEST_F(GalleryTest, MainWindowDuringAReindex) {
    app::CreateForms();
    auto* main = app::Form<app::TMain>();
    main->show();
    main->PageControl1->setCurrentWidget(main->TabSheet5);
    PictureAtSixty sink(main);
    QTest::mouseClick(main->BtnIndex, Qt::LeftButton);
    const QString file = QDir(testing_support::artifactDir(QStringLiteral("gallery"))).filePath("TMain-reindex.png");
    ASSERT_TRUE(sink.picture.save(file)) << file.toStdString();
    // The bar as painted in the middle of the work: blue to 60 pixels from its start, silver beyond.
    const QPoint bar = main->StatusPanel0->mapTo(main, QPoint(5, main->StatusPanel0->height() / 2));
    EXPECT_EQ(QColor(sink.picture.pixel(bar + QPoint(59, 0))), QColor(Qt::blue));
    EXPECT_EQ(QColor(sink.picture.pixel(bar + QPoint(61, 0))), QColor(0xc0, 0xc0, 0xc0));
}

TEST_F(GalleryTest, LabelSheetInThePrintPreview) {
    app::CreateForms();
    auto* main = app::Form<app::TMain>();
    main->show();
    // Labels for the customers of every group, on the demo's sheet stock, previewed.
    dialogs->onModal<labels::TLabPrint>([](labels::TLabPrint& w) { QTest::mouseClick(w.BtnPreview, Qt::LeftButton); });
    dialogs->onModal<reports::TMultGroup>([](reports::TMultGroup& groups) {
        groups.ListBox1->selectAll();
        QTest::mouseClick(groups.BtnRun, Qt::LeftButton);
    });
    dialogs->onModal([this](QDialog& preview) {
        preview.resize(700, 900);
        QApplication::processEvents();
        save(&preview, QStringLiteral("LabelPreview"));
    });
    main->CustomerGroups1->trigger();
    EXPECT_TRUE(dialogs->messages().isEmpty()) << dialogs->messages().join('\n').toStdString();
}

}  // namespace
}  // namespace app_test
