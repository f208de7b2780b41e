#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/Ini.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

template <typename F> std::string iniError(F f) {
    try {
        f();
    } catch (const EIniError& e) {
        return e.what();
    }
    return "<nothing raised>";
}

std::string fileText(const std::string& path) {
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, data)) << path;
    return data;
}

class Ini : public ::testing::Test {
protected:
    // Every test has files of its own: the Windows functions keep a copy of
    // a profile that they compare with the file only by its write time.
    std::string profile(const std::string& text) {
        std::string path = folder.file(seed::UniqueName("profile") + ".ini");
        EXPECT_TRUE(WriteWholeFile(path, text));
        return path;
    }

    seed::ScratchFolder folder;
};

TEST_F(Ini, ReadDropsBlanksAroundValuesAndMatchingQuotes) {
    std::string file = profile("[Values]\r\n"
                               "Blanks =   spaced out value  \r\n"
                               "Tabbed=\tx\t\r\n"
                               "Double=\"quoted\"\r\n"
                               "Single=  'single'  \r\n"
                               "Mixed=\"mixed'\r\n"
                               "Lone=\"\r\n"
                               "Pair=\"\"\r\n"
                               "Inner=a \"b\" c\r\n"
                               "QuotedBlanks=\" kept \"\r\n"
                               "Empty=\r\n");
    EXPECT_EQ(IniReadString(file, "Values", "Blanks", "-"), "spaced out value");
    EXPECT_EQ(IniReadString(file, "Values", "Tabbed", "-"), "x");
    EXPECT_EQ(IniReadString(file, "Values", "Double", "-"), "quoted");
    EXPECT_EQ(IniReadString(file, "Values", "Single", "-"), "single");
    EXPECT_EQ(IniReadString(file, "Values", "Mixed", "-"), "\"mixed'");
    EXPECT_EQ(IniReadString(file, "Values", "Lone", "-"), "\"");
    EXPECT_EQ(IniReadString(file, "Values", "Pair", "-"), "");
    EXPECT_EQ(IniReadString(file, "Values", "Inner", "-"), "a \"b\" c");
    EXPECT_EQ(IniReadString(file, "Values", "QuotedBlanks", "-"), " kept ");
    EXPECT_EQ(IniReadString(file, "Values", "Empty", "-"), "");
    EXPECT_EQ(IniReadString(file, "Values", "Missing", "default"), "default");
    EXPECT_EQ(IniReadString(file, "Other", "Blanks", "default"), "default");
}

TEST_F(Ini, SectionAndKeyNamesIgnoreCase) {
    std::string file = profile("[General]\r\nProgramCount=3\r\n");
    EXPECT_EQ(IniReadString(file, "GENERAL", "programcount", ""), "3");
    IniWriteString(file, "general", "PROGRAMCOUNT", "4");
    IniFlush(file);
    EXPECT_EQ(fileText(file), "[General]\r\nProgramCount=4\r\n");
}

TEST_F(Ini, LongValuesReadWhole) {
    for (std::size_t length : {2047u, 2048u, 3000u, 100000u}) {
        SCOPED_TRACE(length);
        const std::string longValue(length, 'v');
        std::string file = profile("[S]\r\nLong=" + longValue + "\r\n");
        EXPECT_EQ(IniReadString(file, "S", "Long", ""), longValue);

        std::string written = folder.file(seed::UniqueName("long") + ".ini");
        IniWriteString(written, "S", "Long", longValue);
        IniFlush(written);
        EXPECT_EQ(fileText(written), "[S]\r\nLong=" + longValue + "\r\n");
        EXPECT_EQ(IniReadString(written, "S", "Long", ""), longValue);
    }
}

