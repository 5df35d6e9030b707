#pragma once
// TTaxDef ("Tax Definition"): the captions, rates and options of the two computed lines under an
// invoice's subtotal. Edits the settings buffer only on "Save", then writes the settings record.
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace invoicing {

class TTaxDef : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TTaxDef(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 630;

    QLabel* Label1;  // "Line Label"
    QLabel* Label2;  // "Percentage"
    QLabel* Label3;  // "Computed 1"
    QLabel* Label4;  // "Computed 2"
    QLineEdit* Edit1;         // caption of computed line 1 (ShipLine)
    ui::MaskEdit* MaskEdit1;  // rate of computed line 1
    QLineEdit* Edit2;         // caption of computed line 2 (TaxLine)
    ui::MaskEdit* MaskEdit2;  // rate of computed line 2
    QGroupBox* RadioGroup1;   // "Tax 2 charged on Tax 1": No, Yes, When Tax on Items
    QGroupBox* RadioGroup2;   // " Round Computed Tax ": Normal, Up, Down
    QGroupBox* RadioGroup3;   // " GST/VAT Tax is ?  "
    QRadioButton* RadioButton1;  // "Computed 1"
    QRadioButton* RadioButton2;  // "Computed 2"
    QPushButton* BtnSave;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

    // The selected item of a radio group (-1: none), as the settings count it less one.
    int itemIndex(const QGroupBox* group) const;
    void setItemIndex(QGroupBox* group, int index);

public slots:
    void BtnSaveClick();
    void BtnCancelClick();
    void BtnHelpClick();

protected:
    void FormShow() override;

private:
    QGroupBox* radioGroup(const char* name, const QString& caption, const QStringList& items);
    QButtonGroup* buttons(const QGroupBox* group) const;
};

}  // namespace invoicing
