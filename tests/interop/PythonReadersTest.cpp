// Tables the engine writes, read by dbfread; tables the dbf package writes, read by the engine.
// Both directions use one table of rows that covers every field type and the awkward values.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <string>
#include <vector>

#include "interop/InteropSupport.h"
#include "support/TestSupport.h"
#include "xbase/Engine.h"

namespace {

using interop::bytesAsChars;
using interop::charsAsBytes;

const std::vector<xbase::FieldDef> kFields = {
    {"NAME", 'C', 24, 0}, {"AMOUNT", 'N', 10, 2}, {"QTY", 'N', 7, 0},
    {"DAY", 'D', 8, 0},   {"PAID", 'L', 1, 0},    {"NOTES", 'M', 10, 0},
};
const char* const kPythonFields = "NAME C(24); AMOUNT N(10,2); QTY N(7,0); DAY D; PAID L; NOTES M";

struct Row {
    bool blank;        // appended and never written: every field blank
    std::string name;  // Windows-1252 bytes
    double amount;
    long qty;
    std::string day;   // YYYYMMDD, "" for no date
    char paid;         // 'T', 'F', or ' ' for never set
    std::string memo;  // "" for none
    bool deleted;
};

std::string memoOfLength(size_t n) {
    std::string text;
    for (int line = 1; text.size() < n; ++line) text += "line " + std::to_string(line) + " of a long memo\r\n";
    text.resize(n);
    return text;
}

// 510 bytes fill one 512-byte block with the two end marks; 511 push the second mark into the next.
const std::vector<Row> kRows = {
    {false, "M\xFCller & S\xF6hne", -1234.56, -12, "20240229", 'T', "Line one\r\nLine two\r\n\r\nLine four", false},
    {false, "Caf\xE9 \x93Z\xFCrich\x94 \x80" "5", 0.0, 0, "", 'F', memoOfLength(1500), false},
    {false, "\xC5ngstr\xF6m \xDF", 99999.99, 9999999, "19991231", ' ', memoOfLength(510), true},
    {true, "", 0, 0, "", ' ', "", false},
    {false, "Ni\xF1o", -0.01, -999999, "20000101", 'T', memoOfLength(511), false},
    {false, "memo ends in blanks", 12.5, 1, "20991231", 'F', "trailing blanks   ", false},
    {false, "after the deleted one", -100000.0, 42, "19000101", 'F', memoOfLength(3000), true},
};

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

class PythonReadersTest : public testing_support::DataDirTest {};

void writeWithEngine(const std::string& dir) {
    xbase::Context ctx(nullptr, dir);
    ctx.setAccessMode(1);
    xbase::Table* t = ctx.createTable("ENGINE", kFields);
    ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
    for (const Row& row : kRows) {
        ASSERT_EQ(t->appendBlank(), 0) << ctx.lastStatus().message;
        if (!row.blank) {
            ASSERT_EQ(t->field("NAME")->assignText(row.name), 0);
            ASSERT_EQ(t->field("AMOUNT")->assignDouble(row.amount), 0) << row.amount;
            ASSERT_EQ(t->field("QTY")->assignLong(row.qty), 0) << row.qty;
            ASSERT_EQ(t->field("DAY")->assignText(row.day), 0);
            if (row.paid != ' ') {
                ASSERT_EQ(t->field("PAID")->assignText(std::string(1, row.paid)), 0);
            }
            ASSERT_EQ(t->field("NOTES")->assignMemo(row.memo), 0) << ctx.lastStatus().message;
        }
        if (row.deleted) {
            ASSERT_EQ(t->markDeleted(), 0);
        }
    }
    ASSERT_EQ(t->close(), 0) << ctx.lastStatus().message;
}

// What dbfread must report for a row.
void expectReadByDbfread(const Row& row, const QJsonObject& v) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(charsAsBytes(v["NAME"].toString()), rtrim(row.name));
    if (row.blank) {
        for (const char* blank : {"AMOUNT", "QTY", "DAY", "PAID"}) {
            EXPECT_TRUE(v[blank].isNull()) << blank;
        }
    } else {
        EXPECT_DOUBLE_EQ(v["AMOUNT"].toDouble(), row.amount);
        EXPECT_EQ(v["QTY"].toInteger(), row.qty);
        if (row.day.empty()) {
            EXPECT_TRUE(v["DAY"].isNull());
        } else {
            EXPECT_EQ(v["DAY"].toString().toStdString(), row.day);
        }
        if (row.paid == ' ') {
            EXPECT_TRUE(v["PAID"].isNull());
        } else {
            EXPECT_EQ(v["PAID"].toBool(), row.paid == 'T');
        }
    }
    EXPECT_EQ(charsAsBytes(v["NOTES"].toString()), row.memo);  // null reads as ""
}

