#pragma once
// TPickProd ("PickProd"): the product pick list in the order the caller selected (tag Prod).
#include "records/PickGridU.h"

namespace records {

class TPickProd : public PickGridWindow {
    Q_OBJECT
public:
    explicit TPickProd(QWidget* parent = nullptr);

    QLineEdit* Edit1;  // the search box

protected:
    long& currentRec() override;
    xbase::Table* table() const override;
    std::vector<PickColumn> columns() const override;
};

}  // namespace records
