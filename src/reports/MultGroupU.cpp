#include "reports/MultGroupU.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Format.h"
#include "reports/Selection.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"

namespace reports {

TMultGroup::TMultGroup(QWidget* parent) : ui::EditWindow(parent) {
    setObjectName(QStringLiteral("MultGroup"));
    setWindowTitle(QStringLiteral("Select One or More Groups"));
    setHelpContext(kHelpContext);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::MultiSelection);  // each click toggles
    BtnRun = new QPushButton(QStringLiteral("Run"), this);
    BtnRun->setObjectName(QStringLiteral("BtnRun"));
    BtnAll = new QPushButton(QStringLiteral("All"), this);
    BtnAll->setObjectName(QStringLiteral("BtnAll"));
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnRun);
    buttons->addWidget(BtnAll);
    buttons->addWidget(BtnCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(ListBox1, 1);
    main->addLayout(buttons);
    resize(257, 289);
    connect(BtnRun, &QPushButton::clicked, this, &TMultGroup::BtnRunClick);
    connect(BtnAll, &QPushButton::clicked, this, &TMultGroup::BtnAllClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TMultGroup::BtnCancelClick);
}

void TMultGroup::FormShow() {
    ListBox1->clear();
    SelectedGroups.clear();
    xbase::Table* groups = store::GroupsTable;
    if (groups) {
        for (int rc = groups->top(); rc == xbase::kOk; rc = groups->skip(1)) {
            if (groups->isDeleted()) continue;
            store::LoadGroup();
            ListBox1->addItem(base::PadNumber(store::GroupRec.nGroup, 2) + QStringLiteral(" - ") + store::GroupRec.cGroup);
        }
    }
    if (ListBox1->count() == 1) ListBox1->item(0)->setSelected(true);
}

void TMultGroup::BtnAllClick() { ListBox1->selectAll(); }

void TMultGroup::BtnRunClick() {
    QList<int> chosen;
    for (int i = 0; i < ListBox1->count(); ++i)
        if (ListBox1->item(i)->isSelected()) chosen.append(ListBox1->item(i)->text().left(2).trimmed().toInt());
    SelectedGroups = chosen;
    accept();
}

void TMultGroup::BtnCancelClick() {
    SelectedGroups.clear();
    reject();
}

}  // namespace reports
