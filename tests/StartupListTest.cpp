// The collection's lookups: by command line, by place, by node of the tree.

#include "core/StartupList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupList, FindsAPlacedEntryByLocationKeyAnyCaseAndView) {
    TStartups s;
    TStartup* a = s.AddPlaced("A", "a.exe", slLMRunOnceEx, "0001");
    TStartup* b = s.AddPlaced("B", "b.exe", slActiveSetup, "{Comp}");
    b->View = RegView::Wow32;
    // The same key at another location is another entry.
    TStartup* c = s.AddPlaced("C", "c.exe", slLMWinlogon, "0001");
    EXPECT_EQ(s.FindPlaced(slLMRunOnceEx, RegView::Default, "0001"), a);
    EXPECT_EQ(s.FindPlaced(slLMWinlogon, RegView::Native, "0001"), c);
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Wow32, "{COMP}"), b);
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Default, "{comp}"), b);
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Native, "{Comp}"), nullptr);
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Wow32, "{Other}"), nullptr);
    // The 32-bit one and a native one of the same key: each finds its own.
    TStartup* native = s.AddPlaced("B64", "b64.exe", slActiveSetup, "{comp}");
    native->View = RegView::Native;
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Native, "{Comp}"), native);
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Wow32, "{Comp}"), b);
    // Taken out, it is found no more; the one beside it still is.
    std::unique_ptr<TStartup> gone = s.Delete(s.IndexOf(b));
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Wow32, "{Comp}"), nullptr);
    EXPECT_EQ(s.FindPlaced(slActiveSetup, RegView::Default, "{Comp}"), native);
    s.Clear();
    EXPECT_EQ(s.FindPlaced(slLMRunOnceEx, RegView::Default, "0001"), nullptr);
}

TEST(StartupList, FindsTheFirstEntryOfACommandLineInTheCollectionsOrder) {
    TStartups s;
    TStartup* first = s.Add("first", "", "C:\\a\\one.exe", slCURun, 0);
    TStartup* second = s.Add("second", "", "C:\\a\\two.exe", slCURun, 0);
    EXPECT_EQ(s.FindCommandLine("C:\\a\\two.exe"), second);
    EXPECT_EQ(s.FindCommandLine("C:\\A\\TWO.EXE"), nullptr);
    // Given the first one's command line, the second shares it: the first
    // is still the one found, and once it is gone the second.
    second->SetCommandLine("C:\\a\\one.exe");
    EXPECT_EQ(s.FindCommandLine("C:\\a\\two.exe"), nullptr);
    EXPECT_EQ(s.FindCommandLine("C:\\a\\one.exe"), first);
    std::unique_ptr<TStartup> removed = s.Delete(s.IndexOf(first));
    EXPECT_EQ(s.FindCommandLine("C:\\a\\one.exe"), second);
    // A placed entry's command line does not keep another from being added.
    s.AddPlaced("placed", "C:\\a\\three.exe", slLMRunOnceEx, "0001");
    EXPECT_EQ(s.FindCommandLine("C:\\a\\three.exe"), nullptr);
    EXPECT_NE(s.Add("three", "", "C:\\a\\three.exe", slCURun, 0), nullptr);
    s.Clear();
    EXPECT_EQ(s.FindCommandLine("C:\\a\\one.exe"), nullptr);
    EXPECT_NE(s.Add("again", "", "C:\\a\\one.exe", slCURun, 0), nullptr);
}

TEST(StartupList, StaysLinearWithManyPlacedEntriesAndLookups) {
    // 20,000 tasks, each looked up as a profile's load does before adding:
    // a search through every entry would take minutes here.
    TStartups s;
    for (int i = 0; i < 20000; ++i) {
        const std::string key = "Family" + std::to_string(i) + "\\Task";
        ASSERT_EQ(s.FindPlaced(slPackagedTask, RegView::Default, key), nullptr);
        s.AddPlaced("", "C:\\p\\app" + std::to_string(i) + ".exe", slPackagedTask, key);
    }
    for (int i = 0; i < 20000; i += 997)
        EXPECT_EQ(
            s.FindPlaced(slPackagedTask, RegView::Default, "FAMILY" + std::to_string(i) + "\\TASK"),
            s.Items(i));
}

TEST(StartupList, GroupsHoldTheEntriesTheirNodeShows) {
    TStartups s;
    TStartup* cu = s.Add("cu", "", "cu.exe", slCURun, 0);
    TStartup* lm = s.Add("lm", "", "lm.exe", slLMRun, 0);
    TStartup* folder = s.Add("f", "", "f.exe", slCUStartup, 0);
    TStartup* ini = s.Add("ini", "", "ini.exe", slWinIniRun, 0);
    EXPECT_EQ(s.InGroup(LocationNodeByPath("current user")), (std::vector<TStartup*>{cu, folder}));
    EXPECT_EQ(s.InGroup(LocationNodeByPath("local machine/run")), (std::vector<TStartup*>{lm}));
    EXPECT_EQ(s.InGroup(0), (std::vector<TStartup*>{cu, lm, folder}));
    EXPECT_TRUE(s.InGroup(-1).empty());
    EXPECT_EQ(s.All(), (std::vector<const TStartup*>{cu, lm, folder, ini}));
}

} // namespace
