#include "records/PickLabelU.h"

#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

const char* const kCaption = "PickLab";

}  // namespace

TPickLab::TPickLab(QWidget* parent) : PickListWindow(kCaption, LabelLineLength(), parent) {}

long& TPickLab::currentRec() { return store::CurLabelRec; }

xbase::Table* TPickLab::table() const { return store::LabelsTable; }

PickLines TPickLab::readLines() const { return LabelLines(table()); }

void TPickLab::FormShow() {
    fillList();
    currentRec() = -1;
    ListBox1->setFocus();
}

}  // namespace records
