#pragma once
// Every record of a table as text (deletion mark, each field's stored text, memo texts), read through a
// context of its own so the program's context is not disturbed.
#include <QStringList>

#include <string>

#include "xbase/Engine.h"

namespace app_test {

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

}  // namespace app_test
