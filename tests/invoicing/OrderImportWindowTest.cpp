// The order import, export and batch label of the invoice window, and the import directories window,
// driven through the scripted facade on file pairs the tests write.
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

#include <map>

#include "InvoiceFixture.h"

#include "app/Forms.h"
#include "app/MainU.h"
#include "invoicing/ImportDirU.h"
#include "invoicing/InvoiceStore.h"
#include "invoicing/InvoiceU.h"
#include "records/PickGroupU.h"
#include "support/TableSnapshot.h"
#include "ui/DriveDirU.h"

using namespace invoicing;

namespace {

// What the group pick is to do during an import.
enum class Group { NotAsked, Choose, Cancel };

class OrderImportTest : public invoice_test::InvoiceTablesTest {
protected:
    void SetUp() override {
        InvoiceTablesTest::SetUp();
        app::CreateForms();
        store::SettingsRec.TaxRate1 = 0;
        store::SettingsRec.TaxRate2 = 0;
        infoDir = path("info");
        orderDir = path("orders");
        QDir().mkpath(infoDir);
        QDir().mkpath(orderDir);
        store::InfoDir = infoDir;
        store::OrderDir = orderDir;
        ASSERT_TRUE(store::SaveImportDirs().ok());
        ASSERT_EQ(store::GroupsTable->appendBlank(), 0);
        store::GroupRec = {3, QStringLiteral("Retail")};
        ASSERT_TRUE(store::StoreGroup().ok());
        addProduct("SHIRTB", "Blue shirt", 20.00_dec);
        addProduct("SHIRTR", "Red shirt", 20.00_dec);
    }
    void TearDown() override {
        app::DestroyForms();
        InvoiceTablesTest::TearDown();
    }

    // An info line of count fields, each quoted: a buyer at home ("US"), paying by cheque, no tax,
    // 4.50 shipping; changes replace fields by number.
    static QByteArray infoLine(const std::map<int, QString>& changes = {}, int count = 32) {
        QStringList f(count);
        const std::map<int, QString> defaults = {
            {4, "Ms"},        {5, "Ada"},     {6, "Okafor"},        {7, "1 Elm Road"},      {10, "Springfield"},
            {11, "IL"},       {12, "62701"},  {13, "US"},           {14, "ada@example.com"}, {15, "555"},
            {16, "0100"},     {17, "rings"},  {18, "twice"},        {19, "555-0199"},        {20, "Web order 77"},
            {21, "CHECK"},    {30, "0"},      {31, "4.50"}};
        for (const auto& [n, text] : defaults)
            if (n < count) f[n] = text;
        for (const auto& [n, text] : changes) f[n] = text;
        for (QString& field : f) field = '"' + field + '"';
        return f.join(',').toLatin1();
    }
    static QByteArray orderLine(const QString& code, const QString& desc, const QString& price, const QString& qty,
                                const QString& comment = QString()) {
        return QStringLiteral(R"("1","%1","%2","%3","%4","","","%5")").arg(code, desc, price, qty, comment).toLatin1();
    }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    void writePair(const QString& name, const QByteArray& info, const QList<QByteArray>& lines) {
        write(infoDir + '/' + name, info + "\r\n");
        QByteArray order;
        for (const QByteArray& l : lines) order += l + "\r\n";
        write(orderDir + '/' + name, order);
    }
    // Shows a new invoice, imports the pair name through the open dialog (an empty name: the dialog is
    // not expected), answers the group pick, runs then, and closes the window without saving.
    void importOrder(const QString& name, Group group = Group::NotAsked,
                     const std::function<void(TInvoice&)>& then = {}) {
        store::CurInvoiceRec = 0;
        dialogs->onModal<TInvoice>([&](TInvoice& w) {
            if (!name.isEmpty()) dialogs->answerOpenFile(infoDir + '/' + name);
            if (group != Group::NotAsked) pickGroup(group == Group::Choose);
            w.BtnImport->click();
            if (then) then(w);
            if (w.isVisible() && w.hasUnsavedChanges()) dialogs->answer(base::Answer::Yes);  // discard
            if (w.isVisible()) QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
        });
        base::dialogs().showModal(app::Form<TInvoice>());
    }
    // The group pick: the first (only) group, or Cancel.
    void pickGroup(bool choose) {
        dialogs->onModal<records::TPickGroup>([choose](records::TPickGroup& pick) {
            if (!choose) return QTest::mouseClick(pick.BtnCancel, Qt::LeftButton);
            QTest::mouseClick(pick.ListBox1->viewport(), Qt::LeftButton, {},
                              pick.ListBox1->visualItemRect(pick.ListBox1->item(0)).center());
            QTest::mouseClick(pick.BtnSelect, Qt::LeftButton);
        });
    }
    static store::CustBuffer storedCustomer(long recNo) {
        store::CustBuffer c;
        store::CustTable->go(recNo);
        store::ReadRecord(store::CustTable, &c);
        return c;
    }
    static QString cell(const TInvoice& w, int row, int column) {
        const QTableWidgetItem* item = w.StringGrid1->item(row, column);
        return item ? item->text().trimmed() : QString();
    }
    // The messages shown, without the question that closing a window with an import in it asks.
    QStringList shown() const {
        QStringList texts = dialogs->messages();
        texts.removeAll(QStringLiteral("Discard your changes?"));
        return texts;
    }
    // Every file of the data directory, byte for byte.
    std::map<QString, QByteArray> dataFiles() const {
        std::map<QString, QByteArray> files;
        for (const QString& name : QDir(dataDir()).entryList(QDir::Files)) {
            QFile file(path(name));
            if (file.open(QIODevice::ReadOnly)) files[name] = file.readAll();
        }
        return files;
    }

