// The invoice window and its small windows driven through the scripted facade: numbering a first
// invoice, adding, editing and removing lines, payments with their included tax, the refusals, the
// tax definition window and the invoice command of the main window.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "InvoiceFixture.h"

#include "app/Forms.h"
#include "invoicing/DefTaxU.h"
#include "invoicing/InvoiceCommands.h"
#include "invoicing/InvoiceStore.h"
#include "invoicing/InvoiceU.h"
#include "invoicing/ItemDefU.h"
#include "invoicing/PickPmtU.h"
#include "invoicing/PmtDefU.h"
#include "records/PickCustU.h"
#include "records/PickInvU.h"
#include "records/PickProdU.h"
#include "reports/ReportU.h"
#include "reports/RptUtil.h"

using namespace base::literals;

using namespace invoicing;

namespace {

class InvoiceWindowTest : public invoice_test::InvoiceTablesTest {
protected:
    void SetUp() override {
        InvoiceTablesTest::SetUp();
        app::CreateForms();
        store::SettingsRec.ShipLine = QStringLiteral("GST");
        store::SettingsRec.TaxLine = QStringLiteral("PST");
        store::SettingsRec.TaxRate1 = 10;
        store::SettingsRec.TaxRate2 = 0;
        store::SettingsRec.GSTField = 1;
    }
    void TearDown() override {
        app::DestroyForms();
        InvoiceTablesTest::TearDown();
    }

    // Shows the invoice window on CurInvoiceRec and runs the steps inside it.
    void withInvoice(long recNo, std::function<void(TInvoice&)> steps) {
        store::CurInvoiceRec = recNo;
        dialogs->onModal<TInvoice>(std::move(steps));
        base::dialogs().showModal(app::Form<TInvoice>());
    }
    // Queues the choice of grid row `row` in a pick list.
    template <class Pick>
    void pickRow(int row) {
        dialogs->onModal<Pick>([row](Pick& pick) {
            pick.StringGrid1->setCurrentCell(row, 0);
            pick.StringGrid1DblClick();
        });
    }
    // The customer (the only one) and a line of the product at row (0 INK-1 12.00, 1 PEN-B 2.50).
    void chooseCustomer(TInvoice& w) {
        pickRow<records::TPickCust>(0);
        w.BtnCustClick();
    }
    void addLine(TInvoice& w, int productRow, const QString& quantity = QString()) {
        pickRow<records::TPickProd>(productRow);
        dialogs->onModal<TItemDef>([quantity](TItemDef& item) {
            if (!quantity.isEmpty()) {
                item.MaskEdit2->setText(quantity);
                item.MaskEdit2Exit();
            }
            item.BtnSaveClick();
        });
        w.BAddItmClick();
    }
    static QString cell(const TInvoice& w, int row, int column) {
        const QTableWidgetItem* item = w.StringGrid1->item(row, column);
        return item ? item->text() : QString();
    }
};

TEST_F(InvoiceWindowTest, FirstInvoiceIsNumberedByThePromptAndTheNextFollows) {
    withInvoice(0, [this](TInvoice& w) {
        EXPECT_EQ(w.Edit1->text(), "     1");  // the forecast
        EXPECT_EQ(w.DateTimePicker1->date(), QDate::currentDate());
        EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
        EXPECT_TRUE(cell(w, 0, 0).isEmpty());
        EXPECT_EQ(w.Label5->text(), "GST:");
        EXPECT_FALSE(w.BtnImport->isVisible());
        EXPECT_FALSE(w.BtnExport->isVisible());
        EXPECT_FALSE(w.BtnBatchLab->isVisible());
        chooseCustomer(w);
        EXPECT_TRUE(w.Memo1->toPlainText().contains("12 Harbour Street"));
        EXPECT_EQ(w.Edit4->text(), "old note");

        // A new line: quantity 1.00, the product's price as its total.
        pickRow<records::TPickProd>(1);
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            EXPECT_EQ(item.Edit1->text().trimmed(), "PEN-B");
            EXPECT_EQ(item.MaskEdit2->text(), "     1.00");
            EXPECT_EQ(item.MaskEdit1->text(), "    2.50");
            EXPECT_EQ(item.MaskEdit3->text(), "      2.50");
            item.BtnSaveClick();
        });
        w.BAddItmClick();
        EXPECT_EQ(cell(w, 0, 4), "      2.50 tf");
        EXPECT_EQ(w.MaskEdit3->text(), "      0.25");  // 10 % of the line
        EXPECT_EQ(w.MaskEdit5->text(), "      2.75");

        w.Edit4->setText(QStringLiteral("new note"));
        dialogs->answerInput(QStringLiteral("1001"));
        dialogs->answer(base::Answer::Yes);  // add another
        w.BtnSaveClick();
        EXPECT_EQ(w.Edit1->text(), "  1002");
        EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
        EXPECT_EQ(store::CurInvoiceRec, 0);
        w.BtnCancelClick();
    });
    EXPECT_EQ(dialogs->log().filter("Input").size(), 1);
    EXPECT_EQ(storedInvoices(), std::vector<long>{1001});
    store::CustTable->go(1);
    store::LoadCust();
    EXPECT_EQ(store::CustRec.note.trimmed(), "new note");
}

