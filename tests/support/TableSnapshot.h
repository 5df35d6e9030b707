#pragma once
// Every record of a table as text (deletion mark, each field's stored text, memo texts), and every
// order its tags give, read through a context of its own so the program's context is not disturbed:
// what a test compares to prove that a failed change left a table exactly as it was.
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

#include "xbase/Engine.h"

namespace testing_support {

inline QStringList tableRecords(const std::string& name) {
    xbase::Context context;
    context.setAutoOpen(0);
    QStringList records;
    xbase::Table* table = context.openTable(name);
    if (!table) return {QStringLiteral("<cannot open %1>").arg(QString::fromStdString(name))};
    for (long r = 1; r <= table->recCount(); ++r) {
        table->go(r);
        std::string line = table->isDeleted() ? "*" : " ";
        for (xbase::Field* field : table->fields())
            line += "|" + (field->type() == 'M' ? field->memoText() : field->text());
        records << QString::fromLatin1(line.c_str());
    }
    return records;
}

inline long tableCount(const std::string& name) { return tableRecords(name).size(); }

// The records, then the record numbers each tag holds: an entry missing or twice shows here. They are
// sorted, since records of equal keys may come back in another order when a change is undone.
inline QStringList tableSnapshot(const std::string& name) {
    QStringList snapshot = tableRecords(name);
    xbase::Context context;
    xbase::Table* table = context.openTable(name);
    if (!table) return snapshot << QStringLiteral("<cannot open tags>");
    for (xbase::Tag* tag : table->tags()) {
        table->selectTag(tag);
        std::vector<long> held;
        for (int rc = table->top(); rc == xbase::kOk; rc = table->skip(1)) held.push_back(table->recNo());
        std::sort(held.begin(), held.end());
        QString entries = QString::fromStdString(tag->name()) + QLatin1Char(':');
        for (long recNo : held) entries += QLatin1Char(' ') + QString::number(recNo);
        snapshot << entries;
    }
    return snapshot;
}

}  // namespace testing_support
