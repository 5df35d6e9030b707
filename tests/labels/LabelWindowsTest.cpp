// The label windows driven as a user drives them: the stock loop of "Label Forms", the stock window's
// fields, the "Print Labels" window and the label jobs up to their messages and files.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QTest>

#include "LabelFixture.h"
#include "base/Format.h"
#include "labels/LabPrintU.h"
#include "labels/LabelCommands.h"
#include "labels/LabelDefU.h"
#include "records/PickLabelU.h"
#include "reports/DateSpanU.h"
#include "reports/MultGroupU.h"

namespace labels_test {
namespace {

using labels::TLabelDef;
using labels::TLabPrint;
using records::TPickLab;

const QString kNoStock = QStringLiteral("Label Stock has not been defined. Choose Setup - Labels to define label stock.");
const QString kNoCustomers = QStringLiteral("No customers were selected, so no labels were printed.");

class LabelWindowsTest : public LabelTest {
protected:
    void SetUp() override {
        LabelTest::SetUp();
        app::CreateForms();
    }
    // The stocks as stored, in record order.
    QList<store::LabelBuffer> stocks() {
        store::CloseAll();
        store::OpenLabels();
        QList<store::LabelBuffer> all;
        store::SelectTag(store::LabelsTable, store::TagId::None);
        for (int rc = store::LabelsTable->top(); rc == xbase::kOk; rc = store::LabelsTable->skip(1)) {
            store::LoadLabel();
            all.append(store::LabelRec);
        }
        store::CloseAll();
        return all;
    }
    void type(QWidget* field, const QString& keys) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, keys);
    }
    // The next pick list lines are checked and the list cancelled.
    void cancelPick(QStringList* lines = nullptr) {
        dialogs->onModal<TPickLab>([lines](TPickLab& pick) {
            if (lines)
                for (int i = 0; i < pick.ListBox1->count(); ++i) *lines << pick.ListBox1->item(i)->text().trimmed();
            QTest::mouseClick(pick.BtnCancel, Qt::LeftButton);
        });
    }
    // TLabPrint answered with a button, after a look at its list and typing a stock's name into it.
    void printWith(QPushButton* TLabPrint::*button, QStringList* stocks = nullptr, const QString& stock = {}) {
        dialogs->onModal<TLabPrint>([button, stocks, stock](TLabPrint& w) {
            if (stocks)
                for (int i = 0; i < w.ComboBox1->count(); ++i) *stocks << w.ComboBox1->itemText(i);
            if (!stock.isEmpty()) QTest::keyClicks(w.ComboBox1, stock);
            QTest::mouseClick(w.*button, Qt::LeftButton);
        });
    }
    void spanOf(double start, double end) {
        dialogs->onModal<reports::TDateSpan>([start, end](reports::TDateSpan& w) {
            w.DateTimePicker1->setDay(start);
            w.DateTimePicker2->setDay(end);
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
    }
};

TEST_F(LabelWindowsTest, ANewStockSavedUntouchedKeepsItsDefaultsAfterAWarning) {
    dialogs->onModal<TPickLab>([](TPickLab& pick) { QTest::mouseClick(pick.BtnNew, Qt::LeftButton); });
    dialogs->onModal<TLabelDef>([this](TLabelDef& w) {
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);  // no name yet
        type(w.Edit1, QStringLiteral("  Plain  "));
        QTest::keyClick(w.Edit1, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), w.MaskEdit1);
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
    });
    QStringList listed;
    cancelPick(&listed);
    labels::LabelFormsCommand();

    ASSERT_EQ(dialogs->messages().size(), 2);
    EXPECT_EQ(dialogs->messages()[0], QStringLiteral("Please fill in label name."));
    EXPECT_TRUE(dialogs->messages()[1].startsWith(QStringLiteral("Label stock \"Plain\": the label Width of 0.000 points")))
        << dialogs->messages()[1].toStdString();
    EXPECT_EQ(listed, QStringList({"Plain"}));
    store::LabelBuffer expected;
    expected.Name = QStringLiteral("Plain");
    ASSERT_EQ(stocks().size(), 1);
    EXPECT_EQ(stocks()[0].Name.trimmed(), expected.Name);
    expected.Name = stocks()[0].Name;
    EXPECT_EQ(stocks()[0], expected);  // measures 0, one across, cut sheets
}

