#pragma once
// TPickGroup ("PickGroup"): the customer groups by name (tag CGroup), searched by typing the beginning
// of a name. The group table's own order is put back when the window closes.
#include <QLineEdit>

#include "records/PickListU.h"

namespace records {

class TPickGroup : public PickListWindow {
    Q_OBJECT
public:
    explicit TPickGroup(QWidget* parent = nullptr);

    QLineEdit* Edit1;  // the search box

public slots:
    void Edit1Change();

protected:
    long& currentRec() override;
    xbase::Table* table() const override;
    PickLines readLines() const override;
    void FormShow() override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    xbase::Tag* m_callerTag = nullptr;
    bool m_tagTaken = false;
};

}  // namespace records
