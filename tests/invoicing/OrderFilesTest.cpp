// The order files' text rules without windows: splitting a line, reading a file's lines, and the card
// form the export reads back.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "invoicing/CsvLine.h"
#include "invoicing/OrderExport.h"

using namespace invoicing;

namespace {

TEST(OrderFilesTest, SplitCsvLineFollowsTheQuoteAndCommaRule) {
    const struct {
        QString line;
        QStringList fields;
    } cases[] = {
        {"", {""}},
        {"a,b,c", {"a", "b", "c"}},
        {"a, b ,c ", {"a", " b ", "c "}},  // not trimmed
        {",,", {"", "", ""}},
        {R"("Leave at door, ring twice",x)", {"Leave at door, ring twice", "x"}},
        {R"(ab"c,d"e,f)", {"abc,de", "f"}},       // quotes anywhere toggle and are dropped
        {R"("say ""hi""",z)", {"say hi", "z"}},   // a doubled quote disappears
        {R"("unclosed,x,y)", {"unclosed,x,y"}},   // to the end of the line inside quotes
        {R"("","")", {"", ""}},
    };
    for (const auto& c : cases) {
        int last = -7;
        EXPECT_EQ(SplitCsvLine(c.line, &last), c.fields) << c.line.toStdString();
        EXPECT_EQ(last, c.fields.size() - 1) << c.line.toStdString();
    }
}

TEST(OrderFilesTest, FileLinesReadAlikeWhateverTheLineEndsAndMark) {
    QTemporaryDir dir;
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"\xEF\xBB\xBF", {}},
        {"a,b\r\nc\r\n", {"a,b", "c"}},
        {"a,b\nc\n", {"a,b", "c"}},
        {"a,b\nc", {"a,b", "c"}},
        {"\xEF\xBB\xBF" "a\r\n\r\nb", {"a", "", "b"}},
        {"caf\xE9 \x80" "5\n", {QString::fromUtf8("café €5")}},  // Windows-1252
        {"a\rb\rc\r", {"a", "b", "c"}},                              // CR only
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"Zo\xC3\xAB M\xC3\xBCller", {QString::fromUtf8("Zoë Müller")}},  // UTF-8 without a mark
        {"\xEF\xBB\xBFZo\xC3\xAB\n", {QString::fromUtf8("Zoë")}},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath("lines.txt");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        QStringList lines{"stale"};
        EXPECT_EQ(ReadTextLines(path, &lines), "");
        EXPECT_EQ(lines, c.lines) << c.bytes.toHex().toStdString();
    }
}

// Files that would hang the import, exhaust the memory or store text the tables cannot hold.
TEST(OrderFilesTest, FilesThatCannotBeReadAsTextAreRefusedWithTheReason) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.txt"), device = dir.filePath("device.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", device));
    TextLimits small;
    small.maxBytes = 64;
    small.maxLines = 3;
    const struct {
        QString path;
        QByteArray bytes;  // written when the path is the plain file
        QString why;
    } cases[] = {
        {fifo, {}, "is not a regular file"},
        {device, {}, "is not a regular file"},
        {dir.filePath("missing.txt"), {}, "is not a regular file"},
        {dir.filePath("big.txt"), QByteArray(65, 'x'), "is larger than 64 bytes"},
        {dir.filePath("lines.txt"), "1\n2\n3\n4\n", "has more than 3 lines"},
        {dir.filePath("utf16.txt"), "\xFF\xFEZ\0o\0", "is UTF-16 text; save it as UTF-8 or Windows-1252"},
        {dir.filePath("omega.txt"), "a\nWatt \xCE\xA9\n", "line 2 holds \"\u03A9\", which cannot be stored"},
    };
    for (const auto& c : cases) {
        if (!c.bytes.isEmpty()) {
            QFile file(c.path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        QStringList lines{"stale"};
        EXPECT_EQ(ReadTextLines(c.path, &lines, small), c.why) << c.path.toStdString();
        EXPECT_TRUE(lines.isEmpty());
    }
    // The first line only: a huge file is not read past it.
    QFile huge(dir.filePath("huge.txt"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write("first\r" + QByteArray(1000, 'x'));
    huge.close();
    small.firstLineOnly = true;
    QStringList lines;
    EXPECT_EQ(ReadTextLines(huge.fileName(), &lines, small), "");
    EXPECT_EQ(lines, QStringList{"first"});
}

TEST(OrderFilesTest, CardFormGivesTheDigitsBeforeTheMonthAndTheExpiryYearFirst) {
    const struct {
        QString text;
        bool ok;
        QString number, expiry;
    } cases[] = {
        {"", false, "", ""},
        {"Cheque 1042", false, "", ""},
        {"1234 5678 x09/03", true, "12345678", "0309"},
        {"x9/03", true, "", "0309"},
        {"4111-1111 x9/03", true, "41111111", "0309"},
        {"1234 x09/3", true, "1234", "309"},   // one character after "/": a three-character expiry
        {"1234 x09/", true, "1234", "09"},
        {"1234 x09/2031", true, "1234", "2009"},  // two characters of the year only
        {"/03", true, "", "030"},              // nothing before the slash: the month is a lone 0
        {"12/03/04", true, "", "0312"},        // the first slash counts
    };
    for (const auto& c : cases) {
        QString number = "old", expiry = "old";
        EXPECT_EQ(ReadCardForm(c.text, &number, &expiry), c.ok) << c.text.toStdString();
        if (!c.ok) continue;
        EXPECT_EQ(number, c.number) << c.text.toStdString();
        EXPECT_EQ(expiry, c.expiry) << c.text.toStdString();
    }
}

TEST(OrderFilesTest, BatchRecordsAreTheFixedLayouts) {
    EXPECT_EQ(BatchinRecord("12345678", "0309", "27.50"),
              R"("C1","","","12345678","0309","27.50","","","","","","","","","","","","","","","","")");
    EXPECT_EQ(SplitCsvLine(BatchinRecord("1", "2", "3")).size(), 22);
    EXPECT_EQ(BatchLabLine(42), "    42");
    EXPECT_EQ(BatchLabLine(123456), "123456");
}

}  // namespace
