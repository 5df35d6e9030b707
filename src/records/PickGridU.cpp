#include "records/PickGridU.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/GridColumns.h"

namespace records {

QLineEdit* PickGridWindow::newTextSearchBox() {
    auto* edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("Edit1"));
    return edit;
}

namespace {

const char* const kSelect = "Select";
const char* const kNew = "New";
const char* const kCancel = "Cancel";
const char* const kRecNo = "RecNo";
constexpr int kRecNoLetters = 10;

// REQUIRES: a navigation key (ui::isNavigationKey).
PickKey pickKey(int key) {
    switch (key) {
    case Qt::Key_PageDown: return PickKey::PageDown;
    case Qt::Key_PageUp: return PickKey::PageUp;
    case Qt::Key_End: return PickKey::End;
    case Qt::Key_Home: return PickKey::Home;
    case Qt::Key_Down: return PickKey::Down;
    default: return PickKey::Up;
    }
}

QPushButton* button(const char* name, const char* text, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);  // Enter belongs to the grid and the search box
    return b;
}

}  // namespace

PickGridWindow::PickGridWindow(const Look& look, QLineEdit* search, PickPager::RowReader reader, bool selectFirstRow,
                               QWidget* parent)
    : ui::EditWindow(parent), m_pager(std::move(reader), selectFirstRow), m_search(search), m_look(look) {
    setWindowTitle(QString::fromLatin1(look.caption));

    StringGrid1 = new QTableWidget(kPageRows, 1, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setWordWrap(false);  // a text too long for its column ends in an ellipsis
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setSectionsClickable(false);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    StringGrid1->installEventFilter(this);
    StringGrid1->viewport()->installEventFilter(this);

    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setRange(0, 100);
    ScrollBar1->setPageStep(10);
    ScrollBar1->setSingleStep(1);
    ScrollBar1->installEventFilter(this);
    QSizePolicy keepPlace = ScrollBar1->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ScrollBar1->setSizePolicy(keepPlace);

    SeekLabel = new QLabel(QString::fromLatin1(look.seekLabel), this);
    SeekLabel->setObjectName(QStringLiteral("SeekLabel"));
    SeekLabel->setBuddy(m_search);
    m_search->setParent(this);
    m_search->installEventFilter(this);

    BtnSelect = button("BtnSelect", kSelect, this);
    BtnNew = button("BtnNew", kNew, this);
    BtnCancel = button("BtnCancel", kCancel, this);

    auto* gridRow = new QHBoxLayout;
    gridRow->setSpacing(0);
    gridRow->addWidget(StringGrid1);
    gridRow->addWidget(ScrollBar1);
    gridRow->addSpacing(look.barMargin);
    gridRow->addStretch();

    auto* seekRow = new QHBoxLayout;
    seekRow->addWidget(SeekLabel);
    seekRow->addWidget(m_search);
    if (look.sideLabel) {
        SideLabel = new QLabel(QString::fromLatin1(look.sideLabel), this);
        SideLabel->setObjectName(QStringLiteral("SideLabel"));
        Edit2 = new QLineEdit(this);
        Edit2->setObjectName(QStringLiteral("Edit2"));
        Edit2->setReadOnly(true);
        Edit2->setFocusPolicy(Qt::NoFocus);
        SideLabel->setBuddy(Edit2);
        seekRow->addSpacing(12);
        seekRow->addWidget(SideLabel);
        seekRow->addWidget(Edit2, 1);
    }
    seekRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSelect);
    buttons->addWidget(BtnNew);
    buttons->addWidget(BtnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(gridRow);
    layout->addLayout(seekRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(m_search, StringGrid1);

    connect(BtnSelect, &QPushButton::clicked, this, &PickGridWindow::BtnSelectClick);
    connect(BtnNew, &QPushButton::clicked, this, &PickGridWindow::BtnNewClick);
    connect(BtnCancel, &QPushButton::clicked, this, &PickGridWindow::BtnCancelClick);
    connect(m_search, &QLineEdit::textChanged, this, &PickGridWindow::SearchChange);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &PickGridWindow::StringGrid1DblClick);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (m_showing) return;
        m_pager.selectRow(row + 1);
        updateSideBox();
    });
    // A click may have scrolled the hidden record-number column towards the view.
    connect(StringGrid1, &QTableWidget::cellClicked, this, [this] { StringGrid1->horizontalScrollBar()->setValue(0); });
    connect(ScrollBar1, &QScrollBar::actionTriggered, this, &PickGridWindow::scrollBarAction);
    connect(ScrollBar1, &QScrollBar::sliderReleased, this,
            [this] { ScrollBar1Scroll(PickScroll::ThumbPosition, ScrollBar1->sliderPosition()); });
}

