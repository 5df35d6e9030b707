#pragma once
// TFirstStart: shown when the program is started from the desktop menu (--data-home) and the per-user
// data folder holds no data files: a new business, the demo business, or a data folder already kept
// elsewhere. It never overwrites a table.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "app/DataHome.h"

namespace app {

class TFirstStart : public QDialog {
    Q_OBJECT
public:
    explicit TFirstStart(const DataHomePlaces& places, QWidget* parent = nullptr);

    // The folder the run works in once the window was accepted.
    QString chosenFolder() const { return m_chosen; }

    QLabel* Label1;
    QPushButton* BtnNew;
    QPushButton* BtnDemo;
    QPushButton* BtnExisting;
    QPushButton* BtnConvert;
    QPushButton* BtnCancel;

    void BtnNewClick();
    void BtnDemoClick();
    void BtnExistingClick();
    void BtnConvertClick();

private:
    void start(bool demo);

    DataHomePlaces m_places;
    QString m_chosen;
};

}  // namespace app
