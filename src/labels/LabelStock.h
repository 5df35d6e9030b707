#pragma once
// The rules behind the label stock window: preparing the label buffer for a showing, saving and
// deleting a stock through the record layer. REQUIRES: LABELS open.
#include <QString>

#include "base/Decimal.h"
#include "store/WriteResult.h"

namespace labels {

// Fills LabelRec for a showing: the stock at CurLabelRec when it names a record, else a new stock
// (blank name, measures 0, one across, cut sheets). True when an existing stock was loaded.
bool BeginLabel();

// What the stock window holds, as typed. Measures in points, in the order of the window.
struct LabelEntry {
    QString name;
    base::Decimal top, left, bottom, right, width, height, hGap, vGap;
    int across = 1;
    bool continuous = false;
};

enum class LabelSave { Saved, BlankName, AppendFailed, WriteFailed };
// Saves the stock shown. A new stock gets a new record; afterwards CurLabelRec names it. A refused
// write leaves the table as it was (with the reason in the outcome).
store::Outcome<LabelSave> SaveLabel(const LabelEntry& entry);
// Loads the first stock of that name (trimmed; in tag order) into LabelRec; false when there is none.
bool FindStock(const QString& name);
// Marks the stock at CurLabelRec deleted and sets PackPending.
[[nodiscard]] store::WriteResult DeleteLabel();

}  // namespace labels
