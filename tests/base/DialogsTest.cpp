#include <gtest/gtest.h>

#include "base/Dialogs.h"

// Without an installed facade nothing is confirmed silently.
TEST(DialogsFallback, QuestionsAnswerWithCancel) {
    EXPECT_FALSE(base::ConfirmOkCancel(QStringLiteral("Erase?")));
    EXPECT_FALSE(base::ConfirmYesNo(QStringLiteral("Add another invoice?")));
}
