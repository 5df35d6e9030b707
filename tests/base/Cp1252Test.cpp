#include <gtest/gtest.h>

#include "base/Cp1252.h"

using namespace base;

TEST(Cp1252, EveryByteReadsBackUnchanged) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    bool ok = false;
    EXPECT_EQ(Cp1252::fromUnicode(Cp1252::toUnicode(all), &ok), all);
    EXPECT_TRUE(ok);
}

TEST(Cp1252, TheWindowsCharactersHaveTheirBytes) {
    EXPECT_EQ(Cp1252::toUnicode(QByteArray("\x80\x8a\x93\x94\x99\xe9")),
              QStringLiteral("\u20ac\u0160\u201c\u201d\u2122\u00e9"));
    EXPECT_EQ(Cp1252::fromUnicode(QStringLiteral("\u2013\u2026\u0178")), QByteArray("\x96\x85\x9f"));
}

TEST(Cp1252, TextsOutsideTheSetAreReported) {
    EXPECT_TRUE(Cp1252::fits(QStringLiteral("Gr\u00fc\u00dfe \u20ac 5")));
    EXPECT_FALSE(Cp1252::fits(QChar(0x0080)));  // the byte 0x80 is the euro sign, not U+0080
    EXPECT_EQ(Cp1252::firstUnfit(QStringLiteral("ab\u03a9c")), 2);
    EXPECT_EQ(Cp1252::firstUnfit(QString::fromUtf8("x\xF0\x9F\x98\x80")), 1);  // outside the BMP
    bool ok = true;
    EXPECT_EQ(Cp1252::fromUnicode(QStringLiteral("a\u0416b"), &ok), QByteArray("a?b"));
    EXPECT_FALSE(ok);
}
