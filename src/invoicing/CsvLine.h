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

// How much of a text file is read, and how much it may hold.
struct TextLimits {
    qint64 maxBytes = 2 * 1024 * 1024;
    int maxLines = 5000;
    bool firstLineOnly = false;  // only the first line is read (then maxBytes bounds that line)
};

// The lines of a text file, as text. A file with a UTF-8 byte order mark, or one whose bytes are valid
// UTF-8 with some beyond ASCII, is UTF-8; any other is Windows-1252, the program's own set. CR LF, LF
// and CR end a line alike, and a last line without its line end is a line. An empty file has no
// lines. Only a regular file is opened (a pipe or a device would hang or never end). Empty when
// read, else why not, to follow the file's name ("is not a regular file", "is larger than 2 MB",
// "line 3 holds "Ω", which cannot be stored").
QString ReadTextLines(const QString& path, QStringList* lines, const TextLimits& limits = {});

}  // namespace invoicing
