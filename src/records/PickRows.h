#pragma once
// What the pick lists show of a record: the cells of the grid rows (read through the table's record
// buffer, the deleted marker in place of one column), the side boxes, and the lines of the two
// list-box picks with their search. No widgets, so it is tested without windows.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "store/TableHandles.h"

namespace records {

// Markers of records marked deleted: the grids of customers and invoices, and the others.
inline constexpr const char* kDeletedSpaced = "< DELETED >";
inline constexpr const char* kDeletedTight = "<DELETED>";

// Cells of the record the table stands on, loaded into the record buffer (LoadCust ...).
QStringList CustomerCellsByName(xbase::Table* table);     // last, first, note
QStringList CustomerCellsByCompany(xbase::Table* table);  // company, last, first
QStringList ProductCells(xbase::Table* table);            // ID, description, price
QStringList InvoiceCells(xbase::Table* table);            // number, date, note
QStringList PurchaseCells(xbase::Table* table);           // product, date, quantity, total cost

// Side boxes, for the record of a row (0: no record, nullopt: leave the box as it is).
// The customer's group name (empty when the group is not found); needs CUST5 open, GROUPS optional.
std::optional<QString> CustomerGroupText(long recNo);
// The invoice's customer as "first last" (empty when not found); needs INV5 open, CUST5 optional.
std::optional<QString> InvoiceCustomerText(long recNo);

// The lines of a list-box pick, in tag order, deleted records included.
struct PickLines {
    QStringList texts;       // name as stored (padded to the field's width), "<DELETED>" after it
    QStringList upperNames;  // the names upper-cased, for the search
    std::vector<long> recNos;
};
PickLines GroupLines(xbase::Table* table);  // REQUIRES: tag CGroup selected
PickLines LabelLines(xbase::Table* table);  // REQUIRES: tag Labels selected
// The longest line of each in characters: the name field's width and the deleted marker.
int GroupLineLength();
int LabelLineLength();

// The line the group search selects for a typed text: nullopt when the list does not search (fewer than
// two lines), -1 when no name reaches the text, else the first line whose name, cut to the text's length,
// is not below the text in byte order.
std::optional<int> SearchLine(const QStringList& upperNames, const QString& typed);

// The record number of a line: the record that many steps after the first in tag order; 0 when the
// table has fewer records.
long RecNoOfLine(xbase::Table* table, int line);

}  // namespace records
