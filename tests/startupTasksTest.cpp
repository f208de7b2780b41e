// The use cases the window and the command-line tool share: what each one
// changes, and what it leaves alone when it refuses.

#include "support/CoreFixture.h"

#include "core/system/Errors.h"
#include "core/system/Files.h"

namespace {

class StartupTasks : public CoreTest {};

TEST_F(StartupTasks, RemoveForgetsADisabledEntryAtOnceAndRefusesAnEnabledOne) {
    PutValue(slCURun, "Kept", "C:\\k\\kept.exe");
    PutValue(slCURun, "Gone", "C:\\g\\gone.exe");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    Find(s, "Gone")->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());

    TSystemLock lock(SystemLockPath());
    EXPECT_EQ(RemoveStartup(*Find(s, "Kept"), lock), nullptr);
    EXPECT_NE(Find(s, "Kept"), nullptr);
    EXPECT_TRUE(HasValue(slCURun, "Kept"));

    std::unique_ptr<TStartup> removed = RemoveStartup(*Find(s, "Gone"), lock);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->Title, "Gone");
    EXPECT_EQ(s.Count(), 1);
    lock.Release();
    // Written there and then: a window that never closes properly, or the
    // next command of the tool, does not bring it back.
    TStartups again;
    Rescan(again);
    ASSERT_EQ(again.Count(), 1);
    EXPECT_EQ(again.Items(0)->Title, "Kept");
    EXPECT_FALSE(HasValue(slCURun, "Gone"));
}

TEST_F(StartupTasks, AProfileThatIsMissingOrNoProfileChangesNothing) {
    PutValue(slCURun, "Tool", "C:\\t\\tool.exe");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    int told = 0;
    auto before = [&] { ++told; };

    const std::string missing = PathJoin(Scratch(), "missing.mvp");
    EXPECT_EQ(LoadProfile(s, missing, before), TProfileLoad::Missing);

    const std::string notes = PathJoin(Scratch(), "notes.mvp");
    WriteFileBytes(notes, "just some notes\r\n");
    try {
        LoadProfile(s, notes, before);
        ADD_FAILURE() << "a file without [General] was loaded";
    } catch (const EMorvaneError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "\"" + notes + "\" is not a Morvane profile: it has no [General] section");
    }
    EXPECT_EQ(told, 0);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_EQ(s.Items(0)->Title, "Tool");

    const std::string profile = PathJoin(Scratch(), "two.mvp");
    TStartups two;
    two.Add("One", "", "C:\\1\\one.exe", slCURun, 0);
    two.Add("Two", "", "C:\\2\\two.exe", slCURun, 0);
    two.SaveToFile(profile);
    EXPECT_EQ(LoadProfile(s, profile, before), TProfileLoad::Loaded);
    EXPECT_EQ(told, 1);
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Items(1)->Title, "Two");
}

TEST_F(StartupTasks, AnApplyReportStatesFactsAndLeavesAdviceToItsReader) {
    TApplyReport report;
    TStartups s;
    TStartup* e = s.Add("Tool", "", "C:\\t\\tool.exe", slLMRun, 0);
    report.Failures.push_back({e, "Tool", "LM Run", true, "access was refused"});
    report.NeedsElevation = true;
    EXPECT_EQ(report.Message(),
              "This change could not be applied:\n- \"Tool\" (LM Run), disabling: access was "
              "refused");
}

} // namespace
