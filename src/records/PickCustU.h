#pragma once
// TPickCust ("Select Customer"): the customer pick list, by name or by company as the settings say,
// with the customer's group in the side box.
#include "records/PickGridU.h"

namespace records {

class TPickCust : public PickGridWindow {
    Q_OBJECT
public:
    explicit TPickCust(QWidget* parent = nullptr);

    QLineEdit* Edit1;  // the search box

    // True while the list shows customers by name (tag CName), false by company (tag cComp).
    bool byName() const { return m_byName; }

protected:
    long& currentRec() override;
    xbase::Table* table() const override;
    std::vector<PickColumn> columns() const override;
    void selectOrder() override;
    std::optional<QString> sideText(long recNo) const override;

private:
    bool m_byName = true;
};

}  // namespace records
