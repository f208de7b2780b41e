#include "catalogue/ProgramMatch.h"

#include "core/system/AsciiCase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const TCatalogue& Sample() {
    static const TCatalogue c = TCatalogue::Parse(R"(catalogue-version = 1
generic = update.exe | helper.exe

program = RtkNGUI64.exe
titles = RtkNGUI
rating = 3
comment = Realtek sound settings.

program = nvcpl.dll
rating = 3
comment = NVIDIA display settings.

program = Discord.exe
titles = Discord
folders = \Discord\app-*
rating = 2
comment = Chat.

program = app.jar
rating = 2
comment = A Java program.

program = tidy.vbs
rating = 2
comment = A tidy-up script.

program = svchost.exe
folders = \Windows\System32 | \Windows\SysWOW64
rating = 4
publisher = Microsoft Windows
comment = Windows runs it itself.

program = helper.exe
folders = \Vendor\Tool
rating = 2
comment = The vendor's helper.

program = msedge.exe
titles = MicrosoftEdgeAutoLaunch_*
folders = \Microsoft\Edge\Application | \Microsoft\Edge\Application\*
rating = 2
comment = Edge, preloaded.

program = Tool.exe
titles = Tool
rating = 2
comment = The plain tool.

program = Tool.exe
titles = Tool Pro
folders = \Tool Pro
rating = 3
comment = The pro tool.
)");
    return c;
}

std::string Judged(const std::string& commandLine, const std::string& title = "") {
    const TProgramMatch m = MatchProgram(Sample(), title, commandLine);
    return m.Known() ? (m.LookAlike ? "lookalike:" : "") + m.Record->Program : "-";
}

TEST(ProgramMatch, TheProgramWindowsStartsIsJudged) {
    // Quotes, arguments, letter case, and a path with blanks left unquoted.
    EXPECT_EQ(Judged("\"C:\\Program Files\\Realtek\\Audio\\HDA\\RTKNGUI64.EXE\" -s"),
              "RtkNGUI64.exe");
    EXPECT_EQ(Judged("C:\\Program Files\\Realtek\\Audio\\HDA\\RtkNGUI64.exe -s"), "RtkNGUI64.exe");
    EXPECT_EQ(Judged("RtkNGUI64.exe"), "RtkNGUI64.exe");
    EXPECT_EQ(Judged("\"C:\\x\\RtkNGUI64.exe"), "RtkNGUI64.exe") << "an unclosed quote";
    EXPECT_EQ(Judged("C:\\x\\unknown.exe", "Nobody"), "-");
    // The entry's own reading of its command line, where it has one, wins
    // over the first word.
    EXPECT_EQ(
        MatchProgram(Sample(), "", "C:\\My Apps\\rtkngui64.exe -s", "C:\\My Apps\\RtkNGUI64.exe")
            .Record->Program,
        "RtkNGUI64.exe");
    EXPECT_FALSE(MatchProgram(Sample(), "", "RtkNGUI64.exe -s", "C:\\x\\other.exe").Known());
    EXPECT_EQ(Judged(""), "-");
}

TEST(ProgramMatch, LaunchersAreJudgedByWhatTheyLaunch) {
    EXPECT_EQ(Judged("RUNDLL32.EXE \"C:\\Windows\\System32\\nvcpl.dll\",NvStartup"), "nvcpl.dll");
    EXPECT_EQ(Judged("C:\\Windows\\system32\\rundll32.exe nvcpl.dll,NvStartup /x"), "nvcpl.dll");
    EXPECT_EQ(
        Judged("C:\\Users\\A\\AppData\\Local\\Discord\\Update.exe --processStart Discord.exe"),
        "Discord.exe");
    EXPECT_EQ(
        Judged(
            "\"C:\\Users\\A\\AppData\\Local\\Discord\\Update.exe\" --processStart=\"Discord.exe\""),
        "Discord.exe");
    EXPECT_EQ(Judged("\"C:\\Java\\bin\\javaw.exe\" -Xmx1g -jar \"C:\\Apps\\app.jar\" --quiet"),
              "app.jar");
    EXPECT_EQ(Judged("cmd /c start \"\" /min \"C:\\Program Files\\Realtek\\RtkNGUI64.exe\""),
              "RtkNGUI64.exe");

    const TProgramMatch script =
        MatchProgram(Sample(), "T", "wscript.exe //B \"C:\\Users\\A\\tidy.vbs\"");
    EXPECT_EQ(script.Record ? script.Record->Program : "-", "tidy.vbs");
    EXPECT_EQ(script.HostNote(), "Runs a script through wscript.exe.");
    const TProgramMatch inline_ = MatchProgram(
        Sample(), "Discord", "powershell.exe -NoProfile -WindowStyle Hidden -enc SQBFAFgA");
    EXPECT_FALSE(inline_.Known()) << "an inline script is no program, whatever its title";
    EXPECT_TRUE(inline_.Launch.Program.empty());
    EXPECT_EQ(inline_.HostNote(), "Runs a script through powershell.exe.");
    EXPECT_EQ(MatchProgram(Sample(), "", "powershell -File C:\\s\\tidy.vbs").Launch.Program,
              "C:\\s\\tidy.vbs");
    EXPECT_FALSE(MatchProgram(Sample(), "", "mshta vbscript:Execute(\"x\")").Known());
}

