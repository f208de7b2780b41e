#include "core/system/TextCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87"; // U+4E2D U+6587
const std::string kCafe = "Caf\xC3\xA9";

std::u16string Wide(const std::string& utf8) {
    std::u16string wide;
    EXPECT_TRUE(Utf8ToUtf16(utf8, wide)) << utf8;
    return wide;
}

} // namespace

TEST(TextCodec, WellFormedTextConvertsBothWays) {
    for (const std::string& text :
         {std::string(), std::string("C:\\app.exe"), kCafe, "C:\\" + kChinese + "\\app.exe",
          std::string("\xF0\x9F\x98\x80"), std::string("a\0b", 3)}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Utf16ToUtf8(Wide(text)), text);
        EXPECT_TRUE(IsValidUtf8(text));
    }
    EXPECT_EQ(Wide(kChinese), u"\u4E2D\u6587");
    EXPECT_EQ(Wide("\xF0\x9F\x98\x80"), u"\U0001F600") << "a surrogate pair";
}

TEST(TextCodec, MalformedUtf8IsRefusedNotReplaced) {
    for (const std::string& bad : {std::string("caf\xE9"),          // an ANSI byte
                                   std::string("\x80"),             // a stray continuation byte
                                   std::string("\xC3"),             // cut before its continuation
                                   std::string("\xE4\xB8"),         // cut three-byte form
                                   std::string("\xC0\xAF"),         // overlong '/'
                                   std::string("\xE0\x80\xAF"),     // overlong three-byte form
                                   std::string("\xF4\x90\x80\x80"), // above U+10FFFF
                                   std::string("\xFF"), std::string("ok\xC3(")}) {
        SCOPED_TRACE(bad);
        std::u16string wide = u"stale";
        EXPECT_FALSE(Utf8ToUtf16(bad, wide));
        EXPECT_TRUE(wide.empty());
        EXPECT_FALSE(IsValidUtf8(bad));
        EXPECT_FALSE(IsConvertibleUtf8(bad));
        std::string ansi = "stale";
        EXPECT_FALSE(Utf8ToAnsi(bad, ansi));
        EXPECT_TRUE(ansi.empty());
    }
}

TEST(TextCodec, LoneSurrogatesKeepTheirOwnFormBothWays) {
    const std::u16string lone[] = {std::u16string(1, char16_t(0xD800)),
                                   std::u16string(u"a") + char16_t(0xDFFF) + u"b",
                                   std::u16string(1, char16_t(0xDC00)) + char16_t(0xD800)};
    for (const std::u16string& units : lone) {
        std::string utf8 = Utf16ToUtf8(units);
        EXPECT_EQ(utf8.find('?'), std::string::npos);
        EXPECT_FALSE(IsValidUtf8(utf8)) << "not UTF-8 in the strict sense";
        EXPECT_TRUE(IsConvertibleUtf8(utf8));
        std::u16string back;
        ASSERT_TRUE(Utf8ToUtf16(utf8, back));
        EXPECT_EQ(back, units);
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xED\xA0\x80");
}

TEST(TextCodec, AnsiConversionIsExactOrRefused) {
    std::string ansi;
    ASSERT_TRUE(Utf8ToAnsi(kCafe, ansi));
    EXPECT_EQ(ansi, "Caf\xE9");
    EXPECT_EQ(AnsiToUtf8(ansi), kCafe);
    EXPECT_TRUE(FitsAnsi("plain ASCII"));
    EXPECT_FALSE(FitsAnsi("C:\\" + kChinese + "\\app.exe"));
    EXPECT_FALSE(Utf8ToAnsi(kChinese, ansi));
    EXPECT_TRUE(ansi.empty()) << "nothing half-converted";
    // A best fit would make 'A' of the fullwidth letter.
    EXPECT_FALSE(FitsAnsi("\xEF\xBC\xA1"));
}

TEST(TextCodec, TextFilesReadAsUtf8OrElseAsAnsi) {
    EXPECT_EQ(DecodeTextFile(kCafe), kCafe);
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF" + kCafe), kCafe) << "the mark is dropped";
    EXPECT_EQ(DecodeTextFile("Caf\xE9\tC:\\x.exe"), kCafe + "\tC:\\x.exe") << "an older file";
    // A registry name's lone surrogate, as the program writes it.
    EXPECT_EQ(DecodeTextFile("a\xED\xA0\x80" + kCafe), "a\xED\xA0\x80" + kCafe);
}

TEST(TextCodec, WellFormedUtf8ReplacesLoneSurrogatesAndStrayBytesOnly) {
    size_t replaced = 0;
    EXPECT_EQ(WellFormedUtf8(kCafe + kChinese + "\xF0\x9F\x98\x80", &replaced),
              kCafe + kChinese + "\xF0\x9F\x98\x80");
    EXPECT_EQ(replaced, 0u);
    EXPECT_EQ(WellFormedUtf8("a\xED\xA0\x80"
                             "b\xE9"
                             "c\xE4\xB8",
                             &replaced),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD"
              "c\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(replaced, 4u);
    EXPECT_TRUE(IsValidUtf8(WellFormedUtf8(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))))));
}

TEST(TextCodec, ProfileTextsStayAnsiWhereTheyFit) {
    std::string bytes;
    ASSERT_TRUE(EncodeProfileText("[S]\r\nk=" + kCafe + "\r\n", bytes));
    EXPECT_EQ(bytes, "[S]\r\nk=Caf\xE9\r\n");
    bool unicode = true;
    EXPECT_EQ(DecodeProfileText(bytes, &unicode), "[S]\r\nk=" + kCafe + "\r\n");
    EXPECT_FALSE(unicode);
}

TEST(TextCodec, ProfileTextsOutsideAnsiBecomeUtf16WithItsMark) {
    const std::string text = "[S]\r\nt=" + kChinese + "\r\n";
    std::string bytes;
    ASSERT_TRUE(EncodeProfileText(text, bytes));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.size(), 2 + 2 * Wide(text).size());
    EXPECT_EQ(bytes.substr(2, 4), std::string("[\0S\0", 4));
    bool unicode = false;
    EXPECT_EQ(DecodeProfileText(bytes, &unicode), text);
    EXPECT_TRUE(unicode);

    ASSERT_TRUE(EncodeProfileText("[S]\r\n", bytes, true)) << "a file that is UTF-16 stays so";
    EXPECT_EQ(bytes, std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12));
    EXPECT_FALSE(EncodeProfileText("caf\xE9", bytes)) << "not UTF-8";
}