TEST_F(LabelWindowsTest, MeasuresTakeThreeDecimalsInTheUsersSeparator) {
    const struct {
        QLocale locale;
        QString keys, shownAtOnce, shownAfter;
    } cases[] = {{testing_support::pinnedLocale(), "12.", "  12.000", "  12.000"},
                 {testing_support::commaLocale(), "12,", "  12,000", "  12,000"},
                 {testing_support::pinnedLocale(), "189.5", "", " 189.500"}};
    for (const auto& c : cases) {
        testing_support::LocaleScope locale(c.locale);
        store::CloseAll();
        store::OpenLabels();
        store::CurLabelRec = 0;
        dialogs->onModal<TLabelDef>([&](TLabelDef& w) {
            type(w.Edit1, QStringLiteral("Sheet"));
            type(w.MaskEdit5, c.keys);
            if (!c.shownAtOnce.isEmpty()) {
                EXPECT_EQ(w.MaskEdit5->text(), c.shownAtOnce) << c.keys.toStdString();
            }
            QTest::keyClick(w.MaskEdit5, Qt::Key_Tab);
            EXPECT_EQ(w.MaskEdit5->text(), c.shownAfter) << c.keys.toStdString();
            type(w.MaskEdit6, QStringLiteral("72"));
            type(w.MaskEdit9, QStringLiteral("3"));
            QTest::mouseClick(w.CheckBox1, Qt::LeftButton);
            QTest::mouseClick(w.BtnSave, Qt::LeftButton);
        });
        ui::ShowForm<TLabelDef>();
    }
    const QList<store::LabelBuffer> stored = stocks();
    ASSERT_EQ(stored.size(), 3);
    using namespace base::literals;
    EXPECT_EQ(stored[0].Width, 12);
    EXPECT_EQ(stored[1].Width, 12);
    EXPECT_EQ(stored[2].Width, 189.5_dec);
    EXPECT_EQ(stored[2].Height, 72);
    EXPECT_EQ(stored[2].NAcross, 3);
    EXPECT_TRUE(stored[2].Continuous);
}

TEST_F(LabelWindowsTest, TwoStocksOfOneNameAreBothListedAndADeletedOneIsGone) {
    addStock(QStringLiteral("Same"));
    addStock(QStringLiteral("Same"), 2);
    addStock(QStringLiteral("Other"));
    store::CloseAll();
    QStringList picked, offered;
    cancelPick(&picked);
    labels::LabelFormsCommand();
    EXPECT_EQ(picked, QStringList({"Other", "Same", "Same"}));
    printWith(&TLabPrint::BtnCancel, &offered);
    labels::PrintLabels(labels::LabelJob::InvoicesDated);
    EXPECT_EQ(offered, QStringList({"Other", "Same", "Same"}));

    // Delete "Other": chosen, confirmed, and packed when the loop ends.
    dialogs->onModal<TPickLab>([](TPickLab& pick) {
        pick.ListBox1->setCurrentRow(0);
        QTest::mouseClick(pick.BtnSelect, Qt::LeftButton);
    });
    dialogs->onModal<TLabelDef>([](TLabelDef& w) { QTest::mouseClick(w.BtnDelete, Qt::LeftButton); });
    dialogs->answer(base::Answer::Ok);
    cancelPick();
    labels::LabelFormsCommand();
    EXPECT_EQ(dialogs->messages().last(), QStringLiteral("Delete the label stock \"Other\"?"));
    ASSERT_EQ(stocks().size(), 2);
    EXPECT_EQ(stocks()[0].Name.trimmed(), QStringLiteral("Same"));
}

