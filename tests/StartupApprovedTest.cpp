// Entries that Windows' own Startup settings turned off: the marks under
// Explorer\StartupApproved, how the scan reads them and what an apply does
// with them. Machine-wide marks are in the native view of HKLM
// (KEY_WOW64_64KEY), per-user ones in HKCU.

#include "support/CoreFixture.h"

#include "core/StartupApproved.h"
#include "core/system/Files.h"

namespace {

// Flags, then a FILETIME, as Windows writes them.
std::string Mark(unsigned char flags, bool withTime = true) {
    std::string mark(12, '\0');
    mark[0] = static_cast<char>(flags);
    if (withTime)
        for (int i = 4; i < 12; ++i)
            mark[i] = static_cast<char>(0x10 + i);
    return mark;
}

const std::string kTurnedOn = std::string("\x02", 1) + std::string(11, '\0');

class StartupApprovedTest : public CoreTest {};

TEST(StartupApprovedFormat, BitZeroOfALittleEndianDwordTurnsOff) {
    EXPECT_TRUE(MarkTurnsOff(regBinary, Mark(0x03)));
    EXPECT_TRUE(MarkTurnsOff(regBinary, Mark(0x07)));
    for (unsigned char on : {0x00, 0x02, 0x04, 0x06})
        EXPECT_FALSE(MarkTurnsOff(regBinary, Mark(on, false))) << int(on);
    // A first byte Windows does not write is read by its bit 0 all the same.
    EXPECT_TRUE(MarkTurnsOff(regBinary, Mark(0x09)));
    EXPECT_FALSE(MarkTurnsOff(regBinary, Mark(0x08)));
    // Exactly the DWORD is enough; less is not a mark Windows wrote.
    EXPECT_TRUE(MarkTurnsOff(regBinary, std::string("\x03\0\0\0", 4)));
    EXPECT_FALSE(MarkTurnsOff(regBinary, std::string("\x03\0\0", 3)));
    EXPECT_FALSE(MarkTurnsOff(regBinary, ""));
    EXPECT_FALSE(MarkTurnsOff(regDword, std::string("\x03\0\0\0", 4)));
    EXPECT_FALSE(MarkTurnsOff(regSz, std::string("\x03\0\0\0", 4)));
}

TEST(StartupApprovedFormat, TurningOnClearsBitZeroAndTheTime) {
    EXPECT_EQ(MarkTurnedOn(Mark(0x03)), kTurnedOn);
    EXPECT_EQ(MarkTurnedOn(Mark(0x07)), std::string("\x06", 1) + std::string(11, '\0'));
    EXPECT_EQ(MarkTurnedOn(std::string("\x03\x01\0\0", 4)),
              std::string("\x02\x01", 2) + std::string(10, '\0'));
}

TEST(StartupApprovedFormat, EachLocationHasItsSubkeyAndName) {
    TApprovedPlace p;
    ASSERT_TRUE(ApprovedPlaceOf(slCURun, RegView::Default, "A", p));
    EXPECT_EQ(p.Root, RegRoot::CurrentUser);
    EXPECT_EQ(p.Key,
              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run");
    EXPECT_EQ(p.ValueName, "A");
    ASSERT_TRUE(ApprovedPlaceOf(slLMRun, RegView::Wow32, "B", p));
    EXPECT_EQ(p.Root, RegRoot::LocalMachine);
    EXPECT_EQ(p.Key,
              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32");
    ASSERT_TRUE(ApprovedPlaceOf(slLMStartupFolder, RegView::Default, "Link", p));
    EXPECT_EQ(p.Root, RegRoot::LocalMachine);
    EXPECT_EQ(p.ValueName, "Link.lnk");
    ASSERT_TRUE(ApprovedPlaceOf(slCUStartup, RegView::Default, "Mine", p));
    EXPECT_EQ(p.Root, RegRoot::CurrentUser);
    EXPECT_EQ(p.Key.substr(p.Key.rfind('\\') + 1), "StartupFolder");
    for (unsigned code : {slLMRunOnce, slLMServices, slLMServiceOnce, slCURunOnce, slWinIniRun})
        EXPECT_FALSE(ApprovedPlaceOf(code, RegView::Default, "X", p)) << code;
}

TEST_F(StartupApprovedTest, ScanListsEntriesWindowsTurnedOffUnticked) {
    UseTwoViews();
    const RegView lmView = TwoViews() ? RegView::Native : RegView::Default;
    PutValue(slCURun, "UserOff", "C:\\w\\useroff.exe");
    PutValue(slCURun, "UserOn", "C:\\w\\useron.exe");
    PutValue(slCURun, "NoMark", "C:\\w\\nomark.exe");
    PutValue(slCURun, "Short", "C:\\w\\short.exe");
    PutValue(slCURun, "Dword", "C:\\w\\dword.exe");
    PutValue(slLMRun, "MachineOff", "C:\\w\\machineoff.exe", regSz, lmView);
    MakeShortcut(slCUStartup, "LinkOff", "C:\\w\\linkoff.exe", "");
    MakeShortcut(slLMStartupFolder, "CommonOff", "C:\\w\\commonoff.exe", "-x");
    PutMark(RegRoot::CurrentUser, "Run", "UserOff", Mark(0x03));
    PutMark(RegRoot::CurrentUser, "Run", "UserOn", Mark(0x02, false));
    PutMark(RegRoot::CurrentUser, "Run", "Short", std::string("\x03\0", 2));
    PutMark(RegRoot::CurrentUser, "Run", "Dword", std::string("\x03\0\0\0", 4), regDword);
    PutMark(RegRoot::LocalMachine, "Run", "MachineOff", Mark(0x07));
    PutMark(RegRoot::CurrentUser, "StartupFolder", "LinkOff.lnk", Mark(0x03));
    PutMark(RegRoot::LocalMachine, "StartupFolder", "CommonOff.lnk", Mark(0x03));
    if (TwoViews()) {
        PutValue(slLMRun, "WowOff", "C:\\w\\wowoff.exe", regSz, RegView::Wow32);
        PutValue(slLMRun, "WowOn", "C:\\w\\wowon.exe", regSz, RegView::Wow32);
        PutMark(RegRoot::LocalMachine, "Run32", "WowOff", Mark(0x03));
        // A mark of the native view's subkey does not reach the 32-bit one.
        PutMark(RegRoot::LocalMachine, "Run", "WowOn", Mark(0x03));
    }
    TStartups s;
    Rescan(s);
    for (const char* off : {"UserOff", "MachineOff", "LinkOff", "CommonOff"}) {
        TStartup* e = Find(s, off);
        ASSERT_NE(e, nullptr) << off;
        EXPECT_FALSE(e->Enabled) << off;
        EXPECT_TRUE(e->DisabledByWindows) << off;
        EXPECT_EQ(e->CommentText(), e->DisabledReason());
        EXPECT_NE(e->DisabledReason().find("Windows' Startup settings"), std::string::npos);
    }
    for (const char* on : {"UserOn", "NoMark", "Short", "Dword"}) {
        TStartup* e = Find(s, on);
        ASSERT_NE(e, nullptr) << on;
        EXPECT_TRUE(e->Enabled) << on;
        EXPECT_FALSE(e->DisabledByWindows) << on;
        EXPECT_EQ(e->CommentText(), "");
    }
    if (TwoViews()) {
        EXPECT_FALSE(Find(s, "WowOff")->Enabled);
        EXPECT_TRUE(Find(s, "WowOn")->Enabled);
    }
    // A server comment takes the column over.
    Find(s, "UserOff")->SetComment("From the server");
    EXPECT_EQ(Find(s, "UserOff")->CommentText(), "From the server");
}

TEST_F(StartupApprovedTest, ApplyLeavesAnUntouchedEntryAndItsMarkExactly) {
    PutValue(slCURun, "Off", "C:\\w\\off.exe", regExpandSz);
    MakeShortcut(slCUStartup, "LinkOff", "C:\\w\\linkoff.exe", "");
    PutMark(RegRoot::CurrentUser, "Run", "Off", Mark(0x03));
    PutMark(RegRoot::CurrentUser, "StartupFolder", "LinkOff.lnk", Mark(0x07));
    const std::string link = ReadFileBytes(ShortcutPath(slCUStartup, "LinkOff"));
    TStartups s;
    Rescan(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Off", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    EXPECT_EQ(ReadFileBytes(ShortcutPath(slCUStartup, "LinkOff")), link);
    std::string mark;
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "Run", "Off", mark));
    EXPECT_EQ(mark, Mark(0x03));
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "StartupFolder", "LinkOff.lnk", mark));
    EXPECT_EQ(mark, Mark(0x07));
    // Windows keeps these off itself: they are not Morvane's to store.
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    EXPECT_EQ(store.Count(), 0);
    // And the next refresh shows them the same way.
    Rescan(s);
    EXPECT_TRUE(Find(s, "Off")->DisabledByWindows);
    EXPECT_FALSE(Find(s, "LinkOff")->Enabled);
}