TEST_F(InvoiceWindowTest, SaveAndPrintWithoutCustomerAreRefused) {
    withInvoice(0, [this](TInvoice& w) {
        w.BtnSaveClick();
        w.BtnPrintClick();
        w.BtnCustEditClick();
        w.BtnCancelClick();
    });
    EXPECT_EQ(dialogs->messages(), (QStringList{"Customer selection required before saving.",
                                                "Customer must be selected to print", "Customer not selected"}));
    EXPECT_EQ(store::InvTable->recCount(), 0);
}

TEST_F(InvoiceWindowTest, CancelledItemAddsNothingButRecomputes) {
    withInvoice(0, [this](TInvoice& w) {
        chooseCustomer(w);
        addLine(w, 0);  // 12.00 subject to line 1
        w.MaskEdit3->setText(QStringLiteral("5.00"));
        w.MaskEdit3Exit();
        EXPECT_EQ(w.MaskEdit5->text(), "     17.00");
        pickRow<records::TPickProd>(1);
        dialogs->onModal<TItemDef>([](TItemDef& item) { item.BtnCancelClick(); });
        w.BAddItmClick();
        EXPECT_EQ(store::LastItemRow(), 0);
        EXPECT_EQ(w.MaskEdit3->text(), "      1.20");  // the typed amount is computed again
        EXPECT_EQ(w.MaskEdit5->text(), "     13.20");
        dialogs->answer(base::Answer::Yes);  // discard the changes
        w.BtnCancelClick();
    });
}

TEST_F(InvoiceWindowTest, RemovingTheMiddleLineKeepsTheOrderEditingKeepsTheProduct) {
    startNew();
    setLines({line("PEN-B", 1, 2.5), line("INK-1", 2, 12), line("PEN-B", 3, 2.5)});
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    withInvoice(1, [this](TInvoice& w) {
        w.StringGrid1->setCurrentCell(1, 0);
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            EXPECT_FALSE(item.Edit1->focusPolicy() & Qt::TabFocus);
            item.BtnDeleteClick();
        });
        w.BEditItmClick();
        EXPECT_EQ(cell(w, 0, 3).trimmed(), "1.00");
        EXPECT_EQ(cell(w, 1, 3).trimmed(), "3.00");
        EXPECT_TRUE(cell(w, 2, 0).isEmpty());

        w.StringGrid1->setCurrentCell(1, 0);
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            item.Edit2->setText(QStringLiteral("refill"));
            item.MaskEdit1->setText(QStringLiteral("4.00"));
            item.MaskEdit1Exit();
            EXPECT_EQ(item.MaskEdit3->text(), "     12.00");
            item.BtnSaveClick();
        });
        w.BEditItmClick();
        EXPECT_EQ(cell(w, 1, 0).trimmed(), "PEN-B");
        EXPECT_EQ(cell(w, 1, 1), "refill");
        EXPECT_EQ(w.MaskEdit2->text(), "     14.50");

        // A row below the last line opens nothing.
        w.StringGrid1->setCurrentCell(3, 0);
        w.StringGrid1DblClick();
        dialogs->answer(base::Answer::Yes);  // discard the changes
        w.BtnCancelClick();
    });
}

