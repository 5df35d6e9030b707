#include "records/PickGroupU.h"

#include <QCoreApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

const char* const kCaption = "PickGroup";
constexpr int kSearchLength = 20;

}  // namespace

TPickGroup::TPickGroup(QWidget* parent) : PickListWindow(kCaption, GroupLineLength(), parent) {
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(kSearchLength);
    topLayout()->insertWidget(0, Edit1);
    setTabOrder(Edit1, ListBox1);
    ListBox1->installEventFilter(this);
    Edit1->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this, &TPickGroup::Edit1Change);
}

long& TPickGroup::currentRec() { return store::CurGroupRec; }

xbase::Table* TPickGroup::table() const { return store::GroupsTable; }

PickLines TPickGroup::readLines() const { return GroupLines(table()); }

void TPickGroup::FormShow() {
    {
        const QSignalBlocker quiet(Edit1);
        Edit1->clear();
    }
    xbase::Table* groups = table();
    m_tagTaken = groups != nullptr;
    if (groups) {
        m_callerTag = groups->selectedTag();
        store::SelectTag(groups, store::TagId::GroupName);
    }
    fillList();
    Edit1->setFocus();
}

void TPickGroup::hideEvent(QHideEvent* event) {
    if (!event->spontaneous() && m_tagTaken) {
        if (xbase::Table* groups = table()) groups->selectTag(m_callerTag);
        m_tagTaken = false;
        m_lines = {};
    }
    PickListWindow::hideEvent(event);
}

void TPickGroup::Edit1Change() {
    if (const std::optional<int> line = SearchLine(m_lines.upperNames, Edit1->text())) selectLine(*line);
}

bool TPickGroup::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ListBox1 || watched == Edit1) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (ui::isEnterKey(key)) {
            BtnSelectClick();
            return true;
        }
        // The list moves under the search box as it does with the focus in it.
        if (watched == Edit1 && ui::isNavigationKey(key)) {
            QCoreApplication::sendEvent(ListBox1, event);
            return true;
        }
    }
    return PickListWindow::eventFilter(watched, event);
}

}  // namespace records
