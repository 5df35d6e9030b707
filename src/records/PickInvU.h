#pragma once
// TPickInv ("Select Invoice"): the invoice pick list in the order the caller selected (tag Inv), searched
// by invoice number, with the invoice's customer in the side box.
#include "records/PickGridU.h"

namespace records {

class TPickInv : public PickGridWindow {
    Q_OBJECT
public:
    explicit TPickInv(QWidget* parent = nullptr);

    QLineEdit* MaskEdit1;  // the search box: six digits

protected:
    long& currentRec() override;
    xbase::Table* table() const override;
    std::vector<PickColumn> columns() const override;
    QString seekKey(const QString& typed) const override;
    std::optional<QString> sideText(long recNo) const override;
};

}  // namespace records
