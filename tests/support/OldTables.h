#pragma once
// Writes the predecessor's seven tables in the layout src/store/OldTables.md describes, with the
// engine, so the upgrade is tested on files of the old shape.
#include <QString>

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// Field name (as in the layout) -> value as stored ("T", "20240131", "12.50"); the key "*" marks the
// record deleted. Texts are written in Windows-1252.
using OldRow = std::map<std::string, QString>;
// Old file name (as store::OldTables() lists it) -> its records.
using OldData = std::map<QString, std::vector<OldRow>>;

// Two groups, one label stock, three products, three customers, two invoices with three lines (one
// of them for a product code the product table lacks), one payment.
OldData SampleOldData();

// Writes every old table into dir, empty where data has no records. upperCase: the file names in
// capitals, as another system may have left them.
void WriteOldTables(const QString& dir, const OldData& data, bool upperCase = false);

}  // namespace testing_support
