#include "core/system/AsciiCase.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(AsciiCase, FoldsOnlyAsciiLettersAndLeavesOtherBytes) {
    EXPECT_EQ(asciiUpper(std::string_view("Run-Once_9z")), "RUN-ONCE_9Z");
    EXPECT_EQ(asciiLower(std::string_view("HTTP://Host")), "http://host");
    // UTF-8 and ANSI bytes above 0x7F stay as they are, whatever the locale.
    EXPECT_EQ(asciiUpper(std::string_view("\xC3\xA9t\xE9")), "\xC3\xA9T\xE9");
    EXPECT_EQ(asciiUpper('@'), '@');
    EXPECT_EQ(asciiUpper('['), '[');
    EXPECT_EQ(asciiLower('`'), '`');
}

TEST(AsciiCase, EqualNoCaseComparesWholeStrings) {
    EXPECT_TRUE(asciiEqualNoCase("RunOnce", "RUNONCE"));
    EXPECT_FALSE(asciiEqualNoCase("Run", "RunOnce"));
    EXPECT_FALSE(asciiEqualNoCase("a\xE9", "A\xC9"));
}

} // namespace
