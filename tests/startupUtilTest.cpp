// Entries, the collection and the command-line rules.

#include "core/startupUtil.h"
#include "core/system/Errors.h"

#include <gtest/gtest.h>

namespace {

TEST(StartupAdd, DropsRepeatedCommandLineButKeepsOtherLetterCase) {
    TStartups s;
    ASSERT_NE(s.Add("a", "", "C:\\x\\app.exe", slCURun, 0), nullptr);
    s.Modified = false;
    EXPECT_EQ(s.Add("b", "", "C:\\x\\app.exe", slLMRun, 0), nullptr);
    EXPECT_FALSE(s.Modified);
    EXPECT_NE(s.Add("c", "", "C:\\X\\APP.EXE", slLMRun, 0), nullptr);
    EXPECT_TRUE(s.Modified);
    EXPECT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Add("d", "", "", slLMRun, 0), nullptr);
}

TEST(StartupAdd, QuotedPathWithOneBlankAsTheFolderScanBuildsIt) {
    TStartups s;
    TStartup* e = s.Add("", "", "\"C:\\x\\y.exe\" ", slCUStartup, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->FileName, "y.exe\" ");
    EXPECT_EQ(e->Title, "y");
    EXPECT_EQ(e->FilePath, "C:\\x\\y.exe");
    EXPECT_EQ(e->Arguments, " ");
    EXPECT_TRUE(e->Enabled);
    EXPECT_FALSE(e->IsRundll);
}

TEST(StartupAdd, LocationKeepsLowEightBitsAndRatingIsNotClamped) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", 260, 9);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Location, 4);
    EXPECT_EQ(e->Rating, 9);
    TStartup* odd = s.Add("u", "", "b.exe", 200, 0);
    EXPECT_EQ(odd->Location, 200);
    for (int g = 0; g < LocationGroupCount; ++g)
        EXPECT_FALSE(InLocationGroup(odd->Location, g));
}

TEST(StartupAdd, StaysLinearWithManyEntries) {
    // 20,000 distinct command lines plus the same again: only the first set
    // is kept. Quadratic comparison here would take minutes.
    TStartups s;
    for (int i = 0; i < 20000; ++i)
        s.Add("", "", "C:\\p\\prog" + std::to_string(i) + ".exe", slCURun, 0);
    for (int i = 0; i < 20000; ++i)
        EXPECT_EQ(s.Add("", "", "C:\\p\\prog" + std::to_string(i) + ".exe", slLMRun, 0), nullptr);
    EXPECT_EQ(s.Count(), 20000);
}

TEST(StartupEntry, SettersAndModified) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", slCURun, 3);
    s.Modified = false;
    e->SetTitle("other");
    e->SetLocation(slLMRun);
    e->SetRating(3);
    e->SetComment("c");
    e->SetImageIndex(4);
    EXPECT_FALSE(s.Modified);
    e->SetRating(2);
    EXPECT_TRUE(s.Modified);
    s.Modified = false;
    e->SetEnabled(true);
    EXPECT_FALSE(s.Modified);
    e->SetEnabled(false);
    EXPECT_TRUE(s.Modified);
    s.Modified = false;
    e->SetFileName("a.exe");
    EXPECT_FALSE(s.Modified);
    e->SetFileName("b.exe");
    EXPECT_TRUE(s.Modified);
}

TEST(StartupEntry, ClearKeepsModifiedAndChangedCommandLinesStayUnique) {
    TStartups s;
    TStartup* e = s.Add("t", "", "a.exe", slCURun, 0);
    e->SetCommandLine("b.exe");
    EXPECT_NE(s.Add("t", "", "a.exe", slCURun, 0), nullptr);
    EXPECT_EQ(s.Add("t", "", "b.exe", slCURun, 0), nullptr);
    EXPECT_TRUE(s.Modified);
    s.Clear();
    EXPECT_TRUE(s.Modified);
    EXPECT_EQ(s.Count(), 0);
    EXPECT_NE(s.Add("t", "", "b.exe", slCURun, 0), nullptr);
}

TEST(StartupEntry, RemoveFromOwnerHandsTheEntryOver) {
    TStartups s;
    s.Add("a", "", "a.exe", slCURun, 0);
    TStartup* b = s.Add("b", "", "b.exe", slCURun, 0);
    std::unique_ptr<TStartup> taken = b->RemoveFromOwner();
    EXPECT_EQ(taken.get(), b);
    EXPECT_EQ(s.Count(), 1);
    EXPECT_NE(s.Add("b", "", "b.exe", slCURun, 0), nullptr);
    EXPECT_THROW(s.Delete(5), EListError);
    EXPECT_THROW(s.Delete(-1), EListError);
}

struct ParseCase {
    const char* CommandLine;
    const char* FilePath;
    const char* Arguments;
    bool IsRundll;
};

