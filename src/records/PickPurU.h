#pragma once
// TPickPur ("PickPur"): the inventory purchase pick list in the order the caller selected (tag Pur).
#include "records/PickGridU.h"

namespace records {

class TPickPur : public PickGridWindow {
    Q_OBJECT
public:
    explicit TPickPur(QWidget* parent = nullptr);

    QLineEdit* Edit1;  // the search box

protected:
    long& currentRec() override;
    xbase::Table* table() const override;
    std::vector<PickColumn> columns() const override;
};

}  // namespace records
