#include "support/OldTables.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "base/Cp1252.h"
#include "store/Catalogue.h"
#include "store/Upgrade.h"
#include "xbase/Engine.h"

namespace testing_support {
namespace {

// The old layouts: the fields the upgrade reads, in widths that hold the values the old system wrote.
// Groups and labels kept the program's own layouts.
std::vector<xbase::FieldDef> oldLayout(const QString& file) {
    const QString name = file.toLower();
    if (name == "cust2.dbf")
        return {{"CUNO", 'N', 6, 0},  {"NGROUP", 'N', 2, 0},    {"TITLE", 'C', 4, 0},  {"FIRST", 'C', 15, 0},
                {"LAST", 'C', 25, 0}, {"ADDR1", 'C', 40, 0},    {"ADDR2", 'C', 40, 0}, {"ADDR3", 'C', 40, 0},
                {"ADDR4", 'C', 40, 0}, {"ZIP", 'C', 10, 0},     {"COMMENTS", 'M', 10, 0}, {"NOTE", 'C', 60, 0}};
    if (name == "inv.dbf")
        return {{"IVNO", 'N', 6, 0},  {"CUNO", 'N', 6, 0},   {"IDATE", 'C', 8, 0},  {"IMEMO", 'C', 30, 0},
                {"REM", 'M', 10, 0},  {"SHIP", 'N', 10, 2},  {"TAX", 'N', 10, 2},   {"DUE", 'N', 11, 2}};
    if (name == "itm4.dbf")
        return {{"IVNO", 'N', 6, 0}, {"PRID", 'C', 10, 0}, {"ICOMM", 'C', 40, 0}, {"QTY", 'N', 9, 2},
                {"UPR", 'N', 10, 2}, {"LTAX1", 'L', 1, 0},  {"LTAX2", 'L', 1, 0}};
    if (name == "pmt.dbf") return {{"IVNO", 'N', 6, 0}, {"PDATE", 'D', 8, 0}, {"PAMT", 'N', 10, 2}};
    if (name == "prod4.dbf")
        return {{"PRID", 'C', 10, 0},  {"RCODE", 'C', 10, 0}, {"PDESC", 'C', 30, 0}, {"UPRICE", 'N', 10, 2},
                {"LTAX1", 'L', 1, 0},  {"LTAX2", 'L', 1, 0},  {"ICOMM", 'C', 30, 0}, {"PMEMO", 'M', 10, 0}};
    return store::FieldDefs(store::Table(name == "groups.dbf" ? store::TableKey::Groups : store::TableKey::Labels));
}

void writeTable(xbase::Context& context, const QString& dir, const QString& file, const std::vector<OldRow>& rows,
                bool upperCase) {
    const std::string stem = QString(file).remove(QStringLiteral(".dbf"), Qt::CaseInsensitive).toStdString();
    xbase::Table* table = context.createTable(stem, oldLayout(file));
    ASSERT_NE(table, nullptr) << file.toStdString() << ": " << context.lastStatus().message;
    for (const OldRow& row : rows) {
        ASSERT_EQ(table->appendBlank(), 0);
        for (const auto& [name, value] : row) {
            if (name == "*") {
                table->markDeleted();
                continue;
            }
            xbase::Field* field = table->field(name);
            ASSERT_NE(field, nullptr) << file.toStdString() << "." << name;
            const QByteArray bytes = base::Cp1252::fromUnicode(value);
            const int rc = field->type() == 'M' ? field->assignMemo(bytes.toStdString()) : field->assignText(bytes.toStdString());
            ASSERT_EQ(rc, 0) << file.toStdString() << "." << name << " = " << value.toStdString();
        }
    }
    ASSERT_EQ(table->close(), 0);
    if (!upperCase) return;
    for (const QString& entry : QDir(dir).entryList(QDir::Files))
        if (entry.section('.', 0, 0).compare(QString::fromStdString(stem), Qt::CaseInsensitive) == 0) {
            ASSERT_TRUE(QFile::rename(QDir(dir).filePath(entry), QDir(dir).filePath(entry.toUpper())));
        }
}

}  // namespace

OldData SampleOldData() {
    OldData d;
    d["Groups.dbf"] = {{{"NGROUP", "1"}, {"CGROUP", "Retail"}}, {{"NGROUP", "2"}, {"CGROUP", "Trade"}}};
    d["labels.dbf"] = {{{"NAME", "Avery 5160"}, {"WIDTH", "2.625"}, {"HEIGHT", "1"}, {"NACROSS", "3"}}};
    d["Prod4.dbf"] = {
        {{"PRID", "widget"}, {"RCODE", "W1"}, {"PDESC", "Blue widget"}, {"UPRICE", "12.50"}, {"LTAX1", "T"},
         {"LTAX2", "F"}, {"ICOMM", "per piece"}, {"PMEMO", "Keep dry"}},
        {{"PRID", "GADGET"}, {"PDESC", "Gadget"}, {"UPRICE", "0.10"}, {"LTAX2", "T"}},
        {{"PRID", "OLD"}, {"PDESC", "Withdrawn"}, {"*", ""}},
    };
    d["cust2.dbf"] = {
        {{"CUNO", "7"}, {"NGROUP", "1"}, {"TITLE", "Mrs"}, {"FIRST", "Jana"}, {"LAST", "Müller"},
         {"ADDR1", "Müller & Co"}, {"ADDR2", "1 Long Rd"}, {"ADDR3", "Unit 2"}, {"ADDR4", "Hamburg"},
         {"ZIP", "20095"}, {"COMMENTS", "Prefers mornings"}, {"NOTE", "Net 30"}},
        {{"CUNO", "8"}, {"NGROUP", "2"}, {"LAST", "Baker"}, {"ZIP", "10001"}},
    };
    d["inv.dbf"] = {
        {{"IVNO", "1001"}, {"CUNO", "7"}, {"IDATE", "19990215"}, {"IMEMO", "PO 77"}, {"REM", "  thanks  "},
         {"SHIP", "5.00"}, {"TAX", "1.25"}, {"DUE", "31.25"}},
        {{"IVNO", "1002"}, {"CUNO", "8"}, {"IDATE", "19991345"}, {"DUE", "0.10"}},  // a date that does not convert
    };
    d["itm4.dbf"] = {
        {{"IVNO", "1001"}, {"PRID", "WIDGET"}, {"ICOMM", "two"}, {"QTY", "2"}, {"UPR", "12.50"}, {"LTAX1", "T"}},
        {{"IVNO", "1002"}, {"PRID", "gadget"}, {"QTY", "1"}, {"UPR", "0.10"}, {"LTAX2", "T"}},
        {{"IVNO", "1002"}, {"PRID", "NOSUCH"}, {"QTY", "3"}, {"UPR", "1.00"}},
    };
    d["pmt.dbf"] = {{{"IVNO", "1001"}, {"PDATE", "19990301"}, {"PAMT", "31.25"}}};
    return d;
}

void WriteOldTables(const QString& dir, const OldData& data, bool upperCase) {
    xbase::Context context(nullptr, dir.toStdString());
    for (const QString& file : store::OldTables()) {
        const auto found = data.find(file);
        writeTable(context, dir, file, found == data.end() ? std::vector<OldRow>{} : found->second, upperCase);
    }
}

}  // namespace testing_support
