// A power cut at every changing call of an invoice save: after the restart every table opens, the
// invoice is wholly as it was or wholly as saved (in the tables and through their orders), and a save
// the program confirmed is kept.
#include "InvoiceFixture.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <map>

#include "invoicing/InvoiceStore.h"
#include "store/DataLocation.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/SaveJournal.h"
#include "store/TableHandles.h"

using namespace invoicing;
using invoice_test::InvoiceTablesTest;

namespace {

using Lines = std::vector<std::pair<QString, base::Decimal>>;  // product and quantity, sorted

class InvoicePowerCutTest : public InvoiceTablesTest {
protected:
    // The data directory as it stands, to start each cut from.
    std::map<std::string, QByteArray> snapshot() {
        store::EngineEnd();
        std::map<std::string, QByteArray> files;
        for (const QString& name : QDir(dataDir()).entryList(QDir::Files)) {
            QFile f(path(name));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            files[name.toStdString()] = f.readAll();
        }
        return files;
    }
    static std::unique_ptr<xbase::PowerCutFileSystem> restoreTo(const std::map<std::string, QByteArray>& files) {
        auto fs = xbase::newPowerCutFileSystem();
        for (const auto& [name, bytes] : files) {
            std::unique_ptr<xbase::File> f;
            // Where the engine looks for them: the run's data directory.
            const std::string where = store::DataFile(QString::fromStdString(name)).toStdString();
            EXPECT_TRUE(fs->create(where, xbase::Share::Exclusive, &f).ok());
            EXPECT_TRUE(f->write(0, bytes.constData(), size_t(bytes.size())).ok());
        }
        fs->syncAll();
        return fs;
    }
    // Invoice 1001's lines through the line order, checked against a walk of the records.
    static Lines linesOf1001() {
        Lines byOrder, byRecord;
        xbase::Table* t = store::ItmTable;
        store::SelectTag(t, store::TagId::Itm);
        for (int rc = t->seek(store::ToTableText(base::PadNumber(1001, 6))); rc == xbase::kOk; rc = t->skip(1)) {
            store::ItmBuffer b;
            store::ReadRecord(t, &b);
            if (b.IvNo != 1001) break;
            if (!t->isDeleted()) byOrder.push_back({b.PrID.trimmed(), b.Qty});
        }
        t->selectTag(nullptr);
        for (int rc = t->top(); rc == xbase::kOk; rc = t->skip(1)) {
            store::ItmBuffer b;
            store::ReadRecord(t, &b);
            if (b.IvNo == 1001 && !t->isDeleted()) byRecord.push_back({b.PrID.trimmed(), b.Qty});
        }
        std::sort(byOrder.begin(), byOrder.end());
        std::sort(byRecord.begin(), byRecord.end());
        EXPECT_EQ(byOrder, byRecord) << "the line order is behind its table";
        return byRecord;
    }
    // Edits invoice 1001 (record 1): two other lines, a payment, another note.
    static SaveResult saveChanged() {
        store::OpenInvoiceTables();
        load(1);
        setLines({line("INK-1", 5, 12.00), line("INK-1", 6, 12.00)});
        setPayments({payment("05/06/26", 10.00, 0.00, false)});
        store::CustRec.note = QStringLiteral("new note");
        return SaveInvoice();
    }
};

TEST_F(InvoicePowerCutTest, APowerCutAtAnyWriteLeavesTheInvoiceWholeOldOrWholeNew) {
    startNew();
    setLines({line("PEN-B", 1, 2.50), line("PEN-B", 2, 2.50), line("PEN-B", 3, 2.50)});
    dialogs->answerInput(QStringLiteral("1001"));
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    const std::map<std::string, QByteArray> before = snapshot();
    const Lines oldLines{{"PEN-B", 1.00_dec}, {"PEN-B", 2.00_dec}, {"PEN-B", 3.00_dec}};
    const Lines newLines{{"INK-1", 5.00_dec}, {"INK-1", 6.00_dec}};

    int calls = 0;
    {
        auto fs = restoreTo(before);
        store::EngineInit(fs.get());
        const int start = fs->steps();
        ASSERT_EQ(saveChanged().status, SaveStatus::Saved);
        calls = fs->steps() - start;
        store::EngineEnd();
    }
    ASSERT_GT(calls, 10);
    for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE("power cut at call " + std::to_string(nth) + " of " + std::to_string(calls));
        auto fs = restoreTo(before);
        store::EngineInit(fs.get());
        fs->cutAt(nth);
        const bool saved = saveChanged().status == SaveStatus::Saved;
        store::EngineEnd();
        fs->restore();

        // The restart: the start-up's steps, then the invoice command's opens. What the dead run
        // tried after the cut (and the exits its failed opens asked for) is behind us.
        exits = 0;
        store::EngineInit(fs.get());
        dialogs.reset();  // the old facade uninstalls itself first
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
        store::RebuildIndexes(true);
        EXPECT_TRUE(store::UndoInterruptedSave());
        ASSERT_TRUE(store::OpenInvoiceTables()) << dialogs->log().join('|').toStdString();
        EXPECT_EQ(exits, 0);
        const Lines lines = linesOf1001();
        EXPECT_TRUE(lines == oldLines || lines == newLines);
        if (saved) { EXPECT_EQ(lines, newLines) << "a confirmed save was lost"; }
        store::SelectTag(store::CustTable, store::TagId::CustNumber);
        ASSERT_EQ(store::CustTable->seek(store::ToTableText(base::PadNumber(7, 6))), xbase::kOk);
        store::ReadRecord(store::CustTable, &store::CustRec);
        EXPECT_EQ(store::CustRec.note.trimmed(), lines == newLines ? "new note" : "old note");
        store::EngineEnd();
        if (HasFailure()) return;
    }
}

}  // namespace
