// Shortcuts in a startup folder whose target cannot be found. Natively the
// link has no shell to resolve it, so it always reads as what it holds; under
// Wine the shell's link object reads (and resolves) the same files, which is
// what these tests are for there.

#include "support/CoreFixture.h"

#include "core/system/Files.h"
#include "core/system/ShellLink.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

class UnresolvedShortcut : public CoreTest {
protected:
    // A program file that exists while the shortcut is made, then goes.
    std::string VanishedProgram(const std::string& name) {
        const std::string program = PathJoin(Scratch(), name);
        ForceFolders(Scratch());
        EXPECT_TRUE(WriteWholeFile(program, "MZ"));
        return program;
    }
    static void Remove(const std::string& path) { ASSERT_TRUE(DeleteFileAt(path)) << path; }

    static std::vector<std::string> Commands(const TStartups& s) {
        std::vector<std::string> commands;
        for (int i = 0; i < s.Count(); ++i)
            commands.push_back(s.Items(i)->Title + "=" + s.Items(i)->CommandLine);
        return commands;
    }
};

TEST_F(UnresolvedShortcut, DeletedTargetIsListedWithTheTargetTheLinkHolds) {
    const std::string program = VanishedProgram("gone.exe");
    MakeShortcut(slCUStartup, "gone", program, "/quiet");
    Remove(program);

    TStartups s;
    ASSERT_NO_THROW(s.Refresh());
    ASSERT_EQ(s.Count(), 1);
    TStartup* gone = Find(s, "gone");
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->CommandLine, "\"" + program + "\" /quiet");
    EXPECT_EQ(gone->Location, slCUStartup);
}

TEST_F(UnresolvedShortcut, EachUnresolvedLinkKeepsItsOwnCommandLine) {
    // Read one after the other by the same link component: a link that does
    // not resolve must not take the command line of the one read before it.
    const std::string first = VanishedProgram("first.exe");
    const std::string second = VanishedProgram("second.exe");
    MakeShortcut(slCUStartup, "a-first", first, "");
    MakeShortcut(slCUStartup, "b-second", second, "-x");
    Remove(first);
    Remove(second);

    TStartups s;
    ASSERT_NO_THROW(s.Refresh());
    std::vector<std::string> commands = Commands(s);
    std::sort(commands.begin(), commands.end());
    EXPECT_EQ(commands, (std::vector<std::string>{"a-first=\"" + first + "\" ",
                                                  "b-second=\"" + second + "\" -x"}));
}

TEST_F(UnresolvedShortcut, LinkOnADriveThatDoesNotExistIsListed) {
    const std::string nowhere = "Q:\\Morvane\\nowhere.exe";
    if (FolderExists("Q:\\"))
        GTEST_SKIP() << "drive Q: exists here";
    MakeShortcut(slLMStartupFolder, "nowhere", nowhere, "");
    TStartups s;
    ASSERT_NO_THROW(s.Refresh());
    TStartup* entry = Find(s, "nowhere");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->CommandLine, "\"" + nowhere + "\" ");
}

TEST_F(UnresolvedShortcut, ShellLinkLoadGivesWhatAnUnresolvedLinkHolds) {
#ifndef _WIN32
    GTEST_SKIP() << "only the shell's link object resolves a link";
#endif
    const std::string program = VanishedProgram("held.exe");
    ShellLinkData made;
    made.Target = program;
    made.Arguments = "--held";
    made.WorkingDir = Scratch();
    made.Description = "kept";
    const std::string file = ShortcutPath(slCUStartup, "held");
    ShellLinkSave(file, made);
    Remove(program);

    ShellLinkData read;
    read.Target = "previous.exe";
    ASSERT_TRUE(ShellLinkLoad(file, read));
    EXPECT_EQ(read.Target, program);
    EXPECT_EQ(read.Arguments, "--held");
    EXPECT_EQ(read.Description, "kept");
}

} // namespace
