#include "labels/LabelStock.h"

#include "store/LoadStore.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace labels {

bool BeginLabel() {
    if (store::CurLabelRec > 0 && store::LabelsTable) {
        store::LastResult = store::LabelsTable->go(store::CurLabelRec);
        store::LoadLabel();
        return true;
    }
    store::LabelRec = store::LabelBuffer{};
    return false;
}

store::Outcome<LabelSave> SaveLabel(const LabelEntry& e) {
    const QString name = e.name.trimmed();
    if (name.isEmpty()) return LabelSave::BlankName;
    store::LabelBuffer& l = store::LabelRec;
    l.Name = name;
    l.TopM = e.top;
    l.LeftM = e.left;
    l.BottomM = e.bottom;
    l.RightM = e.right;
    l.Width = e.width;
    l.Height = e.height;
    l.HGap = e.hGap;
    l.VGap = e.vGap;
    l.NAcross = e.across;
    l.Continuous = e.continuous;
    return store::SaveRecord(store::TableKey::Labels, &store::CurLabelRec, store::StoreLabel, LabelSave::Saved,
                             LabelSave::AppendFailed, LabelSave::WriteFailed);
}

bool FindStock(const QString& name) {
    xbase::Table* table = store::LabelsTable;
    const QString wanted = name.trimmed();
    // The tag orders by the name as stored: the seek stops at the first name that begins so.
    store::SelectTag(table, store::TagId::Labels);
    int rc = table->seek(store::ToTableText(wanted));
    for (; (rc == xbase::kOk || rc == 2) && !table->eof(); rc = table->skip(1)) {
        const QString here = store::ReadField(table, &store::LabelBuffer::Name).trimmed();
        if (!here.startsWith(wanted)) break;
        if (here == wanted && !table->isDeleted()) {
            store::LoadLabel();
            return true;
        }
    }
    return false;
}

store::WriteResult DeleteLabel() { return store::DeleteRecord(store::TableKey::Labels, store::CurLabelRec); }

}  // namespace labels
