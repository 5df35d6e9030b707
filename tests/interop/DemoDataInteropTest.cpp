// What corvane-data --demo writes reads back through an independent reader (Debian's dbfread) with the
// values the record layer stored, field by field, in every table; and the tool keeps an existing
// data directory unless told to replace it.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/Format.h"
#include "interop/InteropSupport.h"
#include "store/Catalogue.h"
#include "store/RecordAccess.h"
#include "support/TestSupport.h"

using namespace store;

namespace {

QString dataToolPath() { return QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-data"); }

// The name a table's file has in dir (created names differ in case from the catalogue's).
QString tablePath(const QString& dir, const TableEntry& desc) {
    for (const QString& name : QDir(dir).entryList(QDir::Files))
        if (name.compare(QLatin1String(desc.fileName), Qt::CaseInsensitive) == 0) return QDir(dir).filePath(name);
    return {};
}

// Compares one field of the current record as the record layer reads it with dbfread's value.
void expectSameValue(const RecordAccess& r, const FieldEntry& f, const QJsonValue& v, const QString& where) {
    const QString at = where + QLatin1Char('.') + QLatin1String(f.name);
    switch (f.type) {
    case 'C': {
        // dbfread strips the padding blanks.
        QString stored = r.text(f.name);
        while (stored.endsWith(QLatin1Char(' '))) stored.chop(1);
        EXPECT_EQ(FromTableText(interop::charsAsBytes(v.toString())), stored) << at.toStdString();
        break;
    }
    case 'M': {
        const QString memo = r.memo(f.name);
        if (memo.isEmpty())
            EXPECT_TRUE(v.isNull()) << at.toStdString();
        else
            EXPECT_EQ(FromTableText(interop::charsAsBytes(v.toString())), memo) << at.toStdString();
        break;
    }
    case 'N':
        EXPECT_DOUBLE_EQ(v.toDouble(), r.asDouble(f.name)) << at.toStdString();
        break;
    case 'D':
        if (r.date(f.name) == 0)
            EXPECT_TRUE(v.isNull()) << at.toStdString();
        else
            EXPECT_EQ(v.toString(), base::DateToKey(r.date(f.name))) << at.toStdString();
        break;
    case 'L':
        EXPECT_EQ(v.toBool(), r.flag(f.name)) << at.toStdString();
        EXPECT_TRUE(v.isBool()) << at.toStdString() << ": stored neither T nor F";
        break;
    }
}

class DemoDataInteropTest : public testing_support::DataDirTest {};

TEST_F(DemoDataInteropTest, EveryDemoTableReadsBackThroughDbfread) {
    const interop::ProcessResult made = interop::runProcess(dataToolPath(), {QStringLiteral("--demo"), dataDir()});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

    xbase::Context context;
    for (const TableEntry& desc : Catalogue()) {
        const QString file = tablePath(dataDir(), desc);
        ASSERT_FALSE(file.isEmpty()) << desc.fileName;
        const interop::ProcessResult dump = interop::runPythonScript(QStringLiteral("dbfread_dump.py"), {file});
        ASSERT_EQ(dump.exitCode, 0) << desc.fileName << ": " << dump.err.toStdString();
        const QList<QByteArray> lines = dump.out.trimmed().split('\n');
        const QJsonObject head = QJsonDocument::fromJson(lines[0]).object();
        EXPECT_EQ(head["encoding"].toString(), QStringLiteral("cp1252")) << desc.fileName;
        const QJsonArray fields = head["fields"].toArray();
        ASSERT_EQ(fields.size(), qsizetype(desc.fields.size())) << desc.fileName;
        for (size_t i = 0; i < desc.fields.size(); ++i) {
            const QJsonArray f = fields[qsizetype(i)].toArray();
            EXPECT_EQ(f[0].toString(), QLatin1String(desc.fields[i].name));
            EXPECT_EQ(f[1].toString(), QString(QLatin1Char(desc.fields[i].type)));
            EXPECT_EQ(f[2].toInt(), desc.fields[i].len);
            EXPECT_EQ(f[3].toInt(), desc.fields[i].dec);
        }

        context.setAutoOpen(0);
        xbase::Table* table = context.openTable(desc.name);
        ASSERT_NE(table, nullptr) << desc.fileName;
        ASSERT_EQ(lines.size() - 1, qsizetype(table->recCount())) << desc.fileName;
        const RecordAccess r(table);
        for (long rec = 1; rec <= table->recCount(); ++rec) {
            ASSERT_EQ(table->go(rec), 0);
            const QJsonObject record = QJsonDocument::fromJson(lines[qsizetype(rec)]).object();
            EXPECT_FALSE(record["deleted"].toBool());
            const QJsonObject values = record["values"].toObject();
            const QString where = QStringLiteral("%1#%2").arg(QLatin1String(desc.name)).arg(rec);
            for (const FieldEntry& f : desc.fields) expectSameValue(r, f, values[QLatin1String(f.name)], where);
        }
        table->close();
    }
}

TEST_F(DemoDataInteropTest, ToolKeepsAnExistingDirectoryUnlessForced) {
    ASSERT_EQ(interop::runProcess(dataToolPath(), {dataDir()}).exitCode, 0);
    QFile cust(tablePath(dataDir(), Table(TableKey::Cust)));
    const qint64 emptySize = cust.size();

    const interop::ProcessResult refused = interop::runProcess(dataToolPath(), {QStringLiteral("--demo"), dataDir()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("--force")) << refused.err.toStdString();
    EXPECT_EQ(cust.size(), emptySize);

    const interop::ProcessResult forced = interop::runProcess(
        dataToolPath(), {QStringLiteral("--force"), QStringLiteral("--customers"), QStringLiteral("12"), dataDir()});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_GT(cust.size(), emptySize);

    EXPECT_EQ(interop::runProcess(dataToolPath(), {QStringLiteral("--bogus"), dataDir()}).exitCode, 2);
}

}  // namespace

// The support tool finds nothing to repair in what the data tool writes: headers, memo references and
// every tag agree with the tables.
TEST_F(DemoDataInteropTest, SupportToolChecksEveryDemoTableClean) {
    ASSERT_EQ(interop::runProcess(dataToolPath(), {QStringLiteral("--demo"), dataDir()}).exitCode, 0);
    for (const TableEntry& desc : Catalogue()) {
        const QString file = tablePath(dataDir(), desc);
        ASSERT_FALSE(file.isEmpty()) << desc.fileName;
        const interop::ProcessResult checked = interop::runDbTool({QStringLiteral("check"), file});
        EXPECT_EQ(checked.exitCode, 0) << desc.fileName << "\n" << checked.out.toStdString() << checked.err.toStdString();
        EXPECT_TRUE(checked.out.contains("OK")) << desc.fileName;
    }
}
