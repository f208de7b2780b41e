// Applying the collection to the system, the store of disabled entries and
// what is kept to give disabled entries back as they were.

#include "support/CoreFixture.h"

#include "core/system/Errors.h"
#include "core/system/Files.h"

namespace {

class StartupApply : public CoreTest {};

TEST_F(StartupApply, RegistryRoundTripThroughTheStore) {
    PutValue(slCURun, "Tool", "C:\\t\\tool.exe /quiet");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    s.Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, "Tool"));

    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    TStartup* e = s.Items(0);
    EXPECT_FALSE(e->Enabled);
    EXPECT_EQ(e->Title, "Tool");
    EXPECT_EQ(e->Location, slCURun);

    e->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Tool", v));
    EXPECT_EQ(v.Text, "C:\\t\\tool.exe /quiet");
    EXPECT_EQ(v.Type, uint32_t(regSz));

    // The next store write drops the entry that is enabled again.
    SaveDisabledStore(s);
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    EXPECT_EQ(store.Count(), 0);
}

TEST_F(StartupApply, ApplyKeepsUnchangedExpandValue) {
    PutValue(slCURun, "Expand", "%SystemRoot%\\system32\\e.exe", regExpandSz);
    TStartups s;
    Rescan(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Expand", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
}

TEST_F(StartupApply, ExpandValueComesBackExpandable) {
    PutValue(slCURun, "Expand", "C:\\no-variable\\e.exe", regExpandSz);
    TStartups s;
    Rescan(s);
    s.Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    Rescan(s);
    s.Items(0)->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Expand", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    EXPECT_EQ(v.Text, "C:\\no-variable\\e.exe");
}

TEST_F(StartupApply, ProfileValueNamingAVariableIsWrittenExpandable) {
    TStartups s;
    s.Add("Var", "", "%ProgramFiles%\\v\\v.exe", slCURun, 0);
    s.Add("Plain", "", "C:\\v\\p.exe 100%", slCURun, 0);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Var", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    ASSERT_TRUE(GetValue(slCURun, "Plain", v));
    EXPECT_EQ(v.Type, uint32_t(regSz));
}

TEST_F(StartupApply, ApplyLeavesAnExistingShortcutUntouched) {
    MakeShortcut(slCUStartup, "Rich", "C:\\r\\rich.exe", "-x", "C:\\r", "A rich shortcut");
    const std::string before = ReadFileBytes(ShortcutPath(slCUStartup, "Rich"));
    TStartups s;
    Rescan(s);
    ASSERT_APPLIED(s.ApplyChanges());
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_EQ(ReadFileBytes(ShortcutPath(slCUStartup, "Rich")), before);
}

TEST_F(StartupApply, DisableThenEnableGivesBackTheSameShortcut) {
    MakeShortcut(slCUStartup, "Rich", "C:\\r\\rich.exe", "-x", "C:\\r", "A rich shortcut");
    const std::string path = ShortcutPath(slCUStartup, "Rich");
    TStartups s;
    Rescan(s);
    s.Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(FileExists(path));

    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_FALSE(s.Items(0)->Enabled);
    s.Items(0)->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());

    TShortcutLink link;
    link.ShortcutFile = path;
    link.LoadLink();
    EXPECT_EQ(link.Target, "C:\\r\\rich.exe");
    EXPECT_EQ(link.Arguments, "-x");
    EXPECT_EQ(link.WorkingDir, "C:\\r");
    EXPECT_EQ(link.Description, "A rich shortcut");
}

TEST_F(StartupApply, ShortcutWithoutAKeptCopyIsBuiltFromTheCommandLine) {
    TStartups s;
    s.Add("Built", "", "\"C:\\b\\built.exe\" -y z", slCUStartup, 0);
    ASSERT_APPLIED(s.ApplyChanges());
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    // The command line survives the trip through the shortcut file.
    EXPECT_EQ(s.Items(0)->CommandLine, "\"C:\\b\\built.exe\" -y z");
}

TEST_F(StartupApply, NameOnlyAndUnknownCodesAreNeitherWrittenNorDeleted) {
    TStartups s;
    s.Add("two", "", "C:\\n\\two.exe", slWinIniLoad, 0)->SetEnabled(false);
    s.Add("unknown", "", "C:\\n\\unknown.exe", 200, 0);
    ASSERT_APPLIED(s.ApplyChanges());
    TStartups after;
    after.Refresh();
    EXPECT_EQ(after.Count(), 0);
}

TEST_F(StartupApply, TitleNamingAnotherFolderIsRefused) {
    TStartups s;
    s.Add("..\\..\\escape", "", "C:\\e\\e.exe", slCUStartup, 0);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_NE(report.Message().find("..\\..\\escape"), std::string::npos);
    EXPECT_FALSE(FileExists(PathJoin(Folder(slCUStartup), "..\\..\\escape.lnk")));
}

TEST_F(StartupApply, UnmergedScanThenCloseKeepsTheStore) {
    {
        TStartups s;
        s.Add("kept", "", "C:\\k\\kept.exe", slCURun, 0)->SetEnabled(false);
        SaveDisabledStore(s);
    }
    PutRawValue(slCURun, "bad", regBinary, "\x01\x02");
    TStartups s;
    s.Clear();
    // The odd value no longer stops the scan; the store is still not merged.
    EXPECT_NO_THROW(s.Refresh());
    // The window writes the store on close even after a failed refresh.
    SaveDisabledStore(s);
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Items(0)->Title, "kept");
}

