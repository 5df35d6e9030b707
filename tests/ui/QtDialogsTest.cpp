// The Qt facade's message boxes, answered by a key press as a user would: Enter presses OK on an
// ordinary question and Cancel or No on one that destroys data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QTest>
#include <QTimer>

#include "ui/QtDialogs.h"

namespace {

// Presses key in the message box as soon as it is up, noting its text in *text when asked.
void pressInMessageBox(Qt::Key key, QString* text = nullptr) {
    QTimer::singleShot(0, [key, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (text) *text = box->text();
        QTest::keyClick(box, key);
    });
}

}  // namespace

TEST(QtDialogs, EnterAnswersTheSafeButtonOfADestructiveQuestion) {
    ui::QtDialogs dialogs;
    using base::Answer;
    using base::MsgButtons;
    using base::MsgDefault;
    using base::MsgKind;
    pressInMessageBox(Qt::Key_Return);
    EXPECT_EQ(dialogs.message(MsgKind::Warning, QStringLiteral("Erase?"), MsgButtons::OkCancel, MsgDefault::Negative),
              Answer::Cancel);
    pressInMessageBox(Qt::Key_Return);
    EXPECT_EQ(dialogs.message(MsgKind::Confirmation, QStringLiteral("Delete?"), MsgButtons::YesNo, MsgDefault::Negative),
              Answer::No);
    pressInMessageBox(Qt::Key_Return);
    EXPECT_EQ(dialogs.message(MsgKind::Confirmation, QStringLiteral("Add another?"), MsgButtons::YesNo), Answer::Yes);
    pressInMessageBox(Qt::Key_Escape);
    EXPECT_EQ(dialogs.message(MsgKind::Warning, QStringLiteral("Go on?"), MsgButtons::OkCancel), Answer::Cancel);
}

TEST(QtDialogs, PrinterSetupWithoutAPrinterSaysThereIsNone) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    ui::QtDialogs dialogs;
    QString told;
    pressInMessageBox(Qt::Key_Return, &told);
    base::PrinterChoice choice;
    EXPECT_FALSE(dialogs.printerSetup(&choice));
    EXPECT_TRUE(told.startsWith(QStringLiteral("No printer is installed."))) << told.toStdString();
}