TEST_F(InvoiceWindowTest, PaymentIncludingTaxShowsItsTaxPart) {
    withInvoice(0, [this](TInvoice& w) {
        chooseCustomer(w);
        addLine(w, 0, QStringLiteral("10"));  // 120.00, line 1 = 12.00
        dialogs->onModal<TPmtDef>([](TPmtDef& p) {
            EXPECT_EQ(p.CheckBox1->text(), "GST Included");
            EXPECT_EQ(p.Label3->text(), "GST");
            EXPECT_TRUE(p.CheckBox1->isChecked());
            EXPECT_FALSE(p.BtnDelete->isEnabled());
            p.MaskEdit2->setText(QStringLiteral("110.00"));
            p.MaskEdit2Exit();
            EXPECT_EQ(p.MaskEdit1->text(), "    10.00");
            p.CheckBox1->setChecked(false);
            p.CheckBox1Click();
            EXPECT_EQ(p.MaskEdit1->text(), "     0.00");
            p.CheckBox1->setChecked(true);
            p.CheckBox1Click();
            p.BtnSaveClick();
        });
        w.BAddPmtClick();
        ASSERT_EQ(store::LastPmtRow(), 0);
        EXPECT_EQ(store::PaymentRows[0].cells().mid(1), (QStringList{"110.00", "    10.00", "T"}));
        EXPECT_EQ(w.MaskEdit6->text(), "    110.00");
        EXPECT_EQ(w.MaskEdit7->text(), "     22.00");  // 132.00 - 110.00
        dialogs->answer(base::Answer::Yes);  // discard the changes
        w.BtnCancelClick();
    });
}

TEST_F(InvoiceWindowTest, ChangingTheSecondOfTwoPaymentsChangesOnlyIt) {
    startNew();
    setPayments({payment("5/4/26", 10, 1, true), payment("5/5/26", 20, 0, false)});
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    withInvoice(1, [this](TInvoice& w) {
        const store::PaymentRow first = store::PaymentRows[0];
        dialogs->onModal<TPickPmt>([this](TPickPmt& list) {
            EXPECT_EQ(list.StringGrid1->rowCount(), 2);
            list.StringGrid1->setCurrentCell(1, 0);
            dialogs->onModal<TPmtDef>([](TPmtDef& p) {
                EXPECT_EQ(p.MaskEdit2->text(), "     20.00");
                EXPECT_TRUE(p.BtnDelete->isEnabled());
                p.DateTimePicker1->setDate(QDate(2026, 6, 1));
                p.MaskEdit2->setText(QStringLiteral("33.00"));
                p.MaskEdit1->setText(QStringLiteral("3.00"));
                p.CheckBox1->setChecked(true);
                p.BtnSaveClick();
            });
            list.BtnSelectClick();
        });
        w.BEditPmtClick();
        EXPECT_EQ(store::PaymentRows[0], first);
        EXPECT_EQ(store::PaymentRows[1].cells(), (QStringList{"6/1/26", "33.00", "3.00", "T"}));
        EXPECT_EQ(w.MaskEdit6->text(), "     43.00");

        // Deleting the first moves the second up with its tax part and flag.
        dialogs->onModal<TPickPmt>([this](TPickPmt& list) {
            list.StringGrid1->setCurrentCell(0, 0);
            dialogs->onModal<TPmtDef>([](TPmtDef& p) { p.BtnDeleteClick(); });
            list.StringGrid1DblClick();
        });
        w.BEditPmtClick();
        ASSERT_EQ(store::LastPmtRow(), 0);
        EXPECT_EQ(store::PaymentRows[0].cells(), (QStringList{"6/1/26", "33.00", "3.00", "T"}));
        dialogs->answer(base::Answer::Yes);  // discard the changes
        w.BtnCancelClick();
    });
}

