#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "base/Dialogs.h"
#include "support/ScriptedDialogs.h"
#include "ui/EditWindow.h"

using base::Answer;
using testing_support::ScriptedDialogs;

namespace {

// The inner window: an item with a Save button that asks before saving.
class ItemWindow : public ui::EditWindow {
    Q_OBJECT
public:
    ItemWindow() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Edit1);
        layout->addWidget(BtnSave);
        connect(BtnSave, &QPushButton::clicked, this, [this] {
            if (base::ConfirmYesNo(QStringLiteral("Save item \"%1\"?").arg(Edit1->text()))) accept();
        });
    }
    QLineEdit* Edit1 = new QLineEdit(this);
    QPushButton* BtnSave = new QPushButton(QStringLiteral("Save"), this);

protected:
    void FormShow() override {
        Edit1->clear();
        Edit1->setFocus();
    }
};

// The outer window: "Add" opens the item window modally and reports what came back.
class ListWindow : public ui::EditWindow {
    Q_OBJECT
public:
    explicit ListWindow(ItemWindow* item) : m_item(item) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(BtnAdd);
        layout->addWidget(BtnClose);
        connect(BtnAdd, &QPushButton::clicked, this, [this] {
            if (base::dialogs().showModal(m_item) == QDialog::Accepted)
                base::ShowMessage(QStringLiteral("Added ") + m_item->Edit1->text());
        });
        connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);
    }
    QPushButton* BtnAdd = new QPushButton(QStringLiteral("Add"), this);
    QPushButton* BtnClose = new QPushButton(QStringLiteral("Close"), this);
    int shows = 0;

protected:
    void FormShow() override { ++shows; }

private:
    ItemWindow* m_item;
};

}  // namespace

TEST(ScriptedDialogs, NestedModalRoadIsAnsweredAndRecordedInOrder) {
    ItemWindow item;
    ListWindow list(&item);
    ScriptedDialogs script;
    script.onModal<ListWindow>([&](ListWindow& w) {
        EXPECT_EQ(w.shows, 1);
        QTest::mouseClick(w.BtnAdd, Qt::LeftButton);  // first item: refused at the question
        QTest::mouseClick(w.BtnAdd, Qt::LeftButton);  // second item: saved
        QTest::mouseClick(w.BtnClose, Qt::LeftButton);
    });
    script.onModal<ItemWindow>([](ItemWindow& w) {
        EXPECT_TRUE(w.Edit1->hasFocus());  // FormShow ran and the window is the active one
        QTest::keyClicks(w.Edit1, QStringLiteral("Nails"));
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
        EXPECT_TRUE(w.isVisible());  // "No": the window stays
    });
    script.answer(Answer::No);
    script.onModal<ItemWindow>([](ItemWindow& w) {
        QTest::keyClicks(w.Edit1, QStringLiteral("Screws"));
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
    });
    script.answer(Answer::Yes);

    EXPECT_EQ(base::dialogs().showModal(&list), QDialog::Accepted);
    EXPECT_EQ(script.log().join(QLatin1Char('\n')).toStdString(),
              "Modal ListWindow\n"
              "Modal ItemWindow\n"
              "Confirmation YesNo: Save item \"Nails\"?\n"
              "Modal ItemWindow\n"
              "Confirmation YesNo: Save item \"Screws\"?\n"
              "Information Ok: Added Screws");
    EXPECT_FALSE(list.isVisible());
    EXPECT_FALSE(item.isVisible());
}

TEST(ScriptedDialogs, AWindowClosedWithoutAButtonGivesRejected) {
    ItemWindow item;
    ScriptedDialogs script;
    script.onModal([](QDialog&) {});
    EXPECT_EQ(base::dialogs().showModal(&item), QDialog::Rejected);
    EXPECT_FALSE(item.isVisible());
}

TEST(ScriptedDialogs, PromptsTakeTheirQueuedAnswers) {
    ScriptedDialogs script;
    script.answerInput(QStringLiteral("42"));
    script.cancelInput();
    script.answerOpenFile(QStringLiteral("/tmp/orders.txt"));
    script.answerDirectory(QString());
    script.answerPrinter({QStringLiteral("Office"), true});
    QString value = QStringLiteral("1");
    EXPECT_TRUE(base::dialogs().input(QStringLiteral("Copies"), QStringLiteral("How many?"), &value));
    EXPECT_EQ(value, QStringLiteral("42"));
    EXPECT_FALSE(base::dialogs().input(QStringLiteral("Copies"), QStringLiteral("How many?"), &value));
    EXPECT_EQ(value, QStringLiteral("42"));
    EXPECT_EQ(base::dialogs().openFile(QStringLiteral("Import"), {}, {}), QStringLiteral("/tmp/orders.txt"));
    EXPECT_EQ(base::dialogs().chooseDirectory(QStringLiteral("Backup to"), {}, {}), QString());
    base::PrinterChoice choice;
    EXPECT_TRUE(base::dialogs().printerSetup(&choice));
    EXPECT_EQ(choice.name, QStringLiteral("Office"));
    EXPECT_TRUE(choice.landscape);
    base::ShowMessage(QStringLiteral("Done"));  // OK-only: needs no answer
    EXPECT_EQ(script.messages(), QStringList{QStringLiteral("Done")});
}

TEST(ScriptedDialogs, AQuestionWithNothingQueuedFailsTheTestAndIsCancelled) {
    bool confirmed = true;
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs script;
            confirmed = base::ConfirmOkCancel(QStringLiteral("Erase all?"));
        },
        "no scripted answer queued for the message: \"Erase all?\"");
    EXPECT_FALSE(confirmed);
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs script;
            script.answer(Answer::Yes);
            confirmed = base::ConfirmOkCancel(QStringLiteral("Erase all?"));
        },
        "is not a button of");
    EXPECT_NONFATAL_FAILURE({ ScriptedDialogs script; script.answer(Answer::Ok); }, "never asked for");
}

TEST(ScriptedDialogs, RestoresThePreviousFacade) {
    base::Dialogs* before = &base::dialogs();
    {
        ScriptedDialogs script;
        EXPECT_EQ(&base::dialogs(), &script);
    }
    EXPECT_EQ(&base::dialogs(), before);
}

#include "ScriptedDialogsTest.moc"
