#pragma once
// Column widths of the grids that list records: a column whose texts must show whole (dates, codes,
// amounts) is widened to them rather than cut or wrapped.
class QTableWidget;

namespace ui {

// Widens the column, never narrows it, until its heading and every text it holds show whole on one
// line.
void fitColumnToContent(QTableWidget* grid, int column);
// The width of the grid's shown columns together.
int shownColumnsWidth(const QTableWidget* grid);

}  // namespace ui
