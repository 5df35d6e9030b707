#pragma once
// TMultGroup ("Select One or More Groups"): chooses customer groups into SelectedGroups.
// REQUIRES: GROUPS open while it is shown.
#include <QListWidget>
#include <QPushButton>

#include "ui/EditWindow.h"

namespace reports {

class TMultGroup : public ui::EditWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 500;  // F1: the reports page
    explicit TMultGroup(QWidget* parent = nullptr);

    QListWidget* ListBox1;
    QPushButton* BtnRun;
    QPushButton* BtnAll;
    QPushButton* BtnCancel;

public slots:
    void BtnRunClick();
    void BtnAllClick();
    void BtnCancelClick();

protected:
    void FormShow() override;
};

}  // namespace reports