TEST_F(Ini, IntegersReadAsDecimalOrHexadecimal) {
    std::string file = profile("[N]\r\nDecimal=260\r\nNegative=-12\r\nDollar=$1F\r\n"
                               "Hex=0x1f\r\nHexUpper=0X10\r\nAllBits=$FFFFFFFF\r\n"
                               "Word=twelve\r\nTrailing=12abc\r\nBareDollar=$\r\nBlank=\r\n"
                               "Huge=2147483648\r\nSpaced= 7 \r\n");
    EXPECT_EQ(IniReadInteger(file, "N", "Decimal", 0), 260);
    EXPECT_EQ(IniReadInteger(file, "N", "Negative", 0), -12);
    EXPECT_EQ(IniReadInteger(file, "N", "Dollar", 0), 31);
    EXPECT_EQ(IniReadInteger(file, "N", "Hex", 0), 31);
    EXPECT_EQ(IniReadInteger(file, "N", "HexUpper", 0), 16);
    EXPECT_EQ(IniReadInteger(file, "N", "AllBits", 0), -1);
    EXPECT_EQ(IniReadInteger(file, "N", "Spaced", 0), 7);
    for (const char* unreadable : {"Word", "Trailing", "BareDollar", "Blank", "Huge", "Missing"})
        EXPECT_EQ(IniReadInteger(file, "N", unreadable, 99), 99) << unreadable;

    int value = 0;
    EXPECT_TRUE(ParseIniInteger("-2147483648", value));
    EXPECT_EQ(value, -2147483647 - 1);
    EXPECT_FALSE(ParseIniInteger("$100000000", value));
    EXPECT_FALSE(ParseIniInteger("0x", value));
    EXPECT_FALSE(ParseIniInteger("1 2", value));
}

TEST_F(Ini, BooleansAreWrittenAsDigitsAndReadAsAnyNonZeroInteger) {
    std::string file = profile("[B]\r\nOne=1\r\nZero=0\r\nSeven=7\r\nMinus=-1\r\nWord=yes\r\n");
    EXPECT_TRUE(IniReadBool(file, "B", "One", false));
    EXPECT_FALSE(IniReadBool(file, "B", "Zero", true));
    EXPECT_TRUE(IniReadBool(file, "B", "Seven", false));
    EXPECT_TRUE(IniReadBool(file, "B", "Minus", false));
    EXPECT_TRUE(IniReadBool(file, "B", "Word", true));
    EXPECT_FALSE(IniReadBool(file, "B", "Word", false));
    EXPECT_TRUE(IniReadBool(file, "B", "Missing", true));

    std::string written = folder.file(seed::UniqueName("bool") + ".ini");
    IniWriteBool(written, "B", "On", true);
    IniWriteBool(written, "B", "Off", false);
    IniWriteInteger(written, "B", "Count", -42);
    IniFlush(written);
    EXPECT_EQ(fileText(written), "[B]\r\nOn=1\r\nOff=0\r\nCount=-42\r\n");
}

TEST_F(Ini, WritesKeepTheirOrderAndLinesEndWithCrLf) {
    std::string file = folder.file("new.ini");
    IniWriteString(file, "General", "Creator", "[MRV]");
    IniWriteString(file, "General", "ProgramCount", "1");
    IniWriteString(file, "0", "title", "Tool");
    IniWriteString(file, "0", "fullpath", "  \"C:\\Tool\\tool.exe\" ");
    IniWriteString(file, "General", "UserComments", "");
    IniFlush(file);
    // The blanks around a value are dropped on writing already.
    EXPECT_EQ(fileText(file), "[General]\r\nCreator=[MRV]\r\nProgramCount=1\r\nUserComments=\r\n"
                              "[0]\r\ntitle=Tool\r\nfullpath=\"C:\\Tool\\tool.exe\"\r\n");
    EXPECT_EQ(IniReadString(file, "General", "Creator", ""), "[MRV]");
    // A quoted path followed by a blank comes back as the bare path.
    EXPECT_EQ(IniReadString(file, "0", "fullpath", ""), "C:\\Tool\\tool.exe");
}

TEST_F(Ini, WriteIntoAMissingFolderRaisesUnableToWrite) {
    std::string file = folder.file("missing\\profile.ini");
    EXPECT_EQ(iniError([&] {
                  IniWriteString(file, "S", "K", "v");
                  IniFlush(file);
              }),
              "Unable to write to " + file);
    EXPECT_FALSE(FileExists(file));
}