void PickGridWindow::layOutGrid() {
    const std::vector<PickColumn> cols = columns();
    const int letter = fontMetrics().horizontalAdvance(m_look.referenceLetter);
    const int recNo = int(cols.size());
    StringGrid1->setColumnCount(recNo + 1);
    QStringList titles;
    int width = 0;
    for (int c = 0; c < recNo; ++c) {
        titles << QString::fromLatin1(cols[size_t(c)].title);
        StringGrid1->setColumnWidth(c, cols[size_t(c)].letters * letter);
        width += cols[size_t(c)].letters * letter;
    }
    titles << QString::fromLatin1(kRecNo);
    StringGrid1->setHorizontalHeaderLabels(titles);
    // The record number travels with each row but is never shown: the grid is as wide as the others.
    StringGrid1->setColumnWidth(recNo, kRecNoLetters * letter);
    StringGrid1->setColumnHidden(recNo, true);

    const int rowHeight = StringGrid1->verticalHeader()->defaultSectionSize();
    StringGrid1->horizontalHeader()->setFixedHeight(rowHeight);
    const int height = (kPageRows + 1) * rowHeight + 11;
    StringGrid1->setFixedSize(width + 2 * StringGrid1->frameWidth(), height);
    ScrollBar1->setFixedHeight(height);
}

void PickGridWindow::fitColumns() {
    const std::vector<PickColumn> cols = columns();
    for (int c = 0; c < int(cols.size()); ++c)
        if (cols[size_t(c)].whole) ui::fitColumnToContent(StringGrid1, c);
    StringGrid1->setFixedWidth(ui::shownColumnsWidth(StringGrid1) + 2 * StringGrid1->frameWidth());
}

void PickGridWindow::FormShow() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    selectOrder();
    layOutGrid();
    {
        const QSignalBlocker quiet(m_search);  // clearing is no search
        m_search->clear();
    }
    m_pager.show(table(), &currentRec());
    ScrollBar1->setVisible(m_pager.scrollBarVisible());
    const bool any = !m_pager.empty();
    {
        const QSignalBlocker quiet(StringGrid1);
        StringGrid1->setRowCount(any ? kPageRows : 0);
    }
    BtnSelect->setEnabled(any);
    StringGrid1->setEnabled(any);
    if (any) {
        showPage();
        m_search->setFocus();
    } else {
        ScrollBar1->setSliderPosition(0);
    }
    QApplication::restoreOverrideCursor();
}

void PickGridWindow::showPage() {
    m_showing = true;
    const std::vector<PickRow>& rows = m_pager.rows();
    const int recNo = recNoColumn();
    for (int r = 0; r < StringGrid1->rowCount(); ++r) {
        for (int c = 0; c <= recNo; ++c) {
            QString text;
            if (r < int(rows.size()))
                text = c == recNo ? QString::number(rows[size_t(r)].recNo) : rows[size_t(r)].cells.value(c);
            QTableWidgetItem* item = StringGrid1->item(r, c);
            if (!item) StringGrid1->setItem(r, c, item = new QTableWidgetItem);
            item->setText(text);
        }
    }
    showSelection();
    fitColumns();
    StringGrid1->horizontalScrollBar()->setValue(0);
    ScrollBar1->setSliderPosition(m_pager.scrollPosition());
    m_showing = false;
    updateSideBox();
}