TEST_F(InvoiceWindowTest, DeleteAsksThenLeavesTheLastInvoiceSelected) {
    for (int i = 0; i < 2; ++i) {
        startNew();
        setLines({line("PEN-B", 1, 2.5)});
        if (i == 0) dialogs->answerInput("1001");
        ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    }
    withInvoice(2, [this](TInvoice& w) {
        dialogs->answer(base::Answer::Cancel);
        w.BtnDeleteClick();
        EXPECT_TRUE(w.isVisible());
        dialogs->answer(base::Answer::Ok);
        w.BtnDeleteClick();
    });
    EXPECT_EQ(storedInvoices(), std::vector<long>{1001});
    EXPECT_EQ(store::CurInvoiceRec, 1);
    EXPECT_EQ(dialogs->log().filter("Are you sure").size(), 2);
    EXPECT_EQ(dialogs->log().filter("Confirmation OkCancel/Cancel: Are you sure").size(), 2);  // Enter keeps it
}

// The report window is used here for the first time: "Print" reaches it through the report commands,
// with the note just typed, and the invoice window stays open on its tables.
TEST_F(InvoiceWindowTest, PrintShowsTheInvoiceAsTypedInTheReportWindow) {
    startNew();
    setLines({line("PEN-B", 3, 2.5)});
    dialogs->answerInput("1001");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    QList<QStringList> shown;
    withInvoice(1, [&](TInvoice& w) {
        w.Memo2->setFocus();
        QTest::keyClicks(w.Memo2, "Leave at the back door");
        dialogs->onModal<reports::TReportF>([&](reports::TReportF& r) {
            shown = reports::ReportLines;
            r.mExit->trigger();
        });
        QTest::mouseClick(w.BtnPrint, Qt::LeftButton);
        EXPECT_TRUE(w.isVisible());
        EXPECT_NE(store::InvTable, nullptr);
        dialogs->answer(base::Answer::Yes);  // discard the changes
        QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
    });
    QStringList cells;
    for (const QStringList& l : shown) cells += l;
    for (const char* expected : {"C36Tax Invoice", "L621001", "L13desc PEN-B", "R727.50", "L00Leave at the back door"})
        EXPECT_TRUE(cells.contains(QLatin1String(expected))) << expected;
    EXPECT_TRUE(reports::ReportLines.isEmpty());
}

TEST_F(InvoiceWindowTest, TaxDefinitionSavesTheChoicesCancelKeepsThem) {
    store::SettingsRec.ShipTax = 1;
    store::SettingsRec.TaxRound = 7;  // out of range: nothing selected
    dialogs->onModal<TTaxDef>([](TTaxDef& t) {
        EXPECT_EQ(t.Edit1->text(), "GST");
        EXPECT_EQ(t.MaskEdit1->text(), "10.00");
        EXPECT_EQ(t.itemIndex(t.RadioGroup2), -1);
        EXPECT_TRUE(t.RadioButton1->isChecked());
        t.Edit2->setText(QStringLiteral(" VAT "));
        t.MaskEdit2->setText(QStringLiteral(" 7.5"));
        t.setItemIndex(t.RadioGroup1, 2);  // When Tax on Items
        t.setItemIndex(t.RadioGroup2, 1);  // Up
        t.RadioButton2->setChecked(true);
        t.BtnSaveClick();
    });
    TaxDefinitionCommand();
    store::SettingsRec = store::SettingsBuffer{};
    store::ReadSettings();
    EXPECT_EQ(store::SettingsRec.TaxLine.trimmed(), "VAT");
    EXPECT_EQ(store::SettingsRec.TaxRate2, 7.5_dec);
    EXPECT_EQ(store::SettingsRec.ShipTax, 3);
    EXPECT_EQ(store::SettingsRec.TaxRound, 2);
    EXPECT_EQ(store::SettingsRec.GSTField, 2);

    dialogs->onModal<TTaxDef>([](TTaxDef& t) {
        t.Edit1->setText(QStringLiteral("changed"));
        t.RadioButton1->setChecked(true);
        t.BtnCancelClick();
    });
    TaxDefinitionCommand();
    EXPECT_EQ(store::SettingsRec.GSTField, 2);
    EXPECT_EQ(store::SettingsRec.ShipLine.trimmed(), "GST");
}

