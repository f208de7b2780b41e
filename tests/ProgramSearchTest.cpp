// The search path and the lookups of program files.

#include "core/ProgramSearch.h"
#include "core/system/Files.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

namespace {

struct ProgramSearch : CoreTest {};

// What a listing answers is what the file system answers, for files, for
// folders that carry a program's name, for names it cannot hold and for a
// folder that is not there; and each folder is listed once.
TEST_F(ProgramSearch, ListingsAnswerAsTheFileSystemDoes) {
    const std::string folder = PathJoin(Scratch(), "programs");
    ForceFolders(PathJoin(folder, "dir.exe"));
    WriteFileBytes(PathJoin(folder, "here.exe"), "x");
    WriteFileBytes(PathJoin(folder, "Mixed.Case.exe"), "x");
    const std::string wide = PathJoin(Scratch(), "wide");
    ForceFolders(wide);
    WriteFileBytes(PathJoin(wide, "caf\xc3\xa9.exe"), "x");
    const std::string names[] = {"here.exe",       "missing.exe", "dir.exe",
                                 "Mixed.Case.exe", "other.exe",   "here.exe.bak"};
    TFolderListings listings;
    for (int pass = 0; pass < 2; ++pass)
        for (const std::string& name : names) {
            const std::string path = PathJoin(folder, name);
            EXPECT_EQ(listings.ProgramFileExists(path), ProgramFileExists(path)) << path;
        }
    EXPECT_TRUE(listings.ProgramFileExists(PathJoin(folder, "here.exe")));
    EXPECT_FALSE(listings.ProgramFileExists(PathJoin(folder, "dir.exe")));
    EXPECT_EQ(listings.Count(), 2) << "the folder and, to find it, its parent";
    // A folder its parent does not hold costs no listing, however deep.
    const std::string nowhere = PathJoin(Scratch(), "gone\\x.exe");
    EXPECT_FALSE(listings.ProgramFileExists(nowhere));
    EXPECT_FALSE(listings.ProgramFileExists(PathJoin(Scratch(), "gone\\deeper\\y.exe")));
    EXPECT_EQ(listings.Count(), 2);
    // A folder with a name beyond ASCII in it asks the file system of
    // every name the listing does not hold.
    EXPECT_TRUE(listings.ProgramFileExists(PathJoin(wide, "caf\xc3\xa9.exe")));
    EXPECT_FALSE(listings.ProgramFileExists(PathJoin(wide, "cafe.exe")));
    EXPECT_EQ(listings.Count(), 3);

    // What appears later is seen once the listings are dropped.
    WriteFileBytes(PathJoin(folder, "later.exe"), "x");
    EXPECT_FALSE(listings.ProgramFileExists(PathJoin(folder, "later.exe")));
    listings.Clear();
    EXPECT_EQ(listings.Count(), 0);
    EXPECT_TRUE(listings.ProgramFileExists(PathJoin(folder, "later.exe")));
}

TEST_F(ProgramSearch, LookupsGiveWhatEveryEntryWouldBeTold) {
    const std::string folder = PathJoin(Scratch(), "tools");
    ForceFolders(folder);
    WriteFileBytes(PathJoin(folder, "tool.exe"), "x");
    SetEnv("MORVANE_TOOLS", folder);
    const std::string written[] = {PathJoin(folder, "tool.exe"),
                                   "%MORVANE_TOOLS%\\tool.exe",
                                   "%morvane_tools%\\tool.exe",
                                   "%MORVANE_TOOLS%\\gone.exe",
                                   "%MORVANE_NO_SUCH_VAR%\\x.exe",
                                   "surely-not-here-4711.exe",
                                   ""};
    TProgramLookups lookups;
    TStartups s;
    for (const std::string& path : written) {
        const TProgramFile& file = lookups.Locate(path);
        const TProgramFile direct = LocateProgramFile(path);
        EXPECT_EQ(file.Located, direct.Located) << path;
        EXPECT_EQ(file.Missing, direct.Missing) << path;
        if (TStartup* e = s.Add("t", "", path, slCURun, 0)) {
            EXPECT_EQ(e->LocatedFile(), file.Located) << path;
            EXPECT_EQ(e->FileMissing(), file.Missing) << path;
        }
    }
    EXPECT_FALSE(lookups.Locate("%MORVANE_TOOLS%\\tool.exe").Missing);
    EXPECT_TRUE(lookups.Locate("%MORVANE_TOOLS%\\gone.exe").Missing);
    EXPECT_EQ(lookups.Locate("%MORVANE_TOOLS%\\tool.exe").Located, PathJoin(folder, "tool.exe"));
    EXPECT_EQ(lookups.Count(), 7);
    lookups.Clear();
    EXPECT_EQ(lookups.Count(), 0);
}

// A name with a drive is looked for as itself and nowhere else: joined to a
// search folder it names no file, and each such question costs a call to the
// file system for every missing program. A name without one is still looked
// for in the search folders.
TEST_F(ProgramSearch, ANameWithADriveIsNotLookedForInTheSearchFolders) {
    const auto count = [](const std::string& name) {
        int asked = 0;
        bool found = true;
        FindOnPath(
            name,
            [&asked](const std::string&) {
                ++asked;
                return false;
            },
            &found);
        EXPECT_FALSE(found) << name;
        return asked;
    };
    EXPECT_EQ(count("C:\\Program Files\\Gone Vendor\\app.exe"), 1);
    EXPECT_EQ(count("D:app.exe"), 1);
    EXPECT_EQ(count("tools\\app.exe"), 1 + static_cast<int>(SearchFolders().Count()));
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
