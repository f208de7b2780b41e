// Scanning the startup folders and keys.

#include "support/CoreFixture.h"

#include "core/system/Errors.h"
#include "core/system/Files.h"

#include <algorithm>

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

TEST_F(StartupScan, OddValuesArePassedOverAndNamedInOneNotice) {
    // Values of every odd type beside good ones, in CU Run and CU RunOnce
    // (the default view); the LM Run value after them is still read.
    PutValue(slLMRunOnce, "before", "C:\\b\\before.exe");
    PutRawValue(slCURunOnce, "number", regDword, std::string("\x01\x00\x00\x00", 4));
    PutRawValue(slCURun, "bytes", regBinary, std::string("\x01\x02", 2));
    PutRawValue(slCURun, "lines", regMultiSz, std::string("C:\\m.exe\0\0", 11));
    PutValue(slCURun, "after", "C:\\b\\after.exe");
    PutValue(slLMRun, "machine", "C:\\b\\machine.exe");
    TStartups s;
    s.Modified = true;
    ASSERT_NO_THROW(s.Refresh());
    EXPECT_FALSE(s.Modified);
    auto titles = Titles(s);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"after", "before", "machine"}));
    ASSERT_EQ(s.Notices.size(), 1u);
    const std::string notice = s.NoticeText();
    EXPECT_NE(notice.find("\"number\" in CU Run Once: not text (REG_DWORD)"), std::string::npos)
        << notice;
    EXPECT_NE(notice.find("\"bytes\" in CU Run: not text (REG_BINARY)"), std::string::npos);
    EXPECT_NE(notice.find("\"lines\" in CU Run: not text (REG_MULTI_SZ)"), std::string::npos);
    // A refresh without odd values clears the notice.
    PutValue(slCURun, "bytes", "C:\\b\\now-text.exe");
    PutValue(slCURun, "lines", "C:\\b\\now-text2.exe");
    PutValue(slCURunOnce, "number", "C:\\b\\now-text3.exe");
    s.Clear();
    s.Refresh();
    EXPECT_TRUE(s.Notices.empty());
    EXPECT_EQ(s.Count(), 6);
}

TEST_F(StartupScan, UnreadableValueIsPassedOverAndNamed) {
    PutValue(slCURun, "locked", "C:\\u\\locked.exe");
    PutValue(slCURun, "open", "C:\\u\\open.exe");
    if (!MakeUnreadable(slCURun, "locked"))
        GTEST_SKIP() << "an unreadable value cannot be made here";
    TStartups s;
    ASSERT_NO_THROW(s.Refresh());
    EXPECT_EQ(Titles(s), std::vector<std::string>{"open"});
    ASSERT_EQ(s.Notices.size(), 1u);
    EXPECT_NE(s.Notices[0].find("\"locked\" in CU Run: its data cannot be read"),
              std::string::npos);
}

TEST_F(StartupScan, ProgramRegisteredTwiceIsListedOnceWithItsOtherPlaces) {
    // HKLM Run (native view), HKLM Run (32-bit view, where there is one) and
    // HKCU Run hold the same command line.
    UseTwoViews();
    const RegView lmView = TwoViews() ? RegView::Native : RegView::Default;
    PutValue(slLMRun, "Twice", "C:\\d\\twice.exe", regSz, lmView);
    if (TwoViews())
        PutValue(slLMRun, "Twice32", "C:\\d\\twice.exe", regSz, RegView::Wow32);
    PutValue(slCURun, "TwiceUser", "C:\\d\\twice.exe", regExpandSz);
    TStartups s;
    s.Refresh();
    ASSERT_EQ(s.Count(), 1);
    const TStartup* e = s.Items(0);
    EXPECT_EQ(e->Location, slLMRun);
    EXPECT_EQ(e->Title, "Twice");
    if (TwoViews()) {
        ASSERT_EQ(e->AlsoIn.size(), 2u);
        EXPECT_EQ(e->AlsoIn[0].View, RegView::Wow32);
        EXPECT_EQ(e->AlsoIn[0].Title, "Twice32");
        EXPECT_EQ(e->AlsoInText(), "also in LM Run (32-bit) and CU Run");
    } else {
        EXPECT_EQ(e->AlsoInText(), "also in CU Run");
    }
    EXPECT_EQ(e->AlsoIn.back().Location, slCURun);
    EXPECT_EQ(e->AlsoIn.back().Title, "TwiceUser");
}

