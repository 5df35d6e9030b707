#pragma once
// TPickLab ("PickLab"): the label stocks by name (tag Labels).
#include "records/PickListU.h"

namespace records {

class TPickLab : public PickListWindow {
    Q_OBJECT
public:
    explicit TPickLab(QWidget* parent = nullptr);

protected:
    long& currentRec() override;
    xbase::Table* table() const override;
    PickLines readLines() const override;
    void FormShow() override;
};

}  // namespace records