    QString infoDir, orderDir;
};

TEST_F(OrderImportTest, AddressLinesFollowTheBlankStreetsAndTheCountry) {
    const struct {
        std::map<int, QString> fields;
        QStringList address;  // addr1 to addr4 as stored
        QStringList messages;
    } cases[] = {
        {{{7, "  "}, {8, ""}, {9, " "}, {13, "CA"}}, {"Springfield, IL", "CA", "", ""}, {}},
        {{{7, "1 Elm Road"}, {8, "Flat 2"}, {9, "Back door"}, {13, "CA"}},
         {"1 Elm Road", "Flat 2", "Back door", "Springfield, IL"},
         {"Could not import full address: Country = CA"}},
        {{{8, " Unit 4"}}, {"1 Elm Road", " Unit 4", "Springfield, IL", ""}, {}},  // kept untrimmed
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString name = QStringLiteral("ADDR%1.TXT").arg(++n);
        auto fields = c.fields;
        fields[12] = QStringLiteral("9000%1").arg(n);  // each its own customer
        writePair(name, infoLine(fields), {orderLine("PEN-B", "Pen", "2.50", "1")});
        const int before = int(shown().size());
        importOrder(name, Group::Choose);
        EXPECT_EQ(shown().mid(before), c.messages) << n;
        const store::CustBuffer stored = storedCustomer(store::CustTable->recCount());
        EXPECT_EQ((QStringList{base::TrimRight(stored.addr1), base::TrimRight(stored.addr2),
                               base::TrimRight(stored.addr3), base::TrimRight(stored.addr4)}),
                  c.address)
            << n;
        EXPECT_EQ(stored.ngroup, 3);
        EXPECT_EQ(stored.phone.trimmed(), "555 0100");
        EXPECT_EQ(stored.note.trimmed(), "rings twice");
    }
}

TEST_F(OrderImportTest, NoteCardMemoChargesAndTaxMarksComeFromTheInfoLine) {
    const struct {
        std::map<int, QString> fields;
        QString memo, note, ship, tax, flags;
    } cases[] = {
        {{{20, "Leave at door, ring twice"}, {21, "CREDIT"}, {23, "1234"}, {24, "09"}, {25, "03"},
          {26, "Web"}, {27, "Gift wrap"}, {30, "1.25"}},
         "1234 x09/03",
         "Leave at door, ring twice\r\nNOTE1.TXT\r\nSource: Web\r\nGift wrap\r\n\r\nTHANKS FOR YOUR ORDER.\r\n\r\n"
         "ALL DAMAGES AND SHORTAGES MUST BE REPORTED WITHIN 5 DAYS OF RECEIPT.",
         "4.50", "1.25", "ft"},
        {{{21, "CHECK 1042"}, {31, "0.00"}},
         "CHECK 1042",
         "Web order 77\r\nNOTE2.TXT\r\n\r\nTHANKS FOR YOUR ORDER.\r\n\r\n"
         "ALL DAMAGES AND SHORTAGES MUST BE REPORTED WITHIN 5 DAYS OF RECEIPT.",
         "0.00", "0.00", "ff"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString name = QStringLiteral("NOTE%1.TXT").arg(++n);
        writePair(name, infoLine(c.fields), {orderLine("PEN-B", "Pen", "2.50", "2"), orderLine("INK-1", "Ink", "12", "1")});
        importOrder(name, Group::Cancel, [&](TInvoice& w) {
            EXPECT_EQ(w.Edit3->text(), c.memo);
            EXPECT_EQ(store::InvRec.REM, c.note);
            EXPECT_EQ(w.MaskEdit3->text().trimmed(), c.ship) << "not recomputed";
            EXPECT_EQ(w.MaskEdit4->text().trimmed(), c.tax);
            for (int row : {0, 1}) EXPECT_TRUE(cell(w, row, 4).endsWith(c.flags)) << cell(w, row, 4).toStdString();
            EXPECT_EQ(cell(w, 0, 3), "2.00");
            EXPECT_EQ(store::ItemRows[0][2], "     2.50") << "%9.2f";
            EXPECT_EQ(w.Edit1->text(), "     1");
            EXPECT_TRUE(w.Memo1->toPlainText().isEmpty()) << "no group, no customer";
            EXPECT_EQ(store::InvRec.CuNo, 0);
        });
    }
    EXPECT_EQ(dialogs->log().filter("OpenFile").size(), 2);
    const auto& events = dialogs->events();
    const auto open = std::find_if(events.begin(), events.end(), [](const auto& e) {
        return e.call == testing_support::ScriptedDialogs::Call::OpenFile;
    });
    ASSERT_NE(open, events.end());
    EXPECT_EQ(open->text, infoDir + '/') << "the open dialog starts in the info directory";
    EXPECT_EQ(store::CustTable->recCount(), 1) << "no group chosen: no customer made";
}

TEST_F(OrderImportTest, StoredCustomerMatchesOnNameAndZipTheFirstOfTwoWithAWarning) {
    addCustomer(20, "Okafor", "Ada", "62701");
    addCustomer(21, "OKAFOR", "ADA ", " 62701");
    writePair("TWO.TXT", infoLine(), {orderLine("PEN-B", "Pen", "2.50", "1")});
    importOrder("TWO.TXT", Group::NotAsked, [&](TInvoice& w) {
        EXPECT_EQ(store::InvRec.CuNo, 20);
        EXPECT_TRUE(w.Memo1->toPlainText().contains("12 Harbour Street")) << w.Memo1->toPlainText().toStdString();
    });
    EXPECT_EQ(shown(), QStringList{"Multiple Matches on Name / Zip"});
    EXPECT_EQ(dialogs->log().filter("TPickGroup").size(), 0);
    EXPECT_EQ(store::CustTable->recCount(), 3);
}

TEST_F(OrderImportTest, SameNameOtherZipMakesANewCustomerInTheChosenGroup) {
    // The fixture's Ada Okafor has no postal code.
    writePair("NEW.TXT", infoLine(), {orderLine("PEN-B", "Pen", "2.50", "1")});
    importOrder("NEW.TXT", Group::Choose, [&](TInvoice& w) {
        EXPECT_EQ(store::InvRec.CuNo, 1) << "the smallest free number";
        EXPECT_TRUE(w.Memo1->toPlainText().contains("1 Elm Road"));
        EXPECT_EQ(w.Edit4->text(), "rings twice");
    });
    ASSERT_EQ(store::CustTable->recCount(), 2) << "made even though the invoice was not saved";
    const store::CustBuffer made = storedCustomer(2);
    EXPECT_EQ(made.cuno, 1);
    EXPECT_EQ(made.ngroup, 3);
    EXPECT_EQ(made.zip.trimmed(), "62701");
    EXPECT_EQ(made.email.trimmed(), "ada@example.com");
}

TEST_F(OrderImportTest, ANewCustomerTheTableRefusesIsReportedAndNotTaken) {
    writePair("FAIL.TXT", infoLine(), {orderLine("PEN-B", "Pen", "2.50", "1")});
    faults->failWrite(1);
    importOrder("FAIL.TXT", Group::Choose, [&](TInvoice& w) {
        EXPECT_EQ(store::InvRec.CuNo, 0);
        EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
        EXPECT_EQ(cell(w, 0, 0), "PEN-B") << "the imported invoice stays";
    });
    ASSERT_EQ(shown().size(), 1);
    EXPECT_TRUE(shown()[0].startsWith("The new customer could not be saved")) << shown()[0].toStdString();
    EXPECT_EQ(testing_support::tableRecords("CUST5").filter(QRegularExpression("^ ")).size(), 1) << "no live record";
}

TEST_F(OrderImportTest, ProductsMatchWithTheCommentLetterOrAreReported) {
    writePair("PROD.TXT", infoLine(),
              {orderLine("SHIRT", "Shirt", "19.99", "2", "Red"), orderLine("pen-b ", "Pen", "3.00", "1"),
               orderLine("NOPE", "Mystery item", "1.00", "1"), orderLine("SHIRT", "Shirt", "19.99", "1"),
               orderLine("SHIRT", "Shirt", "19.99", "1", " green")});
    importOrder("PROD.TXT", Group::Cancel, [&](TInvoice& w) {
        const QStringList codes = {cell(w, 0, 0), cell(w, 1, 0), cell(w, 2, 0), cell(w, 3, 0), cell(w, 4, 0)};
        EXPECT_EQ(codes, (QStringList{"SHIRTR", "PEN-B", "NOPE", "SHIRT", "SHIRT"}));
        EXPECT_EQ(cell(w, 0, 1), "Red shirt");
        EXPECT_EQ(cell(w, 0, 2), "19.99") << "the order's price stays";
        EXPECT_EQ(cell(w, 1, 1), "Ballpoint pen");
        EXPECT_EQ(cell(w, 2, 1), "Mystery item");
    });
    EXPECT_EQ(shown(), (QStringList{"Item NOPE - Mystery itemNOT FOUND IN PRODUCT DATABASE",
                                                "Item SHIRT - ShirtNOT FOUND IN PRODUCT DATABASE",
                                                "Item SHIRTG - ShirtNOT FOUND IN PRODUCT DATABASE"}));
    EXPECT_EQ(dialogs->log().filter("Warning Ok: Item").size(), 3);
}

TEST_F(OrderImportTest, DamagedPairsAreRefusedWholeAndLeaveEverythingAsItWas) {
    const QByteArray good = orderLine("PEN-B", "Pen", "2.50", "1");
    const struct {
        QString name;
        QByteArray info;
        QByteArray order;  // "-": no order file
        QString message;
    } cases[] = {
        {"SHORT.TXT", infoLine({}, 31), good,
         "Info file SHORT.TXT, line 1: field 31 (shipping amount) is missing; the line has 31 fields."},
        {"SEVEN.TXT", infoLine(), good + "\r\n\"1\",\"PEN-B\",\"Pen\",\"2.50\",\"1\",\"\",\"\"",
         "Order file SEVEN.TXT, line 2: field 7 (comment) is missing; the line has 7 fields."},
        {"PRICE.TXT", infoLine(), orderLine("PEN-B", "Pen", "12,x", "1"),
         "Order file PRICE.TXT, line 1: field 3 (unit price) \"12,x\" is not a number."},
        {"TAX.TXT", infoLine({{30, ""}}), good, "Info file TAX.TXT, line 1: field 30 (tax amount) \"\" is not a number."},
        {"EMPTY.TXT", "", good, "Info file EMPTY.TXT is empty."},
        {"NOLINES.TXT", infoLine(), "\r\n", "Order file NOLINES.TXT has no order lines."},
        {"LOST.TXT", infoLine(), "-", "ORDERS/LOST.TXT Not Found"},
    };
    const auto before = dataFiles();
    for (const auto& c : cases) {
        write(infoDir + '/' + c.name, c.info);
        if (c.order != "-") write(orderDir + '/' + c.name, c.order);
        importOrder(c.name, Group::NotAsked, [&](TInvoice& w) {
            EXPECT_EQ(w.Edit1->text(), "     1");
            EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
            EXPECT_TRUE(w.Edit3->text().isEmpty());
            EXPECT_TRUE(w.Memo2->toPlainText().isEmpty());
            EXPECT_TRUE(cell(w, 0, 0).isEmpty());
            EXPECT_FALSE(w.hasUnsavedChanges()) << "a blank invoice";
        });
        QString expected = c.message;
        expected.replace("ORDERS", orderDir);
        EXPECT_EQ(shown().value(shown().size() - 1), expected);
    }
    EXPECT_EQ(shown().size(), std::size(cases)) << dialogs->log().join('\n').toStdString();
    EXPECT_EQ(dialogs->log().filter("TPickGroup").size(), 0);
    EXPECT_TRUE(dataFiles() == before) << "no table changed";
}

TEST_F(OrderImportTest, DirectoriesMustBeSetAndASavedInvoiceIsNeverImportedOver) {
    store::InfoDir = "ab";
    ASSERT_TRUE(store::SaveImportDirs().ok());
    importOrder(QString());  // the scripted facade fails the test if the open dialog is shown
    EXPECT_EQ(dialogs->messages(), QStringList{"Directories containing Info and Order files must be selected proir "
                                               "to using the Import function. See Preferences/Import Dir's"});

    startNew();
    setLines({line("PEN-B", 1, 2.5)});
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    store::CurInvoiceRec = 1;
    dialogs->onModal<TInvoice>([&](TInvoice& w) {
        EXPECT_FALSE(w.BtnImport->isEnabled());
        w.BtnImport->click();
        EXPECT_EQ(cell(w, 0, 0), "PEN-B");
        QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
    });
    base::dialogs().showModal(app::Form<TInvoice>());

    // Work typed into a new invoice is not thrown away unasked.
    store::CurInvoiceRec = 0;
    dialogs->onModal<TInvoice>([&](TInvoice& w) {
        w.Edit3->setFocus();
        QTest::keyClicks(w.Edit3, "typed");
        dialogs->answer(base::Answer::No);
        w.BtnImport->click();
        EXPECT_EQ(w.Edit3->text(), "typed");
        dialogs->answer(base::Answer::Yes);
        QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
    });
    base::dialogs().showModal(app::Form<TInvoice>());
    EXPECT_EQ(dialogs->log().filter("Confirmation YesNo/No: Discard your changes?").size(), 2);
}

TEST_F(OrderImportTest, ExportWritesTheCardRecordOwnerOnlyAndAsksToAppend) {
    const mode_t oldMask = ::umask(022);
    addCustomer(42, "Okafor", "Ada", "62701");
    writePair("CARD.TXT", infoLine({{21, "CREDIT"}, {23, "1234 5678"}, {24, "09"}, {25, "03"}, {30, "1.25"}}),
              {orderLine("INK-1", "Ink", "12.50", "2")});
    const QByteArray record = R"("C1","","","12345678","0309","30.75","","","","","","","","","","","","","","","","")"
                              "\r\n";
    importOrder("CARD.TXT", Group::NotAsked, [&](TInvoice& w) {
        EXPECT_EQ(w.MaskEdit5->text().trimmed(), "30.75");
        w.BtnExport->click();  // a new file: no question
        struct stat made {};
        ASSERT_EQ(::stat("Batchin.dat", &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0600u) << "created owner-only under umask 022";
        ASSERT_TRUE(QFile::setPermissions("Batchin.dat", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                             QFileDevice::ReadGroup | QFileDevice::ReadOther));
        dialogs->answer(base::Answer::Yes);
        w.BtnExport->click();
        dialogs->answer(base::Answer::No);
        w.BtnExport->click();
        w.BtnBatchLab->click();
        dialogs->answer(base::Answer::Yes);
        w.BtnBatchLab->click();
    });
    ::umask(oldMask);
    QFile batchin(path("Batchin.dat"));
    ASSERT_TRUE(batchin.open(QIODevice::ReadOnly));
    EXPECT_EQ(batchin.readAll(), record) << "No replaced the file with the one record";
    struct stat info {};
    ASSERT_EQ(::stat(path("Batchin.dat").toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a replaced file is owner-only too";
    QFile labels(path("BatchLab.dat"));
    ASSERT_TRUE(labels.open(QIODevice::ReadOnly));
    EXPECT_EQ(labels.readAll(), "    42\r\n    42\r\n");
    ASSERT_EQ(::stat(path("BatchLab.dat").toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "every export is created owner-only";
    EXPECT_EQ(dialogs->log().filter("Confirmation YesNo: APPEND RECORD TO FILE? Batchin.dat").size(), 2);
    EXPECT_EQ(dialogs->log().filter("Confirmation YesNo: APPEND ADDRESS TO FILE? BatchLab.dat").size(), 1);
    for (const QString& message : dialogs->messages()) EXPECT_FALSE(message.contains("1234")) << "no card number shown";
}

TEST_F(OrderImportTest, RefusedExportAndBatchLabelWriteNothing) {
    write(path("Batchin.dat"), "kept\r\n");
    store::CurInvoiceRec = 0;
    dialogs->onModal<TInvoice>([&](TInvoice& w) {
        for (const QString& typed : {QString(), QStringLiteral("Cheque 1042")}) {
            w.Edit3->setText(typed);
            w.BtnExport->click();
        }
        w.BtnBatchLab->click();
        dialogs->answer(base::Answer::Yes);  // discard
        QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
    });
    base::dialogs().showModal(app::Form<TInvoice>());
    EXPECT_EQ(shown(), (QStringList{"Improperly Formatted Credit Card Information",
                                                "Improperly Formatted Credit Card Information",
                                                "Customer Not Selected"}));
    QFile batchin(path("Batchin.dat"));
    ASSERT_TRUE(batchin.open(QIODevice::ReadOnly));
    EXPECT_EQ(batchin.readAll(), "kept\r\n");
    EXPECT_FALSE(QFile::exists(path("BatchLab.dat")));
}

TEST_F(OrderImportTest, DirectoriesTheTableRefusesKeepTheWindowOpenWithWhatWasTyped) {
    app::Form<app::TMain>()->BtnDirectories->click();
    TImportdir* dirs = app::Form<TImportdir>();
    dirs->Edit2->selectAll();
    QTest::keyClicks(dirs->Edit2, "/srv/orders");
    faults->failWrite(1);
    QTest::mouseClick(dirs->BSave, Qt::LeftButton);
    EXPECT_TRUE(dirs->isVisible());
    EXPECT_EQ(dirs->Edit2->text(), "/srv/orders");
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages()[0].startsWith("The import directories could not be saved"));
    QTest::mouseClick(dirs->BCancel, Qt::LeftButton);
    EXPECT_FALSE(dirs->isVisible());
    store::LoadImportDirs();
    EXPECT_EQ(store::OrderDir, orderDir);
}

TEST_F(OrderImportTest, PreferenceSetsTheDirectoriesThenAnImportIsSavedWithItsLinesAndNote) {
    const QString newInfo = path("in2");
    const QString newOrders = path("out2");
    QDir().mkpath(newInfo);
    QDir().mkpath(newOrders);
    app::Form<app::TMain>()->BtnDirectories->click();
    TImportdir* dirs = app::Form<TImportdir>();
    ASSERT_TRUE(dirs->isVisible());
    EXPECT_FALSE(dirs->isModal());
    EXPECT_EQ(dirs->windowTitle(), "Import Directories");
    EXPECT_EQ(dirs->Edit1->text(), infoDir);
    const struct {
        QPushButton* browse;
        const char* caption;
        QString chosen;  // empty: cancelled
    } browses[] = {{dirs->BInfo, "Choose Customer Info Directory", QString()},
                   {dirs->BInfo, "Choose Customer Info Directory", newInfo},
                   {dirs->BOrder, "Choose Order File Directory", newOrders}};
    for (const auto& b : browses) {
        dialogs->onModal<ui::TDriveDir>([&](ui::TDriveDir& chooser) {
            EXPECT_EQ(chooser.windowTitle(), b.caption);
            EXPECT_EQ(chooser.BtnOK->text(), "OK");
            if (b.chosen.isEmpty()) return QTest::mouseClick(chooser.BtnCancel, Qt::LeftButton);
            ASSERT_TRUE(chooser.setDirectory(b.chosen));
            QTest::mouseClick(chooser.BtnOK, Qt::LeftButton);
        });
        QTest::mouseClick(b.browse, Qt::LeftButton);
        if (b.chosen.isEmpty()) {
            EXPECT_EQ(dirs->Edit1->text(), infoDir) << "a cancelled chooser changes nothing";
        }
    }
    EXPECT_EQ(dirs->Edit2->text(), newOrders);
    QTest::mouseClick(dirs->BSave, Qt::LeftButton);
    EXPECT_FALSE(dirs->isVisible());
    const QStringList stored = testing_support::tableRecords("ImpDirs");
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored[0].contains("|" + newInfo + " ") && stored[0].contains("|" + newOrders + " "))
        << stored[0].toStdString();

    addCustomer(20, "Okafor", "Ada", "62701");
    infoDir = newInfo;
    orderDir = newOrders;
    writePair("ROAD.TXT", infoLine({{20, "Rush"}}), {orderLine("SHIRT", "Shirt", "19.99", "2", "red"),
                                                     orderLine("INK-1", "Ink", "12.00", "1")});
    store::CurInvoiceRec = 0;
    dialogs->onModal<TInvoice>([&](TInvoice& w) {
        dialogs->answerOpenFile(newInfo + "/ROAD.TXT", newInfo);
        w.BtnImport->click();
        // The dialog moved the process's directory; the tables stay where they are.
        EXPECT_EQ(QDir::currentPath(), QDir(newInfo).canonicalPath()) << "the program leaves the directory alone";
        EXPECT_TRUE(w.Memo1->toPlainText().contains("12 Harbour Street"));
        dialogs->answerInput("500");
        dialogs->answer(base::Answer::No);  // add another
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
    });
    base::dialogs().showModal(app::Form<TInvoice>());
    EXPECT_EQ(storedInvoices(), std::vector<long>{500});
    store::InvTable->go(1);
    store::LoadInv();
    EXPECT_EQ(store::InvRec.CuNo, 20);
    EXPECT_EQ(store::InvRec.Ship, 4.50_dec);
    EXPECT_EQ(store::InvRec.REM.split(QRegularExpression("\r?\n")),
              (QStringList{"Rush", "ROAD.TXT", "", "THANKS FOR YOUR ORDER.", "",
                           "ALL DAMAGES AND SHORTAGES MUST BE REPORTED WITHIN 5 DAYS OF RECEIPT."}));
    const auto lines = storedLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].prId, "SHIRTR");
    EXPECT_EQ(lines[0].qty, 2_dec);
    EXPECT_EQ(lines[1].prId, "INK-1");
    EXPECT_EQ(dialogs->messages(), QStringList{"Add another invoice?"});
}

}  // namespace