TEST_F(StartupScan, ServiceKeysCarryTheWindowsNote) {
    PutValue(slLMServices, "svc", "C:\\s\\svc.exe");
    PutValue(slLMRun, "run", "C:\\s\\run.exe");
    TStartups s;
    s.Refresh();
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Items(0)->Rating, 4);
    EXPECT_EQ(s.Items(0)->WindowsNote(), "Windows NT and later do not start it");
    EXPECT_EQ(s.Items(1)->WindowsNote(), "");
}

TEST_F(StartupScan, ProgramFileIsLookedUpWithVariablesExpanded) {
    const std::string file = PathJoin(Scratch(), "expanded.exe");
    WriteFileBytes(file, "x");
    SetEnv("MORVANE_TEST_FOLDER", Scratch());
    TStartups s;
    TStartup* e = s.Add("exp", "", "%MORVANE_TEST_FOLDER%\\expanded.exe /x", slCURun, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->FilePath, "%MORVANE_TEST_FOLDER%\\expanded.exe");
    EXPECT_EQ(e->LocatedFile(), file);
    EXPECT_FALSE(e->FileMissing());
    // Variables written in another letter case are found as Windows finds them.
    TStartup* lower = s.Add("low", "", "%morvane_test_folder%\\expanded.exe", slCURun, 0);
    EXPECT_FALSE(lower->FileMissing());
    TStartup* gone = s.Add("gone", "", "%MORVANE_TEST_FOLDER%\\gone.exe", slCURun, 0);
    EXPECT_TRUE(gone->FileMissing());
    TStartup* unknown = s.Add("unknown", "", "%MORVANE_NO_SUCH_VAR%\\x.exe", slCURun, 0);
    EXPECT_TRUE(unknown->FileMissing());
    EXPECT_EQ(unknown->LocatedFile(), "%MORVANE_NO_SUCH_VAR%\\x.exe");
    // Nothing stored changes: the command line keeps its variable.
    EXPECT_EQ(e->CommandLine, "%MORVANE_TEST_FOLDER%\\expanded.exe /x");
}

TEST_F(StartupScan, SystemFolderPathsAreLookedUpInTheNativeSystemFolder) {
    // The rewrite a 32-bit program on 64-bit Windows needs.
    EXPECT_EQ(SysnativePath("C:\\Windows\\system32\\a.exe", "C:\\Windows"),
              "C:\\Windows\\Sysnative\\a.exe");
    EXPECT_EQ(SysnativePath("c:\\windows\\SYSTEM32", "C:\\Windows\\"), "C:\\Windows\\Sysnative");
    EXPECT_EQ(SysnativePath("C:\\Windows\\System32x\\a.exe", "C:\\Windows"),
              "C:\\Windows\\System32x\\a.exe");
    EXPECT_EQ(SysnativePath("D:\\Tools\\a.exe", "C:\\Windows"), "D:\\Tools\\a.exe");
    EXPECT_EQ(SysnativePath("C:\\Windows\\System32\\a.exe", ""), "C:\\Windows\\System32\\a.exe");
    // The 64-bit build (and the native one) sees the real System32 as it is;
    // the 32-bit build on 64-bit Windows looks through Sysnative.
    const std::string inSystem = PathJoin(SystemFolder(), "morvane-native-probe.exe");
    EXPECT_EQ(NativeFilePath(inSystem), SystemFolderRedirected()
                                            ? SysnativePath(inSystem, FileDir(SystemFolder()))
                                            : inSystem);
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(SystemFolderRedirected());
    }
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
        SaveDisabledStore(s);
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

#ifndef _WIN32
#include "support/PortableFiles.h"

namespace {

// The portable stand-in for a 32-bit Morvane on 64-bit Windows, whose own
// System32 is SysWOW64: only the Sysnative alias shows the 64-bit programs.
TEST_F(StartupScan, RedirectedProgramIsFoundThroughSysnative) {
    const std::string system = SystemFolder();
    const std::string sysnative = PathJoin(FileDir(system), "Sysnative");
    ForceFolders(sysnative);
    WriteFileBytes(PathJoin(sysnative, "native-only.exe"), "x");
    const std::string written = PathJoin(system, "native-only.exe");
    TStartups s;
    TStartup* e = s.Add("native", "", written + " /x", slLMRun, 0);
    EXPECT_TRUE(e->FileMissing());
    portable_files::SetSystemFolderRedirected(true);
    EXPECT_EQ(e->LocatedFile(), written);
    EXPECT_FALSE(e->FileMissing());
    portable_files::SetSystemFolderRedirected(false);
    DeleteFileAt(PathJoin(sysnative, "native-only.exe"));
}

} // namespace
#endif