TEST_F(InvoiceWindowTest, InvoiceCommandRunsThePickListAndPacksAfterADelete) {
    startNew();
    setLines({line("PEN-B", 1, 2.5)});
    dialogs->answerInput("1001");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    store::CloseAll();

    pickRow<records::TPickInv>(0);
    dialogs->onModal<TInvoice>([this](TInvoice& w) {
        EXPECT_EQ(w.Edit1->text(), "  1001");
        dialogs->answer(base::Answer::Ok);
        w.BtnDeleteClick();
    });
    dialogs->onModal<records::TPickInv>([](records::TPickInv& pick) { pick.BtnNewClick(); });
    dialogs->onModal<TInvoice>([](TInvoice& w) {
        EXPECT_EQ(w.Edit1->text(), "     1");  // the deleted number is free again
        w.BtnCancelClick();
    });
    dialogs->onModal<records::TPickInv>([](records::TPickInv& pick) { pick.BtnCancelClick(); });
    InvoiceCommand();
    EXPECT_EQ(store::InvTable, nullptr);
    EXPECT_FALSE(store::PackPending);
    store::OpenInv();
    store::OpenItm();
    EXPECT_EQ(store::InvTable->recCount(), 0);
    EXPECT_EQ(store::ItmTable->recCount(), 0);
}

}  // namespace

TEST_F(InvoiceWindowTest, TypedHalfCentLineAndItsTaxAreTheTradersArithmetic) {
    withInvoice(0, [this](TInvoice& w) {
        chooseCustomer(w);
        pickRow<records::TPickProd>(1);
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            item.show();
            QApplication::setActiveWindow(&item);
            // Price 7.50, quantity 0.01, each typed and left with Tab: 0.075 shows as 0.08.
            item.MaskEdit1->setFocus();
            item.MaskEdit1->selectAll();
            QTest::keyClicks(item.MaskEdit1, QStringLiteral("7.50"));
            QTest::keyClick(item.MaskEdit1, Qt::Key_Tab);
            item.MaskEdit2->setFocus();
            item.MaskEdit2->selectAll();
            QTest::keyClicks(item.MaskEdit2, QStringLiteral("0.01"));
            QTest::keyClick(item.MaskEdit2, Qt::Key_Tab);
            EXPECT_EQ(item.MaskEdit3->text(), "      0.08");
            item.BtnSaveClick();
        });
        w.BAddItmClick();
        EXPECT_EQ(cell(w, 0, 4), "      0.08 tf");
        EXPECT_EQ(w.MaskEdit3->text(), "      0.01");  // 10 % of 0.08 = 0.008, to the nearest cent
        EXPECT_EQ(w.MaskEdit5->text(), "      0.09");
        dialogs->answerInput(QStringLiteral("1"));
        dialogs->answer(base::Answer::No);
        w.BtnSaveClick();
    });
    const auto lines = storedLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].qty, 0.01_dec);
    store::InvTable->go(1);
    store::LoadInv();
    EXPECT_EQ(store::InvRec.Ship, 0.01_dec);
    EXPECT_EQ(store::InvRec.Due, 0.09_dec);
}

// ---- dates, the current line and numbering, typed and clicked -----------------------------------------

