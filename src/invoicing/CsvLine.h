#pragma once
// The comma-separated text files that orders arrive in: splitting one line into its fields and
// reading a file's lines the way every text of the program is read (Windows-1252).
#include <QString>
#include <QStringList>

namespace invoicing {

// The fields of one line, numbered from 0. A double quote switches quoting on or off and is dropped;
// a comma outside quotes ends a field; everything else, a comma inside quotes too, belongs to the
// field. Fields are not trimmed, so "a, b" gives "a" and " b"; an empty line gives one empty field.
// *lastField (when given) receives the number of the last field.
QStringList SplitCsvLine(const QString& line, int* lastField = nullptr);

// The lines of a text file in Windows-1252. A UTF-8 byte order mark at the start is dropped; CR LF
// and LF end a line alike, and a last line without its line end is a line. An empty file has no
// lines. False when the file cannot be read.
bool ReadTextLines(const QString& path, QStringList* lines);

}  // namespace invoicing