TEST_F(StartupApprovedTest, TickingMakesItStartForRealAndKeepsTheValue) {
    UseTwoViews();
    const RegView lmView = TwoViews() ? RegView::Native : RegView::Default;
    PutValue(slCURun, "Off", "C:\\w\\off.exe /a");
    PutValue(slLMRun, "MachineOff", "C:\\w\\machine.exe", regSz, lmView);
    MakeShortcut(slCUStartup, "LinkOff", "C:\\w\\linkoff.exe", "", "C:\\w", "kept description");
    PutMark(RegRoot::CurrentUser, "Run", "Off", Mark(0x03));
    PutMark(RegRoot::LocalMachine, "Run", "MachineOff", Mark(0x07));
    PutMark(RegRoot::CurrentUser, "StartupFolder", "LinkOff.lnk", Mark(0x03));
    const std::string link = ReadFileBytes(ShortcutPath(slCUStartup, "LinkOff"));
    TStartups s;
    Rescan(s);
    for (const char* title : {"Off", "MachineOff", "LinkOff"})
        Find(s, title)->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());
    std::string mark;
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "Run", "Off", mark));
    EXPECT_EQ(mark, kTurnedOn);
    ASSERT_TRUE(GetMark(RegRoot::LocalMachine, "Run", "MachineOff", mark));
    EXPECT_EQ(mark, std::string("\x06", 1) + std::string(11, '\0'));
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "StartupFolder", "LinkOff.lnk", mark));
    EXPECT_EQ(mark, kTurnedOn);
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Off", v));
    EXPECT_EQ(v.Text, "C:\\w\\off.exe /a");
    EXPECT_EQ(ReadFileBytes(ShortcutPath(slCUStartup, "LinkOff")), link);
    // Unticking it now is Morvane's own disabling, as for any entry.
    EXPECT_FALSE(Find(s, "Off")->DisabledByWindows);
    Find(s, "Off")->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, "Off"));
    Rescan(s);
    for (const char* title : {"MachineOff", "LinkOff"})
        EXPECT_TRUE(Find(s, title)->Enabled) << title;
    EXPECT_FALSE(Find(s, "Off")->Enabled);
    EXPECT_FALSE(Find(s, "Off")->DisabledByWindows);
}

