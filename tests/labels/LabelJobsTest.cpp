// The customers each label job chooses, from tables written for the case: which labels, how often, in
// which order, and what a batch file's bad lines come to.
#include <QDir>
#include <QFile>

#include "LabelFixture.h"
#include "labels/LabelJobs.h"

namespace labels_test {
namespace {

class LabelJobsTest : public LabelTest {
protected:
    static constexpr double kJune1 = 46174;  // 2026-06-01
    void SetUp() override {
        LabelTest::SetUp();
        addCustomer(7, "Seven", "30000", 1);
        addCustomer(8, "Eight", "10000", 2);
        addCustomer(9, "Nine", "20000", 2);
        // Customer 7 owes on three invoices of June, has paid a fourth and owes on one of May.
        addInvoice(1, 7, kJune1 + 1, 10);
        addInvoice(2, 7, kJune1 + 2, 20);
        addInvoice(3, 8, kJune1 + 3, 5);
        addInvoice(4, 7, kJune1 + 4, 30);
        addInvoice(5, 7, kJune1 + 5, 0);
        addInvoice(6, 7, kJune1 - 10, 40);
        addInvoice(7, 42, kJune1 + 6, 50);  // a customer no longer there
        addInvoice(8, 9, kJune1 + 40, 60);  // after the span
    }
};

TEST_F(LabelJobsTest, EachJobChoosesItsCustomersInItsOrder) {
    const double end = kJune1 + 29;
    const struct {
        const char* job;
        labels::LabelSelection selection;
        QStringList owners;
    } cases[] = {
        {"invoices dated: one per invoice", labels::InvoiceLabels(kJune1, end),
         {"Ann Seven", "Ann Seven", "Ann Eight", "Ann Seven", "Ann Seven"}},
        {"past due billing: one per owing invoice", labels::PastDueLabels(kJune1, end),
         {"Ann Seven", "Ann Seven", "Ann Eight", "Ann Seven"}},
        {"balance due statement: one per owing customer, by postal code", labels::StatementLabels(kJune1, end),
         {"Ann Eight", "Ann Seven"}},
        {"a span of May", labels::StatementLabels(kJune1 - 31, kJune1 - 1), {"Ann Seven"}},
        {"groups by postal code", labels::GroupLabels({2}), {"Ann Eight", "Ann Nine"}},
        {"no group chosen", labels::GroupLabels({}), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(owners(c.selection.blocks), c.owners) << c.job;
        EXPECT_EQ(c.selection.skippedLines, 0) << c.job;
    }
    const QStringList block = labels::InvoiceLabels(kJune1 + 3, kJune1 + 3).blocks.value(0);
    EXPECT_EQ(block, QStringList({"Ann Eight", "8 Main Street", "Springfield  10000", "", ""}));
}

TEST_F(LabelJobsTest, BatchLinesThatNameNoCustomerAreSkippedAndCounted) {
    QFile file(path("BATCHLAB.DAT"));  // found whatever the case of its name
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("     9\r\nnine\r\n    42\r\n     7\r\n\r\n     9\r\n-3\r\n     8");
    file.close();
    ASSERT_EQ(labels::FindBatchFile(), path("BATCHLAB.DAT"));
    const labels::LabelSelection s = labels::BatchLabels(labels::FindBatchFile());
    EXPECT_EQ(owners(s.blocks), QStringList({"Ann Nine", "Ann Seven", "Ann Nine", "Ann Eight"}));
    EXPECT_EQ(s.skippedLines, 3) << "\"nine\", 42 and -3; a blank line names no one and is no mistake";
    ASSERT_TRUE(QFile::remove(path("BATCHLAB.DAT")));
    EXPECT_TRUE(labels::FindBatchFile().isEmpty());
}

TEST_F(LabelJobsTest, BatchFilesReadAsTextWhateverTheMarkAndLineEndsOrSayWhyNot) {
    const struct {
        QByteArray bytes;  // empty: the name is a directory
        QStringList owners;
        QString unreadable;
    } cases[] = {
        {"\xEF\xBB\xBF     9\r     7\r\r", {"Ann Nine", "Ann Seven"}, ""},
        {"\n     8\n\n", {"Ann Eight"}, ""},
        {"", {}, "BatchLab.dat is not a regular file."},
    };
    for (const auto& c : cases) {
        QDir(path("BatchLab.dat")).removeRecursively();
        QFile::remove(path("BatchLab.dat"));
        if (c.bytes.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(path("BatchLab.dat")));
        } else {
            QFile file(path("BatchLab.dat"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        const labels::LabelSelection s = labels::BatchLabels(path("BatchLab.dat"));
        EXPECT_EQ(owners(s.blocks), c.owners);
        EXPECT_EQ(s.skippedLines, 0);
        EXPECT_EQ(s.unreadable, c.unreadable);
    }
}

}  // namespace
}  // namespace labels_test
