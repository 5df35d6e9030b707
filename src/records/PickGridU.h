#pragma once
// The window shared by the four paged grid pick lists (TPickCust, TPickProd, TPickInv, TPickPur): a
// grid of one header row and ten data rows with the record number in a last column kept out of
// view, a percentage scroll bar beside it, the search box, an optional side box and the buttons
// "Select", "New" and "Cancel". The paging itself is PickPager; each list says its columns, its
// table, its selection variable and how its search text becomes a key.
//
// The answer is the list's selection variable: the chosen record number, 0 for "New", -1 for "Cancel"
// and for every other way of closing the window.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>

#include <optional>
#include <vector>

#include "records/PickPager.h"
#include "ui/EditWindow.h"

namespace records {

struct PickColumn {
    const char* title;
    int letters;         // width in reference letters
    bool whole = false;  // widened to its texts rather than cut (codes, dates, amounts)
};

class PickGridWindow : public ui::EditWindow {
    Q_OBJECT
public:
    QTableWidget* StringGrid1;
    QScrollBar* ScrollBar1;
    QLabel* SeekLabel;
    QLabel* SideLabel = nullptr;  // customers and invoices
    QLineEdit* Edit2 = nullptr;   // the side box
    QPushButton* BtnSelect;
    QPushButton* BtnNew;
    QPushButton* BtnCancel;

    PickPager& pager() { return m_pager; }
    // The search box (Edit1, or MaskEdit1 for invoices).
    QLineEdit* searchBox() const { return m_search; }
    // The column that holds each row's record number.
    int recNoColumn() const { return StringGrid1->columnCount() - 1; }

public slots:
    void BtnSelectClick();
    void BtnNewClick();
    void BtnCancelClick();
    void StringGrid1DblClick();
    void ScrollBar1Scroll(records::PickScroll event, int position);
    void SearchChange();

public:
    // Every close that is not Select or New is a Cancel, the title bar's included.
    void reject() override;

protected:
    // The plain search box the customer, product and purchase lists share, named Edit1.
    static QLineEdit* newTextSearchBox();

    struct Look {
        const char* caption;
        QChar referenceLetter;
        int barMargin;         // pixels right of the scroll bar
        const char* seekLabel;
        const char* sideLabel;  // nullptr: no side box
    };
    // search: the search box, made by the subclass with its own name.
    PickGridWindow(const Look& look, QLineEdit* search, PickPager::RowReader reader, bool selectFirstRow,
                   QWidget* parent = nullptr);

    virtual long& currentRec() = 0;
    virtual xbase::Table* table() const = 0;
    virtual std::vector<PickColumn> columns() const = 0;
    // Customers choose their tag here; the others keep the one the caller selected.
    virtual void selectOrder() {}
    virtual QString seekKey(const QString& typed) const { return PickSearchKey(typed); }
    virtual std::optional<QString> sideText(long /*recNo*/) const { return std::nullopt; }

    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutGrid();
    // Widens the whole-text columns to what the page shows; the grid stays as wide as its columns.
    void fitColumns();
    // Writes the pager's page into the grid, selects its row, moves the bar and updates the side box.
    void showPage();
    void showSelection();
    void updateSideBox();
    void scrollBarAction(int action);
    // The wheel over the bar or the grid moves the page, a notch the system's lines at a time.
    void wheelTurned(const QWheelEvent* event);

    PickPager m_pager;
    QLineEdit* m_search;
    Look m_look;
    bool m_showing = false;  // rendering: the grid's own selection signals are ours
    int m_wheelRest = 0;     // wheel turns smaller than a notch, kept for the next
};

}  // namespace records