TEST_F(Ini, WriteRefusesTextThatWouldBreakTheLayout) {
    std::string file = profile("[S]\r\nK=old\r\n");
    EXPECT_EQ(iniError([&] { IniWriteString(file, "S", "K", "two\r\nlines"); }),
              "Unable to write to " + file);
    EXPECT_THROW(IniWriteString(file, "S", "A=B", "v"), EIniError);
    EXPECT_THROW(IniWriteString(file, "S", "[X]", "v"), EIniError);
    EXPECT_THROW(IniWriteString(file, "S\nT", "K", "v"), EIniError);
    IniFlush(file);
    EXPECT_EQ(fileText(file), "[S]\r\nK=old\r\n");
    EXPECT_EQ(IniReadString(file, "S", "K", ""), "old");
}

TEST_F(Ini, RewriteAfterDeletingTheFileStartsAfresh) {
    std::string file = folder.file("store.ini");
    IniWriteString(file, "General", "ProgramCount", "2");
    IniWriteString(file, "0", "title", "First");
    IniFlush(file);
    ASSERT_TRUE(DeleteFileAt(file));
    EXPECT_EQ(IniReadString(file, "0", "title", "gone"), "gone");
    IniWriteString(file, "General", "ProgramCount", "0");
    IniFlush(file);
    EXPECT_EQ(fileText(file), "[General]\r\nProgramCount=0\r\n");
}

TEST_F(Ini, AChangeMadeByAnotherWriterIsSeenOnTheNextRead) {
    std::string file = folder.file("shared.ini");
    IniWriteString(file, "S", "Key", "first");
    IniFlush(file);
    EXPECT_EQ(IniReadString(file, "S", "Key", ""), "first");
    // The Windows functions notice a change only by the file's write time,
    // which advances in ticks of the system clock.
    if (seed::kWindows)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(WriteWholeFile(file, "[S]\r\nKey=other\r\n"));
    EXPECT_EQ(IniReadString(file, "S", "Key", ""), "other");
    IniWriteString(file, "S", "Added", "yes");
    IniFlush(file);
    EXPECT_EQ(fileText(file), "[S]\r\nKey=other\r\nAdded=yes\r\n");
}

TEST_F(Ini, OtherLinesOfTheFileAreKept) {
    std::string file = profile("; a comment\r\n[First]\r\nA=1\r\n\r\n[Second]\r\nB=2\r\n");
    IniWriteString(file, "First", "C", "3");
    IniWriteString(file, "Second", "B", "22");
    IniFlush(file);
    std::string text = fileText(file);
    EXPECT_NE(text.find("; a comment\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("A=1\r\nC=3\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Second]\r\nB=22\r\n"), std::string::npos) << text;
}

TEST_F(Ini, LargeProfileWritesAndReadsBack) {
    // Natively this is the size that must stay linear; the Windows functions
    // rewrite the whole file on every write, so Wine gets a smaller one.
    const int sections = seed::kWindows ? 200 : 10000;
    std::string file = folder.file("large.ini");
    IniWriteInteger(file, "General", "ProgramCount", sections);
    for (int i = 0; i < sections; ++i) {
        std::string section = std::to_string(i);
        IniWriteString(file, section, "title", "Program " + section);
        IniWriteString(file, section, "fullpath", "C:\\Programs\\p" + section + ".exe /run");
        IniWriteInteger(file, section, "location", i % 11);
        IniWriteInteger(file, section, "rating", i % 5);
        IniWriteBool(file, section, "enabled", i % 2 == 0);
    }
    IniFlush(file);
    ASSERT_EQ(IniReadInteger(file, "General", "ProgramCount", 0), sections);
    int mismatches = 0;
    for (int i = 0; i < sections; ++i) {
        std::string section = std::to_string(i);
        mismatches += IniReadString(file, section, "title", "") != "Program " + section;
        mismatches += IniReadString(file, section, "fullpath", "") !=
                      "C:\\Programs\\p" + section + ".exe /run";
        mismatches += IniReadInteger(file, section, "location", -1) != i % 11;
        mismatches += IniReadInteger(file, section, "rating", -1) != i % 5;
        mismatches += IniReadBool(file, section, "enabled", i % 2 != 0) != (i % 2 == 0);
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
