#include "records/PickListU.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/Dialogs.h"

namespace records {
namespace {

const char* const kSelect = "Select";
const char* const kNew = "New";
const char* const kCancel = "Cancel";
const char* const kItemNotSelected = "Item Not Selected";
constexpr int kItemMargins = 8;  // around a line's text, both sides

QPushButton* button(const char* name, const char* text, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

PickListWindow::PickListWindow(const char* caption, int lineLength, QWidget* parent) : ui::EditWindow(parent) {
    setWindowTitle(QString::fromLatin1(caption));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Names are shown padded as stored, so the "<DELETED>" markers line up.
    QFont fixed = ListBox1->font();
    fixed.setFamily(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    ListBox1->setFont(fixed);
    // Wide enough for the longest line, so the "<DELETED>" after a padded name shows without scrolling.
    const int line = ListBox1->fontMetrics().horizontalAdvance(QString(lineLength, QLatin1Char('M')));
    ListBox1->setMinimumSize(line + kItemMargins + 2 * ListBox1->frameWidth() +
                                 ListBox1->verticalScrollBar()->sizeHint().width(),
                             220);

    BtnSelect = button("BtnSelect", kSelect, this);
    BtnNew = button("BtnNew", kNew, this);
    BtnCancel = button("BtnCancel", kCancel, this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSelect);
    buttons->addWidget(BtnNew);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);
    m_top = layout;

    connect(BtnSelect, &QPushButton::clicked, this, &PickListWindow::BtnSelectClick);
    connect(BtnNew, &QPushButton::clicked, this, &PickListWindow::BtnNewClick);
    connect(BtnCancel, &QPushButton::clicked, this, &PickListWindow::BtnCancelClick);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &PickListWindow::ListBox1DblClick);
}

void PickListWindow::fillList() {
    ListBox1->clear();
    m_lines = readLines();
    ListBox1->addItems(m_lines.texts);
    int line = 0;
    for (size_t i = 0; i < m_lines.recNos.size(); ++i) {
        if (m_lines.recNos[i] == currentRec()) {
            line = int(i);
            break;
        }
    }
    selectLine(m_lines.texts.isEmpty() ? -1 : line);
}

void PickListWindow::selectLine(int line) {
    if (line < 0) {
        ListBox1->clearSelection();
        ListBox1->setCurrentRow(-1);
        return;
    }
    ListBox1->setCurrentRow(line);
    if (QListWidgetItem* item = ListBox1->item(line)) ListBox1->scrollToItem(item);
}

void PickListWindow::BtnSelectClick() {
    const int line = ListBox1->currentRow();
    if (line < 0 || !ListBox1->item(line)->isSelected()) {
        base::ShowMessage(QString::fromLatin1(kItemNotSelected));
        return;
    }
    // The lines follow the tag order exactly, deleted records included.
    const long recNo = RecNoOfLine(table(), line);
    if (recNo <= 0) return;
    currentRec() = recNo;
    accept();
}

void PickListWindow::BtnNewClick() {
    currentRec() = 0;
    accept();
}

void PickListWindow::BtnCancelClick() { reject(); }

void PickListWindow::ListBox1DblClick() { BtnSelectClick(); }

void PickListWindow::reject() {
    currentRec() = -1;
    ui::EditWindow::reject();
}

}  // namespace records