TEST_F(PythonReadersTest, DbfreadReadsWhatTheEngineWrites) {
    writeWithEngine(dataDir().toStdString());
    const interop::ProcessResult r = interop::runPythonScript("dbfread_dump.py", {path("ENGINE.dbf")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), qsizetype(kRows.size() + 1)) << r.out.toStdString();

    // The language byte must name Windows-1252, or dbfread cannot decode the accented names.
    const QJsonObject head = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(head["encoding"].toString(), QStringLiteral("cp1252"));
    const QJsonArray fields = head["fields"].toArray();
    ASSERT_EQ(fields.size(), qsizetype(kFields.size()));
    for (size_t i = 0; i < kFields.size(); ++i) {
        const QJsonArray f = fields[qsizetype(i)].toArray();
        EXPECT_EQ(f[0].toString().toStdString(), kFields[i].name);
        EXPECT_EQ(f[1].toString().toStdString(), std::string(1, kFields[i].type));
        EXPECT_EQ(f[2].toInt(), kFields[i].len);
        EXPECT_EQ(f[3].toInt(), kFields[i].dec);
    }

    // dbfread lists the live records, then the deleted ones, each in file order.
    std::vector<const Row*> expected;
    for (bool deleted : {false, true}) {
        for (const Row& row : kRows) {
            if (row.deleted == deleted) expected.push_back(&row);
        }
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        const QJsonObject record = QJsonDocument::fromJson(lines[qsizetype(i + 1)]).object();
        EXPECT_EQ(record["deleted"].toBool(), expected[i]->deleted);
        expectReadByDbfread(*expected[i], record["values"].toObject());
    }
}

QByteArray pythonInput() {
    QJsonArray rows;
    for (const Row& row : kRows) {
        QJsonObject values;
        if (row.blank) {
            for (const char* name : {"NAME", "AMOUNT", "QTY", "DAY", "PAID", "NOTES"}) values[name] = QJsonValue::Null;
        } else {
            values["NAME"] = bytesAsChars(row.name);
            values["AMOUNT"] = row.amount;
            values["QTY"] = qint64(row.qty);
            values["DAY"] = row.day.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(row.day));
            values["PAID"] = row.paid == ' ' ? QJsonValue(QJsonValue::Null) : QJsonValue(row.paid == 'T');
            values["NOTES"] = row.memo.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(bytesAsChars(row.memo));
        }
        rows.append(QJsonObject{{"values", values}, {"deleted", row.deleted}});
    }
    return QJsonDocument(QJsonObject{{"fields", kPythonFields}, {"rows", rows}}).toJson(QJsonDocument::Compact);
}

std::string padded(const std::string& s, size_t width) {
    std::string p = s;
    p.resize(width, ' ');
    return p;
}

TEST_F(PythonReadersTest, EngineReadsWhatTheDbfPackageWrites) {
    const interop::ProcessResult w = interop::runPythonScript("dbf_write.py", {path("PYDBF.dbf")}, pythonInput());
    ASSERT_EQ(w.exitCode, 0) << w.err.toStdString();

    xbase::Context ctx(nullptr, dataDir().toStdString());
    ctx.setAutoOpen(0);
    xbase::Table* t = ctx.openTable("pydbf");  // the file is PYDBF.dbf: found without regard to case
    ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
    ASSERT_EQ(t->recCount(), long(kRows.size()));
    ASSERT_EQ(t->fields().size(), kFields.size());
    for (size_t i = 0; i < kFields.size(); ++i) {
        const xbase::Field* f = t->fields()[i];
        EXPECT_EQ(f->name(), kFields[i].name);
        EXPECT_EQ(f->type(), kFields[i].type);
        EXPECT_EQ(f->length(), kFields[i].len);
        EXPECT_EQ(f->decimals(), kFields[i].dec);
    }
    for (size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        SCOPED_TRACE(row.name);
        ASSERT_EQ(t->go(long(i + 1)), 0) << ctx.lastStatus().message;
        EXPECT_EQ(t->isDeleted(), row.deleted);
        EXPECT_EQ(t->field("NAME")->text(), padded(row.name, 24));
        if (row.blank) {
            EXPECT_EQ(rtrim(t->field("AMOUNT")->text()), "");
            EXPECT_EQ(rtrim(t->field("QTY")->text()), "");
            EXPECT_EQ(t->field("AMOUNT")->asDouble(), 0.0);
        } else {
            EXPECT_DOUBLE_EQ(t->field("AMOUNT")->asDouble(), row.amount);
            EXPECT_EQ(t->field("QTY")->asLong(), row.qty);
        }
        EXPECT_EQ(t->field("DAY")->text(), row.day.empty() ? std::string(8, ' ') : row.day);
        EXPECT_EQ(t->field("PAID")->isTrue(), row.paid == 'T');
        if (row.paid == 'F') {
            EXPECT_EQ(t->field("PAID")->text(), "F");
        }
        EXPECT_EQ(t->field("NOTES")->memoText(), row.memo);
        EXPECT_EQ(ctx.errorCode(), 0) << ctx.lastStatus().message;
    }
}

}  // namespace