namespace {

QString shown(const ui::DateEdit* field) { return field->text().trimmed(); }

void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

// The stored date text of record recNo.
QString storedDate(xbase::Table* table, long recNo, const char* field) {
    table->go(recNo);
    return store::RecordAccess(table).text(field).trimmed();
}

}  // namespace

TEST_F(InvoiceWindowTest, NoStoredDateShowsEmptyAndSavesNoDate) {
    // Invoice 1 and its payment are dated; invoice 2 and its payment were stored without a date.
    startNew();
    setPayments({payment("5/4/26", 10, 0, false)});
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    startNew();
    store::InvRec.IDate = 0;
    setPayments({payment("", 20, 0, false)});
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);

    // The dated invoice and its payment come first, so their dates were in the windows before.
    const std::pair<long, QString> invoices[] = {{1, QStringLiteral("5/4/26")}, {2, QString()}};
    for (const auto& [recNo, date] : invoices) {
        withInvoice(recNo, [&](TInvoice& w) {
            EXPECT_EQ(shown(w.DateTimePicker1), date);
            dialogs->onModal<TPickPmt>([&](TPickPmt& list) {
                dialogs->onModal<TPmtDef>([&](TPmtDef& p) {
                    EXPECT_EQ(shown(p.DateTimePicker1), date);
                    click(p.BtnSave);
                });
                click(list.BtnSelect);
            });
            click(w.BEditPmt);
            EXPECT_EQ(store::PaymentRows[0].date, date);
            click(w.BtnSave);  // an edited invoice closes on saving
        });
    }
    EXPECT_TRUE(dialogs->messages().isEmpty());
    EXPECT_EQ(storedDate(store::InvTable, 2, "IDATE"), "");
    EXPECT_EQ(storedDate(store::PmtTable, 2, "PDATE"), "");
    EXPECT_EQ(storedDate(store::InvTable, 1, "IDATE"), "20260504");
    EXPECT_EQ(storedDate(store::PmtTable, 1, "PDATE"), "20260504");
}

TEST_F(InvoiceWindowTest, EditItemRightAfterAddingEditsTheLineJustAdded) {
    auto add = [this](TInvoice& w, int productRow) {
        pickRow<records::TPickProd>(productRow);
        dialogs->onModal<TItemDef>([](TItemDef& item) { click(item.BtnSave); });
        click(w.BAddItm);
    };
    withInvoice(0, [&](TInvoice& w) {
        chooseCustomer(w);
        add(w, 0);  // INK-1
        add(w, 1);  // PEN-B
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            EXPECT_EQ(item.Edit1->text().trimmed(), "PEN-B");
            click(item.BtnDelete);
        });
        click(w.BEditItm);
        ASSERT_EQ(store::LastItemRow(), 0);
        // The current line went with it: the one left is current now.
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            EXPECT_EQ(item.Edit1->text().trimmed(), "INK-1");
            click(item.BtnCancel);
        });
        click(w.BEditItm);
        dialogs->answer(base::Answer::Yes);  // discard the changes
        click(w.BtnCancel);
    });
}

TEST_F(InvoiceWindowTest, ItemGridShowsEightLinesGrowsWithTheWindowAndKeepsTheNewLineInView) {
    QSize first;
    withInvoice(0, [&](TInvoice& w) {
        first = w.size();
        QApplication::processEvents();  // what the first showing asked of the layout
        EXPECT_EQ(w.size(), first) << "the window grew after it appeared";
        click(w.BtnCancel);
    });
    withInvoice(0, [&](TInvoice& w) {
        EXPECT_EQ(w.size(), first);
        EXPECT_GE(w.StringGrid1->viewport()->height(), 8 * w.StringGrid1->rowHeight(0));
        chooseCustomer(w);
        for (int i = 0; i < 12; ++i) {
            addLine(w, i % 2);
            const QModelIndex added = w.StringGrid1->model()->index(store::LastItemRow(), 0);
            EXPECT_TRUE(w.StringGrid1->viewport()->rect().contains(w.StringGrid1->visualRect(added))) << i;
        }
        const int height = w.StringGrid1->height();
        w.resize(w.width(), w.height() + 200);
        EXPECT_GT(w.StringGrid1->height(), height + 150) << "most of what the window gains";
        dialogs->answer(base::Answer::Yes);  // discard the lines
        click(w.BtnCancel);
    });
}

