#include "core/system/TextScan.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(TextScan, HexDigitValueOfEitherCase) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\0', '\xB9'})
        EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
}

TEST(TextScan, TrimBlanksDropsOnlyTheGivenBytesAtEitherEnd) {
    EXPECT_EQ(TrimBlanks(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimBlanks(" \t\r\n"), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks("\x1ax\x1a"), "\x1ax\x1a");
    EXPECT_EQ(TrimBlanks("\x1ax ", "\x1a "), "x");
    EXPECT_EQ(TrimBlanks(std::string("\0\x1f x\x01", 6), ControlAndSpaceBytes), "x");
}

TEST(TextScan, ParseInt32TakesOnlyASignAndDigitsWithin32Bits) {
    int v = 7;
    EXPECT_TRUE(ParseInt32("-2147483648", v));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_TRUE(ParseInt32("+2147483647", v));
    EXPECT_EQ(v, INT_MAX);
    EXPECT_TRUE(ParseInt32("007", v));
    EXPECT_EQ(v, 7);
    for (const char* bad : {"", "-", "+", "2147483648", "-2147483649", "99999999999999999999", " 1",
                            "1 ", "1e3", "0x10", "--1", "3.0"}) {
        v = 5;
        EXPECT_FALSE(ParseInt32(bad, v)) << bad;
        EXPECT_EQ(v, 5) << bad;
    }
}

TEST(TextScan, ParseDigitsTakesAFewDigitsOnly) {
    int v = 0;
    EXPECT_TRUE(ParseDigits("17", 2, v));
    EXPECT_EQ(v, 17);
    EXPECT_FALSE(ParseDigits("170", 2, v));
    EXPECT_FALSE(ParseDigits("+1", 2, v));
    EXPECT_FALSE(ParseDigits("", 2, v));
    EXPECT_EQ(v, 17);
}

TEST(TextScan, NextCodePointStepsOverBadBytesOneAtATime) {
    const std::string text = "a\xC3\xA9\xFF\xED\xA0\x80";
    std::size_t at = 0;
    char32_t cp = 0;
    EXPECT_TRUE(NextCodePoint(text, at, cp));
    EXPECT_EQ(cp, U'a');
    EXPECT_TRUE(NextCodePoint(text, at, cp));
    EXPECT_EQ(cp, 0xE9u);
    EXPECT_FALSE(NextCodePoint(text, at, cp));
    EXPECT_EQ(at, 4u);
    EXPECT_TRUE(NextCodePoint(text, at, cp));
    EXPECT_EQ(cp, 0xD800u);
    at = 4;
    EXPECT_FALSE(DecodeCodePoint(text, at, cp, false));
    EXPECT_EQ(at, 4u);
}

} // namespace
