#include "records/GroupDefU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "records/CustomerRules.h"
#include "records/PickU.h"
#include "records/RecordWindowParts.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"

namespace records {
namespace {

// The window's own texts.
const QString kCaption = QStringLiteral("Customer Group Definition");
const QString kNumberLabel = QStringLiteral("Group Number:");
const QString kNameLabel = QStringLiteral("Customer Group:");
const QString kSave = QStringLiteral("Save");
const QString kDelete = QStringLiteral("Delete");
const QString kCancel = QStringLiteral("Cancel");
const QString kBlankName = QStringLiteral("Can't Save Blank Name");
const QString kAppendFailed = QStringLiteral("Unable to add record at this time. Please try later.");
const QString kWhat = QStringLiteral("The group");
const QString kNoNumberLeft =
    QStringLiteral("All group numbers from 1 to 99 are in use. Delete a group before adding another.");
const QString kMovePrefix = QStringLiteral("Move Customers in ");
const QString kMoveSuffix = QStringLiteral(" to a selected group");
const QString kDeletedTarget =
    QStringLiteral("Customers can't be moved to a deleted group. Please select another group.");

constexpr int kNameLimit = store::kTextCut;

}  // namespace

TGroupDef::TGroupDef(QWidget* parent) : ui::EditWindow(parent) {
    using namespace parts;
    setObjectName(QStringLiteral("TGroupDef"));
    setWindowTitle(kCaption);
    Label1 = label(this, "Label1", kNumberLabel);
    Edit1 = shownOnly(this, "Edit1", 2);
    Label2 = label(this, "Label2", kNameLabel);
    Edit2 = lineEdit(this, "Edit2", kNameLimit);
    BtnSave = button(this, "BtnSave", kSave);
    BtnDelete = button(this, "BtnDelete", kDelete);
    BtnCancel = button(this, "BtnCancel", kCancel);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, Qt::AlignLeft);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    Edit1->setMaximumWidth(Edit1->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    Edit2->setMinimumWidth(Edit2->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnSave);
    buttons->addWidget(BtnDelete);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    setTabOrder(Edit2, BtnSave);
    setTabOrder(BtnSave, BtnDelete);
    setTabOrder(BtnDelete, BtnCancel);
    setHelpContext(kHelpContext);

    connect(BtnSave, &QPushButton::clicked, this, &TGroupDef::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TGroupDef::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TGroupDef::BtnCancelClick);
}

void TGroupDef::FormShow() {
    BtnDelete->setEnabled(BeginGroup());
    Edit1->setText(base::PadNumber(store::GroupRec.nGroup, 2));
    parts::showText(Edit2, base::TrimRight(store::GroupRec.cGroup), kNameLimit);
    Edit2->setFocus();
}

void TGroupDef::BtnSaveClick() {
    const store::Outcome<GroupSave> saved = SaveGroup(Edit2->text());
    switch (saved.verdict) {
    case GroupSave::BlankName:
        base::ShowMessage(kBlankName);
        return;
    case GroupSave::NoNumberLeft:
        base::ShowMessage(kNoNumberLeft);
        return;
    case GroupSave::AppendFailed:
        base::ShowMessage(kAppendFailed);
        return;
    case GroupSave::WriteFailed:
        parts::written(saved.write, kWhat);
        return;
    case GroupSave::Saved:
        accept();
        return;
    }
}

void TGroupDef::BtnDeleteClick() {
    const long groupRec = store::CurGroupRec;
    const store::GroupBuffer shown = store::GroupRec;
    if (!base::ConfirmOkCancel(kMovePrefix + shown.cGroup.trimmed() + kMoveSuffix, base::MsgKind::Confirmation))
        return;
    const bool chosen = PickGroup(false);
    const long target = store::CurGroupRec;
    // The pick list reads every group through the group buffer and answers in CurGroupRec; whatever
    // happens next, this window goes on with its own group, so a later Save stores the right one.
    store::CurGroupRec = groupRec;
    store::GroupRec = shown;
    if (!chosen) return;
    const store::Outcome<GroupMove> moved = DeleteGroupMovingCustomers(groupRec, target);
    switch (moved.verdict) {
    case GroupMove::SameGroup:
        return;
    case GroupMove::DeletedTarget:
        base::ShowMessage(kDeletedTarget);
        return;
    case GroupMove::WriteFailed:
        parts::written(moved.write, QStringLiteral("The group change"));
        return;
    case GroupMove::Moved:
        accept();
        return;
    }
}

void TGroupDef::BtnCancelClick() { reject(); }

}  // namespace records
