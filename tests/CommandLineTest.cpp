// How command lines are split: an entry's, and a shortcut's by the simpler rule.

#include "core/CommandLine.h"
#include "core/StartupList.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