TEST(ProgramMatch, GenericNamesCountOnlyInTheirFolder) {
    EXPECT_EQ(Judged("\"C:\\Program Files\\Vendor\\Tool\\helper.exe\" /tray"), "helper.exe");
    EXPECT_EQ(Judged("C:\\Other\\helper.exe"), "-");
    EXPECT_EQ(Judged("helper.exe"), "-") << "no folder, no verdict";
    EXPECT_EQ(Judged("C:\\Other\\update.exe"), "-");
}

TEST(ProgramMatch, AWellKnownNameInAnOddFolderIsALookAlike) {
    EXPECT_EQ(Judged("C:\\Windows\\System32\\svchost.exe -k netsvcs"), "svchost.exe");
    EXPECT_EQ(Judged("c:\\windows\\syswow64\\SVCHOST.EXE"), "svchost.exe");
    EXPECT_EQ(Judged("svchost.exe"), "svchost.exe") << "found on the path: nothing says otherwise";
    const TProgramMatch fake =
        MatchProgram(Sample(), "Windows Host", "C:\\Users\\Public\\svchost.exe");
    ASSERT_TRUE(fake.LookAlike);
    EXPECT_EQ(fake.Rating(), 1);
    EXPECT_EQ(fake.Comment(),
              "Not the real svchost.exe of Microsoft Windows: that program lives in "
              "\\Windows\\System32, but this svchost.exe is in C:\\Users\\Public. A file that "
              "takes a well-known name in another folder may be pretending to be it: check it "
              "before you keep it.");
    EXPECT_EQ(Judged("C:\\Windows\\System32\\evil\\svchost.exe"), "lookalike:svchost.exe");
    // Another maker's program may be installed anywhere, but not in a place
    // where no program is installed.
    EXPECT_EQ(Judged("D:\\Apps\\Discord\\Discord.exe"), "Discord.exe");
    EXPECT_EQ(Judged("C:\\Users\\A\\AppData\\Local\\Temp\\x\\Discord.exe"),
              "lookalike:Discord.exe");
    EXPECT_EQ(Judged("C:\\Users\\A\\AppData\\Roaming\\Discord.exe"), "lookalike:Discord.exe");
    EXPECT_EQ(Judged("C:\\ProgramData\\Discord.exe"), "lookalike:Discord.exe");
    EXPECT_EQ(Judged("C:\\ProgramData\\Discord\\Discord.exe"), "Discord.exe");
}

TEST(ProgramMatch, TitlesCountWhereTheFileSaysNothingAgainstThem) {
    EXPECT_EQ(Judged("\"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe\" "
                     "--no-startup-window --win-session-start",
                     "MicrosoftEdgeAutoLaunch_0F3A9C2B"),
              "msedge.exe");
    // A title alone never names a program of fixed folders elsewhere.
    EXPECT_EQ(Judged("C:\\Users\\Public\\x.exe", "MicrosoftEdgeAutoLaunch_00"), "-");
    EXPECT_EQ(Judged("C:\\Apps\\renamed.exe", "RtkNGUI"), "RtkNGUI64.exe");
    // Of two records of one name, the one of its folder, else the one of its title.
    const TProgramMatch pro = MatchProgram(Sample(), "Tool", "C:\\Tool Pro\\Tool.exe");
    EXPECT_EQ(pro.Record ? pro.Record->Comment : "", "The pro tool.");
    const TProgramMatch plain = MatchProgram(Sample(), "Tool", "C:\\Elsewhere\\Tool.exe");
    EXPECT_EQ(plain.Record ? plain.Record->Comment : "", "The plain tool.");
    EXPECT_FALSE(plain.LookAlike);
}

#ifndef _WIN32
// Entries as users' diagnostic logs show them, kept out of the catalogue:
// title, command line, and the program the catalogue must name ("-" for
// none, "lookalike:x" for a file pretending to be x).
TEST(ProgramMatch, RecognisesWhatRealMachinesStart) {
    std::ifstream in(MORVANE_SAMPLES);
    ASSERT_TRUE(in) << MORVANE_SAMPLES;
    std::string line;
    int known = 0, expectedKnown = 0, total = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string title, command, expected;
        ASSERT_TRUE(std::getline(fields, title, '\t') && std::getline(fields, command, '\t') &&
                    std::getline(fields, expected, '\t'))
            << line;
        ++total;
        const TProgramMatch m = MatchProgram(TCatalogue::Builtin(), title, command);
        std::string got = "-";
        if (m.Known())
            got = (m.LookAlike ? "lookalike:" : "") + m.Record->Program;
        if (expected != "-")
            ++expectedKnown;
        if (m.Known() && asciiEqualNoCase(got, expected)) {
            ++known;
        } else if (m.Known()) {
            ADD_FAILURE() << "a wrong program named for " << title << ": " << got << " for "
                          << expected;
        }
    }
    ASSERT_GT(expectedKnown, 100);
    std::printf("recognised %d of %d known entries (%d samples)\n", known, expectedKnown, total);
    EXPECT_GE(known * 100, expectedKnown * 85)
        << known << " of " << expectedKnown << " of " << total;
}
#endif

} // namespace