TEST_F(InvoiceWindowTest, ASavedLinesDescriptionShowsFromItsStartAndKeepsNoTrailingBlanks) {
    startNew();
    setLines({line("PEN-B", 1, 2.50)});
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    withInvoice(1, [&](TInvoice& w) {
        dialogs->onModal<TItemDef>([](TItemDef& item) {
            EXPECT_EQ(item.Edit2->text(), "desc PEN-B");
            EXPECT_EQ(item.Edit2->cursorPosition(), 0);
            QTest::keyClick(item.Edit2, Qt::Key_End);
            QTest::keyClicks(item.Edit2, "s  ");
            click(item.BtnSave);
        });
        click(w.BEditItm);
        EXPECT_EQ(store::ItemRows[0].description, "desc PEN-Bs");
        dialogs->answer(base::Answer::Yes);  // discard the edited line
        click(w.BtnCancel);
    });
}

TEST_F(InvoiceWindowTest, TwoDigitYearsTypedFollowTheCenturyWindow) {
    // The window starts 60 years back: 99 is 1999 until 2059.
    withInvoice(0, [this](TInvoice& w) {
        chooseCustomer(w);
        testing_support::typeDate(w.DateTimePicker1, QStringLiteral("1/2/99"));
        EXPECT_EQ(w.DateTimePicker1->date(), QDate(1999, 1, 2));
        dialogs->onModal<TPmtDef>([](TPmtDef& p) {
            testing_support::typeDate(p.DateTimePicker1, QStringLiteral("1/3/99"));
            EXPECT_EQ(p.DateTimePicker1->date(), QDate(1999, 1, 3));
            click(p.BtnSave);
        });
        click(w.BAddPmt);
        dialogs->answerInput("1");
        dialogs->answer(base::Answer::No);
        click(w.BtnSave);
    });
    EXPECT_EQ(storedDate(store::InvTable, 1, "IDATE"), "19990102");
    EXPECT_EQ(storedDate(store::PmtTable, 1, "PDATE"), "19990103");
}

TEST_F(InvoiceWindowTest, NumberingRefusesAHugeFirstNumberAndPassesOverANegativeLastOne) {
    auto saveNewInvoice = [this] {
        withInvoice(0, [this](TInvoice& w) {
            chooseCustomer(w);
            dialogs->answer(base::Answer::No);  // no other invoice
            click(w.BtnSave);
        });
    };
    // Twenty digits are a whole number far out of range: refused and asked again, not taken as 1.
    dialogs->answerInput(QStringLiteral("12345678901234567890"));
    dialogs->answerInput(QStringLiteral("5"));
    saveNewInvoice();
    const QString addAnother = QStringLiteral("Add another invoice?");
    EXPECT_EQ(dialogs->messages(),
              (QStringList{"The invoice number must be a whole number from 1 to 999999.", addAnother}));
    EXPECT_EQ(storedInvoices(), std::vector<long>{5});

    // Another tool stored -3, whose key sorts after 5's: the next number still follows 5.
    ASSERT_EQ(store::InvTable->appendBlank(), 0);
    ASSERT_EQ(store::RecordAccess(store::InvTable).setLong("IVNO", -3), 0);
    ASSERT_EQ(store::InvTable->flush(false), 0);
    saveNewInvoice();
    EXPECT_EQ(storedInvoices(), (std::vector<long>{5, -3, 6}));
    EXPECT_EQ(dialogs->messages().mid(2), QStringList{addAnother});  // nothing claims the numbers are used up
    EXPECT_EQ(dialogs->log().filter("Input").size(), 2);
}
