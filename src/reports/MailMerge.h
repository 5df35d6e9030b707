#pragma once
// The mail-merge file: the names and addresses of the customers of chosen groups, tab-delimited, in
// Windows-1252 with CR LF line ends, for a word processor's mail merge. The window command and
// corvane-report both write it through WriteMailMerge.
#include <QList>
#include <QString>

#include "store/RecordBuffers.h"

namespace reports {

// The header line (without its line end).
QString MailMergeHeader();
// One customer's line: eight fields with outer blanks cut. A tab or line break inside a field is
// written as a blank, so that every line keeps its eight columns and stays one line.
QString MailMergeLine(const store::CustBuffer& customer);

struct MailMergeResult {
    bool written = false;
    QString error;  // why the file could not be written (empty when written)
};

// Writes the file for the customers whose group is in groups, in postal-code order, with the status
// text and progress of the export. The file is written beside its target under a temporary name,
// readable by its owner only, and renamed over the target at the end: a failure (a full disk) leaves
// an earlier file of that name as it was. REQUIRES: CUST5 open; leaves the tag CZip selected.
MailMergeResult WriteMailMerge(const QString& fileName, const QList<int>& groups);

}  // namespace reports