TEST(StartupCommandLine, WorkedExamples) {
    const ParseCase cases[] = {
        {"C:\\Tools\\app.exe /min", "C:\\Tools\\app.exe", "/min", false},
        // The last dot decides where the program ends.
        {"C:\\Tools\\app.exe -ini C:\\Tools\\app.ini", "C:\\Tools\\app.exe -ini C:\\Tools\\app.ini",
         "", false},
        {"\"C:\\Program Files\\A\\a.exe\" /min", "C:\\Program Files\\A\\a.exe", " /min", false},
        {"RUNDLL32.EXE shell32.dll,Control_RunDLL", "shell32.dll", "Control_RunDLL", true},
        {"rundll32.exe \"C:\\x\\y.dll\",Entry", "C:\\x\\y.dll", " Entry", true},
        {"C:\\Tools\\app", "", "", false},
        {"'C:\\q\\s.exe' -x", "C:\\q\\s.exe", " -x", false},
        {"  C:\\pad\\p.exe", "C:\\pad\\p.exe", "", false},
    };
    for (const ParseCase& c : cases) {
        TStartups s;
        TStartup* e = s.Add("t", "", c.CommandLine, slCURun, 0);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->FilePath, c.FilePath) << c.CommandLine;
        EXPECT_EQ(e->Arguments, c.Arguments) << c.CommandLine;
        EXPECT_EQ(e->IsRundll, c.IsRundll) << c.CommandLine;
    }
}

TEST(StartupCommandLine, EndsWhenARundllPassFindsNothing) {
    const char* hostile[] = {
        "RUNDLL32.EXE \"unterminated",
        "rundll32.exe",
        "RUNDLL32.EXE RUNDLL32.EXE RUNDLL32.EXE",
        "RUNDLL32.EXE 'x",
        "\"RUNDLL32.EXE\" \"RUNDLL32.EXE\" nodot",
        "RUNDLL32.EXE,RUNDLL32.EXE",
    };
    for (const char* text : hostile) {
        std::string program;
        std::string args;
        ParseCommandLine(text, program, args);
        TStartups s;
        EXPECT_NE(s.Add("t", "", text, slCURun, 0), nullptr) << text;
    }
}

TEST(StartupCommandLine, ShortcutRules) {
    EXPECT_EQ(ExtractProgramFile("\"C:\\a b\\c.exe\" -x"), "C:\\a b\\c.exe");
    EXPECT_EQ(ExtractProgramArguments("\"C:\\a b\\c.exe\" -x"), " -x");
    EXPECT_EQ(ExtractProgramFile("\"C:\\a b\\c.exe\" "), "C:\\a b\\c.exe");
    EXPECT_EQ(ExtractProgramArguments("\"C:\\a b\\c.exe\" "), " ");
    EXPECT_EQ(ExtractProgramFile("\"unterminated"), "");
    EXPECT_EQ(ExtractProgramArguments("\"unterminated"), "");
    EXPECT_EQ(ExtractProgramFile("C:\\t\\a.exe /min"), "C:\\t\\a.exe");
    EXPECT_EQ(ExtractProgramArguments("C:\\t\\a.exe /min /x"), "/min /x");
    EXPECT_EQ(ExtractProgramFile("C:\\t\\a"), "");
    EXPECT_EQ(ExtractProgramArguments("C:\\t\\a.exe"), "");
    EXPECT_EQ(ExtractProgramFile(""), "");
}

TEST(StartupLocations, GroupsAndNames) {
    EXPECT_STREQ(LocationName(0), "LM Startup Folder");
    EXPECT_STREQ(LocationName(7), "LM Service Once");
    EXPECT_STREQ(LocationName(10), "CU Startup");
    EXPECT_STREQ(LocationName(11), "CU Policy Run");
    EXPECT_STREQ(LocationName(LocationCodeCount), "");
    EXPECT_STREQ(LocationKey(6), "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    for (unsigned code : {1u, 2u, 3u, 18u, 200u})
        for (int g = 0; g < LocationGroupCount; ++g)
            EXPECT_FALSE(InLocationGroup(code, g)) << code << " in " << g;
    EXPECT_TRUE(InLocationGroup(8, 8));
    EXPECT_TRUE(InLocationGroup(9, 8));
    EXPECT_TRUE(InLocationGroup(10, 8));
    EXPECT_FALSE(InLocationGroup(0, 8));
    EXPECT_TRUE(InLocationGroup(0, 0));
    EXPECT_TRUE(InLocationGroup(7, 6));
}

TEST(StartupSearchPath, SplitList) {
    TStringList list;
    SplitList("C:\\a; C:\\b ;;\"C:\\q\";C:\\c", ';', list);
    ASSERT_EQ(list.Count(), 6u);
    EXPECT_EQ(list[0], "C:\\a");
    EXPECT_EQ(list[1], "C:\\b");
    EXPECT_EQ(list[2], "");
    // The closing quote ends the token, the separator after it an empty one.
    EXPECT_EQ(list[3], "C:\\q");
    EXPECT_EQ(list[4], "");
    EXPECT_EQ(list[5], "C:\\c");

    TStringList quotes;
    SplitList("a\"b\"c", ';', quotes);
    ASSERT_EQ(quotes.Count(), 1u);
    EXPECT_EQ(quotes[0], "abc");

    // A separator ends a token even inside quotes.
    TStringList inside;
    SplitList("\"a;b\"", ';', inside);
    ASSERT_EQ(inside.Count(), 2u);
    EXPECT_EQ(inside[0], "a");
    EXPECT_EQ(inside[1], "b");
}

} // namespace
