#include "app/AboutU.h"

#include <QVBoxLayout>

#include "app/CommandArt.h"
#include "app/Startup.h"

namespace app {
namespace {
const QString kCaption = QStringLiteral("About Corvane Invoicing ");
constexpr QSize kPictureSize(400, 220);
}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(kCaption + VersionText());
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(AboutPicture(kPictureSize, VersionText()));
    Image1->setScaledContents(true);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(Image1, 1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TAboutForm::FormShow() { OKButton->setVisible(!SplashMode); }

}  // namespace app
