#pragma once
// TAboutForm: the program's picture, name and version. Serves as the start-up splash, without its OK
// button, while SplashMode is set.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace app {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* Image1;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
};

}  // namespace app
