#pragma once
// TImportdir ("Import Directories"): where the order import finds its info files and its order
// files. Shown without being modal; Save writes both directories into ImpDirs.DBF.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/EditWindow.h"

namespace invoicing {

class TImportdir : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TImportdir(QWidget* parent = nullptr);

    QLabel* Label1;  // "Directory containing Info Files"
    QLineEdit* Edit1;
    QPushButton* BInfo;
    QLabel* Label2;  // "Directory containg Order Files"
    QLineEdit* Edit2;
    QPushButton* BOrder;
    QPushButton* BSave;
    QPushButton* BCancel;

public slots:
    void BInfoClick();
    void BOrderClick();
    void BSaveClick();
    void BCancelClick();

protected:
    void FormShow() override;
};

}  // namespace invoicing
