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

// Passes the status calls on to the main window and takes its picture when the bar reaches a value.
class PictureAtProgress : public base::StatusSink {
public:
    PictureAtProgress(app::TMain* main, int percent)
        : m_main(main), m_percent(percent), m_previous(base::setStatusSink(this)) {}
    ~PictureAtProgress() override { base::setStatusSink(m_previous); }
    void showStatus(const QString& text) override { m_main->showStatus(text); }
    void showProgress(int percent) override {
        m_main->showProgress(percent);
        if (percent == m_percent && picture.isNull()) {
            picture = m_main->grab().toImage();
            status = m_main->StatusPanel1->text();
        }
    }
    void showResult(const QString& text) override { m_main->showResult(text); }
    QImage picture;
    QString status;

private:
    app::TMain* m_main;
    int m_percent;
    base::StatusSink* m_previous;
};

TEST_F(GalleryTest, MainWindowDuringAReindex) {
    app::CreateForms();
    auto* main = app::Form<app::TMain>();
    main->show();
    ASSERT_TRUE(main->started());
    main->PageControl1->setCurrentWidget(main->TabSheet5);
    PictureAtProgress sink(main, 60);
    QTest::mouseClick(main->BtnIndex, Qt::LeftButton);
    ASSERT_FALSE(sink.picture.isNull());
    EXPECT_EQ(sink.status, QStringLiteral("Rebuilding Indexes"));
    // The bar as painted: blue to 60 pixels from its start, silver beyond.
    const QPoint bar = main->StatusPanel0->mapTo(main, QPoint(5, main->StatusPanel0->height() / 2));
    EXPECT_EQ(QColor(sink.picture.pixel(bar + QPoint(59, 0))), QColor(Qt::blue));
    EXPECT_EQ(QColor(sink.picture.pixel(bar + QPoint(61, 0))), QColor(0xc0, 0xc0, 0xc0));
    const QString file = QDir(testing_support::artifactDir(QStringLiteral("gallery"))).filePath("TMain-reindex.png");
    EXPECT_TRUE(sink.picture.save(file)) << file.toStdString();
}

}  // namespace
}  // namespace app_test
