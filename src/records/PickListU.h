#pragma once
// The window shared by the two list-box pick lists (TPickGroup, TPickLab): every record of the small
// table as one line in tag order, deleted records marked, and the buttons "Select", "New" and
// "Cancel". The answer is the list's selection variable as for the grid lists: the chosen record
// number, 0 for "New", -1 for "Cancel" and for every other way of closing.
#include <QBoxLayout>
#include <QListWidget>
#include <QPushButton>

#include "records/PickRows.h"
#include "ui/EditWindow.h"

namespace records {

class PickListWindow : public ui::EditWindow {
    Q_OBJECT
public:
    QListWidget* ListBox1;
    QPushButton* BtnSelect;
    QPushButton* BtnNew;
    QPushButton* BtnCancel;

    void reject() override;

public slots:
    void BtnSelectClick();
    void BtnNewClick();
    void BtnCancelClick();
    void ListBox1DblClick();

protected:
    // lineLength: the longest line in characters, shown whole.
    PickListWindow(const char* caption, int lineLength, QWidget* parent);

    virtual long& currentRec() = 0;
    virtual xbase::Table* table() const = 0;
    virtual PickLines readLines() const = 0;

    // Fills the list from the table and selects the current record's line (the first when none).
    void fillList();
    // Selects a line; -1 selects none.
    void selectLine(int line);
    // The box that holds the list, for the subclass to add its search box to.
    QBoxLayout* topLayout() const { return m_top; }

    PickLines m_lines;

private:
    QBoxLayout* m_top;
};

}  // namespace records
