// Scanning the startup folders and keys.

#include "support/CoreFixture.h"

#include "core/system/Errors.h"
#include "core/system/Files.h"

namespace {

class StartupScan : public CoreTest {};

std::vector<std::string> Titles(const TStartups& s) {
    std::vector<std::string> titles;
    for (int i = 0; i < s.Count(); ++i)
        titles.push_back(s.Items(i)->Title);
    return titles;
}

TEST_F(StartupScan, FoldersThenKeysInTheirOrder) {
    PutValue(slCURun, "cu-run", "C:\\p\\curun.exe");
    PutValue(slCURunOnce, "cu-once", "C:\\p\\cuonce.exe");
    PutValue(slLMRun, "lm-run", "C:\\p\\lmrun.exe /x");
    PutValue(slLMRunOnce, "lm-once", "C:\\p\\lmonce.exe");
    PutValue(slLMServices, "lm-svc", "C:\\p\\lmsvc.exe");
    PutValue(slLMServiceOnce, "lm-svc-once", "C:\\p\\lmsvconce.exe");
    MakeShortcut(slLMStartupFolder, "common", "C:\\p\\common.exe", "");
    MakeShortcut(slCUStartup, "mine", "C:\\p\\mine.exe", "-a b");

    TStartups s;
    s.Modified = true;
    s.Refresh();
    EXPECT_FALSE(s.Modified);
    EXPECT_EQ(Titles(s), (std::vector<std::string>{"mine", "common", "lm-svc-once", "lm-svc",
                                                   "lm-once", "lm-run", "cu-once", "cu-run"}));
    EXPECT_EQ(s.Items(0)->CommandLine, "\"C:\\p\\mine.exe\" -a b");
    EXPECT_EQ(s.Items(0)->Location, slCUStartup);
    EXPECT_EQ(s.Items(1)->CommandLine, "\"C:\\p\\common.exe\" ");
    EXPECT_EQ(s.Items(1)->Location, slLMStartupFolder);
    EXPECT_EQ(s.Items(2)->Rating, 4);
    EXPECT_EQ(s.Items(3)->Rating, 4);
    EXPECT_EQ(s.Items(4)->Rating, 0);
    for (int i = 0; i < s.Count(); ++i)
        EXPECT_TRUE(s.Items(i)->Enabled);
}

TEST_F(StartupScan, FirstOccurrenceWinsAcrossLocations) {
    PutValue(slLMRun, "machine", "C:\\same\\tool.exe");
    PutValue(slCURun, "user", "C:\\same\\tool.exe");
    PutValue(slCURun, "other-case", "C:\\SAME\\tool.exe");
    TStartups s;
    s.Refresh();
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Items(0)->Title, "machine");
    EXPECT_EQ(s.Items(0)->Location, slLMRun);
    EXPECT_EQ(s.Items(1)->Title, "other-case");
}

TEST_F(StartupScan, DefaultValueAndEmptyValues) {
    PutValue(slCURun, "", "C:\\Tools\\nameless.exe /q");
    PutValue(slCURun, "empty", "");
    PutRawValue(slCURun, "size-zero-dword", regDword, "");
    TStartups s;
    s.Refresh();
    ASSERT_EQ(s.Count(), 1);
    EXPECT_EQ(s.Items(0)->Title, "nameless");
    EXPECT_EQ(s.Items(0)->FileName, "nameless.exe /q");
}

TEST_F(StartupScan, TextEndsAtNulAndExpandableTextIsNotExpanded) {
    // Wine lists values by name, Windows in the order they were written:
    // names in both orders keep the test independent of that.
    PutRawValue(slCURun, "a-nul", regSz, std::string("C:\\a.exe\0tail\0", 14));
    PutValue(slCURun, "b-expand", "%SystemRoot%\\x.exe", regExpandSz);
    TStartups s;
    s.Refresh();
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Items(0)->CommandLine, "C:\\a.exe");
    EXPECT_EQ(s.Items(1)->CommandLine, "%SystemRoot%\\x.exe");
}

TEST_F(StartupScan, NonTextValueEndsTheRefreshWithItsName) {
    PutValue(slLMRun, "before", "C:\\b\\before.exe");
    PutRawValue(slCURunOnce, "number", regDword, std::string("\x01\x00\x00\x00", 4));
    PutValue(slCURun, "after", "C:\\b\\after.exe");
    TStartups s;
    try {
        s.Refresh();
        FAIL() << "no error";
    } catch (const ERegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'number'");
    }
    EXPECT_EQ(Titles(s), std::vector<std::string>{"before"});
    EXPECT_TRUE(s.Modified);
}

TEST_F(StartupScan, UnreadableShortcutsAreSkipped) {
    MakeShortcut(slCUStartup, "good", "C:\\g\\good.exe", "");
    WriteFileBytes(ShortcutPath(slCUStartup, "garbage"), "not a shortcut at all");
    WriteFileBytes(PathJoin(Folder(slCUStartup), "short.L"), "L");
    WriteFileBytes(PathJoin(Folder(slCUStartup), "bare."), "");
    TStartups s;
    s.Refresh();
    EXPECT_EQ(Titles(s), std::vector<std::string>{"good"});
}

TEST_F(StartupScan, MissingFolderAndKeyContributeNothing) {
    TStartups s;
    s.Refresh();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_FALSE(s.Modified);
}

TEST_F(StartupScan, StoreMergeAddsDisabledEntriesOnceAndScannedOnesWin) {
    PutValue(slCURun, "present", "C:\\s\\present.exe");
    {
        TStartups s;
        s.Add("gone", "", "C:\\s\\gone.exe", slCURun, 2)->SetEnabled(false);
        s.Add("present", "", "C:\\s\\present.exe", slCURun, 0)->SetEnabled(false);
        SaveDisabledStore(s, nullptr);
    }
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Items(0)->Title, "present");
    EXPECT_TRUE(s.Items(0)->Enabled);
    EXPECT_EQ(s.Items(1)->Title, "gone");
    EXPECT_FALSE(s.Items(1)->Enabled);
    EXPECT_EQ(s.Items(1)->Rating, 2);
    EXPECT_TRUE(s.Modified);
}

TEST_F(StartupScan, FindOnPathFindsExistingFilesOnly) {
    const std::string file = PathJoin(Scratch(), "findme.exe");
    WriteFileBytes(file, "x");
    EXPECT_EQ(FindOnPath(file), file);
    EXPECT_EQ(FindOnPath("surely-not-here-4711.exe"), "surely-not-here-4711.exe");
}

TEST_F(StartupScan, BothRegistryViewsAreScannedFirstWins) {
    UseTwoViews();
    if (!TwoViews())
        GTEST_SKIP() << "one registry view here";
    PutValue(slLMRun, "native", "C:\\v\\native.exe", regSz, RegView::Native);
    PutValue(slLMRun, "wow", "C:\\v\\wow.exe", regSz, RegView::Wow32);
    PutValue(slLMRun, "p-both", "C:\\v\\both.exe", regSz, RegView::Native);
    PutValue(slLMRun, "p-both", "C:\\v\\both.exe", regSz, RegView::Wow32);
    TStartups s;
    s.Refresh();
    ASSERT_EQ(Titles(s), (std::vector<std::string>{"native", "p-both", "wow"}));
    EXPECT_EQ(s.Items(0)->View, RegView::Native);
    EXPECT_EQ(s.Items(2)->View, RegView::Wow32);
    EXPECT_EQ(s.Items(2)->LocationText(), "LM Run (32-bit)");
    EXPECT_EQ(s.Items(0)->LocationText(), "LM Run");
}

} // namespace
