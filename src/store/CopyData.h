#pragma once
// Moves a whole business between two data locations (a directory and a database server, either way):
// every table of the catalogue, record by record with its deleted mark, then its tags, and reads the
// copy back to prove it equals the source table by table, record by record and order by order.
#include <QString>

#include <functional>

namespace store {

// Called after each block of records: the table's file name, records done, records in the table.
using CopyProgress = std::function<void(const QString& table, long done, long total)>;

// Copies from into to. All or nothing: onto a server in one transaction; into a directory through a
// staging directory beside it whose files take their places only once all are written and read back.
// A location that already holds a business is refused unless replace is set. 0, or a negative engine
// code with *error saying what failed.
int CopyBusiness(const QString& from, const QString& to, bool replace, const CopyProgress& progress, QString* error);

}  // namespace store