TEST_F(StartupApply, RemovedEntryLeavesTheStoreAndItsShortcutCopy) {
    MakeShortcut(slCUStartup, "Gone", "C:\\g\\gone.exe", "");
    TStartups s;
    Rescan(s);
    s.Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    const std::string copy = PathJoin(DataFolder(), "Shortcuts\\10\\Gone.lnk");
    EXPECT_TRUE(FileExists(copy));
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    s.Items(0)->RemoveFromOwner();
    SaveDisabledStore(s);
    EXPECT_FALSE(FileExists(copy));
    Rescan(s);
    EXPECT_EQ(s.Count(), 0);
}

TEST_F(StartupApply, EachViewGetsItsEntryBack) {
    UseTwoViews();
    if (!TwoViews())
        GTEST_SKIP() << "one registry view here";
    PutValue(slLMRun, "Native", "C:\\v\\native.exe", regSz, RegView::Native);
    PutValue(slLMRun, "Wow", "C:\\v\\wow.exe", regSz, RegView::Wow32);
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    for (int i = 0; i < s.Count(); ++i)
        s.Items(i)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(HasValue(slLMRun, "Native", RegView::Native));
    EXPECT_FALSE(HasValue(slLMRun, "Wow", RegView::Wow32));

    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(Find(s, "Wow")->LocationText(), "LM Run (32-bit)");
    for (int i = 0; i < s.Count(); ++i)
        s.Items(i)->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_TRUE(HasValue(slLMRun, "Native", RegView::Native));
    EXPECT_FALSE(HasValue(slLMRun, "Native", RegView::Wow32));
    EXPECT_TRUE(HasValue(slLMRun, "Wow", RegView::Wow32));
    EXPECT_FALSE(HasValue(slLMRun, "Wow", RegView::Native));
}

TEST_F(StartupApply, ProfileEntryGoesToTheViewThatHoldsItsCommandLine) {
    UseTwoViews();
    if (!TwoViews())
        GTEST_SKIP() << "one registry view here";
    PutValue(slLMRun, "Old", "C:\\v\\thirty-two.exe", regSz, RegView::Wow32);
    TStartups s;
    s.Add("Old", "", "C:\\v\\thirty-two.exe", slLMRun, 0);
    s.Add("New", "", "C:\\v\\sixty-four.exe", slLMRun, 0);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(HasValue(slLMRun, "Old", RegView::Native));
    EXPECT_TRUE(HasValue(slLMRun, "New", RegView::Native));
    EXPECT_FALSE(HasValue(slLMRun, "New", RegView::Wow32));
}

TEST_F(StartupApply, SharedShortcutThatCannotBeWrittenIsReported) {
    // A folder where the shortcut file should go makes the write fail.
    ASSERT_TRUE(ForceFolders(PathJoin(Folder(slLMStartupFolder), "Blocked.lnk\\inside")));
    TStartups s;
    s.Add("Blocked", "", "\"C:\\b\\blocked.exe\" ", slLMStartupFolder, 0);
    s.Add("Fine", "", "C:\\f\\fine.exe", slCURun, 0);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_EQ(report.Failures[0].Title, "Blocked");
    EXPECT_TRUE(report.NeedsElevation);
    EXPECT_NE(report.Message().find("\"Blocked\" (LM Startup Folder)"), std::string::npos);
    EXPECT_TRUE(HasValue(slCURun, "Fine"));
}

TEST_F(StartupApply, RefusedKeyIsListedReportedAndNotStoredAsDisabled) {
    PutValue(slLMRun, "Locked", "C:\\l\\locked.exe");
    PutValue(slLMRun, "Same", "C:\\l\\same.exe");
    PutValue(slCURun, "Mine", "C:\\l\\mine.exe");
    if (!RefuseWrites(slLMRun))
        GTEST_SKIP() << "cannot refuse access here";
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 3);
    Find(s, "Locked")->SetEnabled(false);
    Find(s, "Mine")->SetEnabled(false);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_TRUE(report.NeedsElevation);
    EXPECT_EQ(report.Failures[0].Title, "Locked");
    EXPECT_NE(report.Message().find("\"Locked\" (LM Run)"), std::string::npos);
    EXPECT_TRUE(HasValue(slLMRun, "Locked"));
    EXPECT_FALSE(HasValue(slCURun, "Mine"));

    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Items(0)->Title, "Mine");

    // After a rescan the entry that still starts shows as enabled.
    Rescan(s);
    EXPECT_TRUE(Find(s, "Locked")->Enabled);
    EXPECT_FALSE(Find(s, "Mine")->Enabled);
}

TEST_F(StartupApply, EnablingThatCannotBeAppliedStaysInTheStore) {
    PutValue(slLMRun, "Off", "C:\\l\\off.exe");
    TStartups s;
    Rescan(s);
    s.Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    if (!RefuseWrites(slLMRun))
        GTEST_SKIP() << "cannot refuse access here";
    Rescan(s);
    ASSERT_FALSE(s.Items(0)->Enabled);
    s.Items(0)->SetEnabled(true);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_FALSE(report.Failures[0].Disabling);
    // Still not in the system, so still listed, unticked, after a rescan.
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_FALSE(s.Items(0)->Enabled);
}

TEST_F(StartupApply, UndeterminableFolderIsSkippedNotWrittenHere) {
    if (!LoseFolder(slCUStartup))
        GTEST_SKIP() << "cannot lose the startup folder here";
    TStartups s;
    s.Add("Nowhere", "", "\"C:\\n\\nowhere.exe\" ", slCUStartup, 0);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_FALSE(FileExists("Nowhere.lnk"));
    EXPECT_FALSE(FileExists(PathJoin(CurrentFolder(), "Nowhere.lnk")));
}

} // namespace