TEST_F(StartupApprovedTest, EnablingClearsAStaleMarkOfTheSameName) {
    PutValue(slCURun, "Again", "C:\\w\\again.exe");
    TStartups s;
    Rescan(s);
    Find(s, "Again")->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    // Windows' settings turned the name off meanwhile; the mark outlives the
    // value that Morvane took away.
    PutMark(RegRoot::CurrentUser, "Run", "Again", Mark(0x03));
    Rescan(s);
    ASSERT_FALSE(Find(s, "Again")->Enabled);
    EXPECT_FALSE(Find(s, "Again")->DisabledByWindows);
    Find(s, "Again")->SetEnabled(true);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_TRUE(HasValue(slCURun, "Again"));
    std::string mark;
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "Run", "Again", mark));
    EXPECT_EQ(mark, kTurnedOn);
    Rescan(s);
    EXPECT_TRUE(Find(s, "Again")->Enabled);
}

TEST_F(StartupApprovedTest, MalformedMarkCountsAsOnAndIsLeftAlone) {
    PutValue(slCURun, "Short", "C:\\w\\short.exe");
    PutValue(slCURun, "Text", "C:\\w\\text.exe");
    PutMark(RegRoot::CurrentUser, "Run", "Short", std::string("\x03\0\0", 3));
    PutMark(RegRoot::CurrentUser, "Run", "Text", std::string("\x03\0\0\0\0", 5), regSz);
    TStartups s;
    Rescan(s);
    EXPECT_TRUE(Find(s, "Short")->Enabled);
    EXPECT_TRUE(Find(s, "Text")->Enabled);
    ASSERT_APPLIED(s.ApplyChanges());
    std::string mark;
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "Run", "Short", mark));
    EXPECT_EQ(mark, std::string("\x03\0\0", 3));
    ASSERT_TRUE(GetMark(RegRoot::CurrentUser, "Run", "Text", mark));
    EXPECT_EQ(mark, std::string("\x03\0\0\0\0", 5));
}

} // namespace