void PickGridWindow::showSelection() {
    const bool wasShowing = m_showing;
    m_showing = true;
    const int row = m_pager.selectedRow();
    if (row > 0) {
        StringGrid1->setCurrentCell(row - 1, 0);
    } else {
        StringGrid1->clearSelection();
        StringGrid1->setCurrentItem(nullptr);
    }
    m_showing = wasShowing;
}

void PickGridWindow::updateSideBox() {
    if (!Edit2) return;
    if (const std::optional<QString> text = sideText(m_pager.selectedRecNo())) Edit2->setText(*text);
}

bool PickGridWindow::eventFilter(QObject* watched, QEvent* event) {
    // The keys that choose and page work alike in the grid and in the search box, so the user can
    // type, page and choose without leaving the box.
    const bool keys = watched == StringGrid1 || watched == m_search;
    if (keys && event->type() == QEvent::KeyPress && StringGrid1->isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (ui::isEnterKey(key)) {
            BtnSelectClick();
            return true;
        }
        if (ui::isNavigationKey(key)) {
            m_pager.key(pickKey(key->key()));
            showPage();
            return true;
        }
    }
    if (keys && event->type() == QEvent::KeyRelease) updateSideBox();
    if ((watched == ScrollBar1 || watched == StringGrid1->viewport()) && event->type() == QEvent::Wheel) {
        wheelTurned(static_cast<QWheelEvent*>(event));
        return true;
    }
    return ui::EditWindow::eventFilter(watched, event);
}

void PickGridWindow::wheelTurned(const QWheelEvent* event) {
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRest -= notches * QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0 && m_pager.scrollLines(-long(notches) * QApplication::wheelScrollLines())) showPage();
}

void PickGridWindow::scrollBarAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: ScrollBar1Scroll(PickScroll::LineDown, 0); break;
    case QAbstractSlider::SliderSingleStepSub: ScrollBar1Scroll(PickScroll::LineUp, 0); break;
    case QAbstractSlider::SliderPageStepAdd: ScrollBar1Scroll(PickScroll::PageDown, 0); break;
    case QAbstractSlider::SliderPageStepSub: ScrollBar1Scroll(PickScroll::PageUp, 0); break;
    case QAbstractSlider::SliderToMinimum: ScrollBar1Scroll(PickScroll::Top, 0); break;
    case QAbstractSlider::SliderToMaximum: ScrollBar1Scroll(PickScroll::Bottom, 0); break;
    default: break;  // dragging the thumb changes nothing until it is released
    }
}

void PickGridWindow::ScrollBar1Scroll(PickScroll event, int position) {
    if (event == PickScroll::ThumbTrack || event == PickScroll::EndScroll) return;
    if (m_pager.scroll(event, position)) showPage();
    // The bar always shows where the page is, also when the event did not move it.
    ScrollBar1->setSliderPosition(m_pager.scrollPosition());
}

void PickGridWindow::SearchChange() {
    if (m_pager.search(seekKey(m_search->text()))) showPage();
}

void PickGridWindow::BtnSelectClick() {
    // A row below the last record holds no record: choosing it does nothing.
    const long recNo = m_pager.selectedRecNo();
    if (recNo <= 0) return;
    currentRec() = recNo;
    accept();
}

void PickGridWindow::BtnNewClick() {
    currentRec() = 0;
    accept();
}

void PickGridWindow::BtnCancelClick() { reject(); }

void PickGridWindow::StringGrid1DblClick() {
    m_pager.selectRow(StringGrid1->currentRow() + 1);
    BtnSelectClick();
}

void PickGridWindow::reject() {
    currentRec() = -1;
    ui::EditWindow::reject();
}

}  // namespace records