TEST_F(LabelWindowsTest, TheStartingPlaceStaysOnTheSheet) {
    addStock(QStringLiteral("Three"), 3);
    store::CloseAll();
    store::OpenLabels();
    dialogs->onModal<TLabPrint>([this](TLabPrint& w) {
        const struct {
            QWidget* field;
            const char* keys;
            const char* becomes;
        } cases[] = {{w.MaskEdit1, "5", "3"}, {w.MaskEdit1, "0", "1"}, {w.MaskEdit1, "", "1"}, {w.MaskEdit1, "2", "2"},
                     {w.MaskEdit2, "0", "1"}, {w.MaskEdit2, "", "1"},  {w.MaskEdit2, "12", "12"}};
        for (const auto& c : cases) {
            type(c.field, QLatin1String(c.keys));
            QTest::keyClick(c.field, Qt::Key_Tab);
            EXPECT_EQ(static_cast<QLineEdit*>(c.field)->text(), QLatin1String(c.becomes)) << c.keys;
        }
        // The arrows: right adds a column up to the stock's three, down adds a row.
        for (int i = 0; i < 3; ++i) QTest::mouseClick(w.UpDown1, Qt::LeftButton, {}, QPoint(w.UpDown1->width() - 3, 3));
        QTest::mouseClick(w.UpDown2, Qt::LeftButton, {}, QPoint(3, w.UpDown2->height() - 3));
        EXPECT_EQ(w.MaskEdit1->text(), QStringLiteral("3"));
        EXPECT_EQ(w.MaskEdit2->text(), QStringLiteral("13"));
        QTest::mouseClick(w.BtnOK, Qt::LeftButton);
    });
    ASSERT_EQ(ui::ShowForm<TLabPrint>(), true);
    EXPECT_EQ(ui::Form<TLabPrint>()->start().column, 3);
    EXPECT_EQ(ui::Form<TLabPrint>()->start().row, 13);
    EXPECT_EQ(store::SettingsRec.LabID.trimmed(), QStringLiteral("Three"));  // remembered for next time
}

TEST_F(LabelWindowsTest, BadInputIsRefusedWithAMessageAndNoOutput) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "the road without a printer";
    const double today = base::Today();
    // No stock at all.
    labels::PrintLabels(labels::LabelJob::InvoicesDated);
    EXPECT_EQ(dialogs->messages(), QStringList{kNoStock});
    // A stock without labels across.
    addStock(QStringLiteral("Broken"), 0);
    store::CloseAll();
    printWith(&TLabPrint::BtnOK);
    labels::PrintLabels(labels::LabelJob::InvoicesDated);
    EXPECT_TRUE(dialogs->messages().last().startsWith("Label stock \"Broken\": \"No. Labels Across\" is 0"));
    // A span without invoices.
    addStock(QStringLiteral("Good"));
    store::CloseAll();
    printWith(&TLabPrint::BtnPdf, nullptr, QStringLiteral("Good"));
    spanOf(today, today);
    labels::PrintLabels(labels::LabelJob::InvoicesDated);
    EXPECT_EQ(dialogs->messages().last(), kNoCustomers);
    // The batch file: missing, then with lines that name no customer.
    labels::PrintBatchLabels();
    EXPECT_EQ(dialogs->messages().last(), QStringLiteral("Unable to save to: BatchLab.dat"));
    addCustomer(5, QStringLiteral("Five"), QStringLiteral("5000"));
    store::CloseAll();
    QFile batch(path("BatchLab.dat"));
    ASSERT_TRUE(batch.open(QIODevice::WriteOnly));
    batch.write("     5\r\nfive\r\n    77\r\n");
    batch.close();
    // Without a printer, OK offers the PDF instead.
    printWith(&TLabPrint::BtnOK);
    dialogs->answer(base::Answer::Yes);
    dialogs->answerSaveFile(path("batch"));
    labels::PrintBatchLabels();
    EXPECT_EQ(dialogs->messages().last(), QStringLiteral("2 of the lines of BatchLab.dat named no customer and were skipped."));
    EXPECT_GT(QFileInfo(path("batch.pdf")).size(), 0);
    EXPECT_EQ(dialogs->messages().size(), 6);
}

TEST_F(LabelWindowsTest, PreviewShowsTheSheetsOfOneJob) {
    addStock(QStringLiteral("Three"), 3);
    for (int i = 1; i <= 35; ++i) addCustomer(i, QStringLiteral("Customer%1").arg(i), QStringLiteral("%1").arg(1000 + i), 2);
    append(store::GroupsTable, store::OpenGroups, store::GroupRec, store::GroupBuffer{2, "Trade"}, store::StoreGroup);
    store::CloseAll();
    int pages = 0;
    printWith(&TLabPrint::BtnPreview);
    dialogs->onModal<reports::TMultGroup>([](reports::TMultGroup& groups) {
        groups.ListBox1->selectAll();
        QTest::mouseClick(groups.BtnRun, Qt::LeftButton);
    });
    dialogs->onModal([&pages](QDialog& preview) {
        pages = preview.findChild<QPrintPreviewWidget*>()->pageCount();
    });
    labels::PrintLabels(labels::LabelJob::CustomerGroups);
    // 35 labels, three across: twelve rows, more than one sheet holds.
    EXPECT_EQ(pages, 2);
    EXPECT_TRUE(dialogs->messages().isEmpty()) << dialogs->messages().join('\n').toStdString();
}

}  // namespace
}  // namespace labels_test
