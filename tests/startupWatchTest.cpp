// The watcher: what it remembers between two looks and two runs, what it
// tells, and the programs it keeps off (and only those).

#include "support/CoreFixture.h"

#include "core/startupWatch.h"
#include "core/system/Files.h"

#include <algorithm>

namespace {

std::vector<std::string> Told(const std::vector<TWatchEvent>& events) {
    std::vector<std::string> lines;
    for (const TWatchEvent& e : events)
        lines.push_back(std::string(e.ChangeName()) + " " + e.Item.Name);
    // The registry lists values in an order of its own.
    std::sort(lines.begin(), lines.end());
    return lines;
}

class StartupWatch : public CoreTest {
protected:
    // Disables one entry the way the window's Apply does.
    static void TurnOffWithMorvane(const std::string& title) {
        TStartups s;
        Rescan(s);
        ASSERT_NE(Find(s, title), nullptr);
        Find(s, title)->SetEnabled(false);
        ASSERT_APPLIED(s.ApplyChanges());
    }
};

using Lines = std::vector<std::string>;

TEST(StartupWatchFiles, SnapshotReadsBackWholeAndADamagedOneReadsAsNone) {
    const TWatchSnapshot snapshot = {
        {slCURun, RegView::Default, "Tab\tand\\slash", "Tab\tand\\slash", "C:\\a.exe /x\r\n2",
         false},
        {slLMRun, RegView::Wow32, "", "Default", "C:\\d.exe", true},
    };
    const std::string text = FormatSnapshot(snapshot);
    TWatchSnapshot back;
    ASSERT_TRUE(ParseSnapshot(text, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Name, "Tab\tand\\slash");
    EXPECT_EQ(back[0].CommandLine, "C:\\a.exe /x\r\n2");
    EXPECT_EQ(back[1].View, RegView::Wow32);
    EXPECT_EQ(back[1].Title, "Default");
    EXPECT_TRUE(back[1].OffByWindows);

    for (const std::string& damaged :
         {text.substr(0, text.size() - 1), text.substr(0, text.find("end")),
          std::string("junk\r\n"),
          text.substr(0, text.find("\r\n") + 2) + "99\t0\tx\tx\tx\t0\r\nend 1\r\n"}) {
        EXPECT_FALSE(ParseSnapshot(damaged, back)) << damaged;
        EXPECT_TRUE(back.empty());
    }
}

TEST(StartupWatchFiles, ComparisonGoesByPlaceAndListsReadBack) {
    const TWatchSnapshot before = {
        {slCURun, RegView::Default, "Same", "Same", "C:\\s.exe", false},
        {slCURun, RegView::Default, "Updater", "Updater", "C:\\u1.exe", false},
        {slCUStartup, RegView::Default, "Gone", "Gone", "C:\\g.exe", false},
    };
    const TWatchSnapshot after = {
        {slCURun, RegView::Default, "UPDATER", "UPDATER", "C:\\u2.exe", false},
        {slCURun, RegView::Default, "Same", "Same", "C:\\s.exe", false},
        {slLMRun, RegView::Wow32, "New", "New", "C:\\n.exe", false},
    };
    const std::vector<TWatchEvent> events = CompareSnapshots(before, after);
    EXPECT_EQ(Told(events), (Lines{"added New", "changed UPDATER", "removed Gone"}));
    EXPECT_EQ(events[0].OldCommandLine, "C:\\u1.exe");
    EXPECT_EQ(events[1].Text(), "\xC2\xABNew\xC2\xBB now starts with Windows (LM Run (32-bit))");

    TWatchLists lists;
    lists.Ignore(after[0]);
    lists.Allow("C:\\Tools\\Tool.exe");
    TWatchLists back;
    ASSERT_TRUE(back.Parse(lists.Format()));
    EXPECT_TRUE(back.Ignores(before[1]));
    EXPECT_FALSE(back.Ignores(before[0]));
    EXPECT_TRUE(back.Allows("c:\\tools\\tool.exe"));
    EXPECT_FALSE(back.Parse(lists.Format() + "allow"));
    EXPECT_FALSE(back.Allows("c:\\tools\\tool.exe"));
}

TEST_F(StartupWatch, ALookTellsWhatChangedSinceTheLastRunAndHonoursTheIgnoreList) {
    PutValue(slCURun, "Stays", "C:\\s\\stays.exe");
    PutValue(slCURun, "Updater", "C:\\u\\updater.exe /v1");
    {
        TStartupWatch first;
        // The first run ever has nothing to compare with.
        EXPECT_TRUE(first.Look().empty());
    }
    PutValue(slCURun, "Updater", "C:\\u\\updater.exe /v2");
    PutValue(slCURun, "Newcomer", "C:\\n\\new.exe");
    MakeShortcut(slCUStartup, "Linked", "C:\\l\\linked.exe", "");
    TStartupWatch next;
    const std::vector<TWatchEvent> events = next.Look();
    EXPECT_EQ(Told(events), (Lines{"added Linked", "added Newcomer", "changed Updater"}));
    EXPECT_TRUE(next.Look().empty());

    for (const TWatchEvent& e : events)
        if (e.Item.Name == "Updater")
            next.Ignore(e.Item);
    PutValue(slCURun, "Updater", "C:\\u\\updater.exe /v3");
    EXPECT_TRUE(next.Look().empty());
    TStartupWatch again;
    PutValue(slCURun, "Updater", "C:\\u\\updater.exe /v4");
    EXPECT_TRUE(again.Look().empty());
}

TEST_F(StartupWatch, AProgramTurnedOffComesBackAndIsTurnedOffAgainUnlessAllowed) {
    PutValue(slCURun, "Nagger", "C:\\n\\nagger.exe");
    PutValue(slCURun, "Allowed", "C:\\a\\allowed.exe");
    PutValue(slCURun, "Left On", "C:\\o\\on.exe");
    TurnOffWithMorvane("Nagger");
    TurnOffWithMorvane("Allowed");
    TStartupWatch watch;
    EXPECT_TRUE(watch.Look().empty());

    // Allowed by another watcher (the window's, while the tool watches).
    TStartupWatch other;
    other.Allow({slCURun, RegView::Default, "Allowed", "Allowed", "C:\\a\\allowed.exe", false});

    // The same registration written back, and the program in another place.
    PutValue(slCURun, "Nagger", "C:\\n\\nagger.exe");
    MakeShortcut(slCUStartup, "Nagger Helper", "C:\\n\\nagger.exe", "/tray");
    PutValue(slCURun, "Allowed", "C:\\a\\allowed.exe");
    PutValue(slCURun, "Newcomer", "C:\\w\\new.exe");
    EXPECT_EQ(Told(watch.Look()), (Lines{"added Allowed", "added Newcomer", "kept-off Nagger",
                                         "kept-off Nagger Helper"}));
    EXPECT_FALSE(HasValue(slCURun, "Nagger"));
    EXPECT_FALSE(FileExists(ShortcutPath(slCUStartup, "Nagger Helper")));
    EXPECT_TRUE(HasValue(slCURun, "Newcomer"));
    EXPECT_TRUE(HasValue(slCURun, "Left On"));

    // Both are kept disabled in the list, to be enabled by the user.
    TStartups s;
    Rescan(s);
    ASSERT_NE(Find(s, "Nagger"), nullptr);
    EXPECT_FALSE(Find(s, "Nagger")->Enabled);
    ASSERT_NE(Find(s, "Nagger Helper"), nullptr);
    EXPECT_FALSE(Find(s, "Nagger Helper")->Enabled);
    ASSERT_NE(Find(s, "Allowed"), nullptr);
    EXPECT_TRUE(Find(s, "Allowed")->Enabled);
}

TEST_F(StartupWatch, KeptOffIsToldOnceAndTurnOffDisablesTheWayApplyDoes) {
    PutValue(slCURun, "Nagger", "C:\\n\\nagger.exe");
    TurnOffWithMorvane("Nagger");
    TStartupWatch watch;
    watch.Look();
    PutValue(slCURun, "Nagger", "C:\\n\\nagger.exe");
    PutValue(slCURun, "Other", "C:\\o\\other.exe");
    std::vector<TWatchEvent> events = watch.Look();
    ASSERT_EQ(Told(events), (Lines{"added Other", "kept-off Nagger"}));
    if (events[0].Change != TWatchChange::KeptOff)
        std::swap(events[0], events[1]);
    EXPECT_EQ(events[0].Text(),
              "\xC2\xABNagger\xC2\xBB turned itself back on; Morvane turned it off again");
    EXPECT_FALSE(HasValue(slCURun, "Nagger"));
    EXPECT_TRUE(watch.Look().empty());

    EXPECT_EQ(watch.TurnOff(events[1].Item), "");
    EXPECT_FALSE(HasValue(slCURun, "Other"));
    TStartups s;
    Rescan(s);
    ASSERT_NE(Find(s, "Other"), nullptr);
    EXPECT_FALSE(Find(s, "Other")->Enabled);
    EXPECT_EQ(Told(watch.Look()), (Lines{"removed Other"}));
    EXPECT_NE(watch.TurnOff(events[1].Item), "");
}

TEST_F(StartupWatch, ADamagedSnapshotIsSetAsideAndRebuiltNotTrusted) {
    PutValue(slCURun, "Tool", "C:\\t\\tool.exe");
    {
        TStartupWatch first;
        first.Look();
    }
    const std::string path = WatchSnapshotPath();
    const std::string whole = ReadFileBytes(path);
    WriteFileBytes(path, whole.substr(0, whole.size() / 2));
    PutValue(slCURun, "Added", "C:\\a\\added.exe");
    TStartupWatch next;
    EXPECT_TRUE(next.Look().empty());
    ASSERT_EQ(next.Notices.size(), 1u);
    EXPECT_NE(next.Notices[0].find("could not be read. It was kept as"), std::string::npos);
    TWatchSnapshot rebuilt;
    EXPECT_TRUE(ParseSnapshot(ReadFileBytes(path), rebuilt));
    EXPECT_EQ(rebuilt.size(), 2u);
    const size_t from = next.Notices[0].find("kept as \"") + 9;
    const std::string aside = next.Notices[0].substr(from, next.Notices[0].find('"', from) - from);
    EXPECT_EQ(ReadFileBytes(aside), whole.substr(0, whole.size() / 2));
}

} // namespace
