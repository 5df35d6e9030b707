#include "ui/GridColumns.h"

#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>

namespace ui {

void fitColumnToContent(QTableWidget* grid, int column) {
    // A wrapping grid measures its texts at the column's width: one line is what must fit.
    grid->setWordWrap(false);
    const QAbstractItemView* view = grid;
    const int needed = std::max(view->sizeHintForColumn(column), grid->horizontalHeader()->sectionSizeHint(column));
    if (needed > grid->columnWidth(column)) grid->setColumnWidth(column, needed);
}

int shownColumnsWidth(const QTableWidget* grid) {
    int width = 0;
    for (int c = 0; c < grid->columnCount(); ++c)
        if (!grid->isColumnHidden(c)) width += grid->columnWidth(c);
    return width;
}

}  // namespace ui
