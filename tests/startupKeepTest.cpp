// Nothing of a disabled entry is lost: what is needed to give it back is
// written and read back before anything is deleted, whatever the data, a
// damaged store, a side file in the way or a run that stops half-way.

#include "support/CoreFixture.h"

#include "core/ProfileData.h"
#include "core/system/FaultInjection.h"
#include "core/system/Files.h"
#include "core/system/Lock.h"
#include "core/system/TextCodec.h"

#include <chrono>

namespace {

class StartupKeep : public CoreTest {
protected:
    static void DisableAll(TStartups& s) {
        for (int i = 0; i < s.Count(); ++i)
            s.Items(i)->SetEnabled(false);
    }
    static void EnableAll(TStartups& s) {
        for (int i = 0; i < s.Count(); ++i)
            s.Items(i)->SetEnabled(true);
    }
    static std::string KeptValuesFile() { return PathJoin(DataFolder(), "disabled-values.dat"); }
    static bool Mentions(const TApplyReport& report, const std::string& text) {
        return report.Message().find(text) != std::string::npos;
    }
};

// --- Data the store cannot hold -------------------------------------------------

TEST_F(StartupKeep, ValueWithALineBreakIsRefusedAndNotDeleted) {
    // A line break cannot be written into a line of the store; the value
    // would come back as another command line.
    PutValue(slCURun, "Broken", "C:\\b\\b.exe\r\n/second line");
    PutValue(slCURun, "Plain", "C:\\p\\p.exe");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    DisableAll(s);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_EQ(report.Failures[0].Title, "Broken");
    EXPECT_TRUE(Mentions(report, "cannot be kept whole"));
    EXPECT_TRUE(Mentions(report, "nothing was deleted"));
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Broken", v));
    EXPECT_EQ(v.Text, "C:\\b\\b.exe\r\n/second line");
    EXPECT_FALSE(HasValue(slCURun, "Plain"));

    // The store holds only what it could hold whole.
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Items(0)->Title, "Plain");
}

TEST_F(StartupKeep, LongValuesAndNamesComeBackWhole) {
    const std::string longName(3000, 'n');
    const std::string longData = "C:\\l\\long.exe " + std::string(40000, 'a');
    PutValue(slCURun, longName, "C:\\l\\named.exe");
    PutValue(slCURun, "LongData", longData, regExpandSz);
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    DisableAll(s);
    ASSERT_TRUE(s.ApplyChanges().Ok());
    EXPECT_FALSE(HasValue(slCURun, longName));
    EXPECT_FALSE(HasValue(slCURun, "LongData"));

    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    EnableAll(s);
    ASSERT_TRUE(s.ApplyChanges().Ok());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, longName, v));
    EXPECT_EQ(v.Text, "C:\\l\\named.exe");
    ASSERT_TRUE(GetValue(slCURun, "LongData", v));
    EXPECT_EQ(v.Text, longData);
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
}

TEST_F(StartupKeep, RecordsWrittenInTheAnsiCodePageStillGiveTheirValuesBack) {
    // Older versions wrote the store and the records of disabled values in
    // the ANSI code page (here windows-1252: 0xE9 is "é").
    ForceFolders(DataFolder());
    WriteFileBytes(DisabledStorePath(),
                   "[General]\r\nProgramCount=1\r\n[0]\r\ntitle=Caf\xE9\r\n"
                   "fullpath=%ProgramFiles%\\Caf\xE9\\caf\xE9.exe\r\nlocation=8\r\n"
                   "rating=0\r\nenabled=0\r\n");
    // Its fields escape a backslash as two.
    WriteFileBytes(KeptValuesFile(), "8\t0\t2\tCaf\xE9\t%ProgramFiles%\\\\Caf\xE9\\\\caf\xE9.exe\t"
                                     "Caf\xE9 Value\r\n");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_EQ(s.Items(0)->Title, "Caf\xC3\xA9");
    EXPECT_FALSE(s.Items(0)->Enabled);
    EnableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    // The record was read: its name and its type come back.
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Caf\xC3\xA9 Value", v));
    EXPECT_EQ(v.Text, "%ProgramFiles%\\Caf\xC3\xA9\\caf\xC3\xA9.exe");
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
}

// The bytes after an embedded NUL are the value's, although Windows never
// reads them: a round trip gives them back.
TEST_F(StartupKeep, BytesAfterAnEmbeddedNulComeBack) {
    const std::string data("C:\\emb\\a.exe\0hidden tail\0", 25);
    PutRawValue(slCURun, "Embedded", regSz, data);
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_EQ(s.Items(0)->CommandLine, "C:\\emb\\a.exe");
    DisableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    ASSERT_FALSE(HasValue(slCURun, "Embedded"));
    Rescan(s);
    EnableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Embedded", v));
    EXPECT_EQ(v.Type, uint32_t(regSz));
    EXPECT_EQ(v.Data, data);
}

// Notepad saves a file again as UTF-16 with its byte order mark; read as
// ANSI it gave phantom entries whose NULs then failed every store write.
TEST_F(StartupKeep, RecordsSavedAgainAsUtf16ReadAsTheyWere) {
    PutValue(slCURun, "Caf\xC3\xA9", "C:\\two\\caf\xC3\xA9.exe", regExpandSz);
    PutValue(slCURun, "Second", "C:\\two\\caf\xC3\xA9.exe");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    DisableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    std::u16string wide;
    ASSERT_TRUE(Utf8ToUtf16(ReadFileBytes(KeptValuesFile()), wide));
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : wide) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    WriteFileBytes(KeptValuesFile(), utf16);

    Rescan(s);
    EXPECT_TRUE(s.Notices.empty()) << s.NoticeText();
    ASSERT_EQ(s.Count(), 1);
    // The place only the records know of is back with the entry.
    EXPECT_EQ(s.Items(0)->AlsoIn.size(), 1u);
    EnableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Caf\xC3\xA9", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    ASSERT_TRUE(GetValue(slCURun, "Second", v));
    EXPECT_EQ(v.Type, uint32_t(regSz));
}

// A damaged records file is treated as a damaged store: kept aside, told
// once, and what it no longer says (type, view) taken from the store, never
// guessed from a value's text.
class DamagedRecordsKinds : public StartupKeep,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(DamagedRecordsKinds, AreKeptAsideAndValuesComeBackAsTheyWere) {
    UseTwoViews();
    const RegView wow = TwoViews() ? RegView::Wow32 : RegView::Default;
    PutValue(slCURun, "Expand", "%SystemRoot%\\e\\e.exe", regExpandSz);
    // Plain text that names a variable: not to be written back expandable.
    PutValue(slCURun, "Percent", "C:\\p\\%NOTSET%\\p.exe");
    PutValue(slLMRun, "Wow", "C:\\w\\w.exe", regSz, wow);
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 3);
    DisableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    std::string bytes = ReadFileBytes(KeptValuesFile());
    const std::string kind = GetParam();
    if (kind == "empty") {
        bytes.clear();
    } else if (kind == "random bytes") {
        bytes.clear();
        uint32_t seed = 12345;
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes += static_cast<char>(seed >> 23);
        }
    } else {
        bytes = bytes.substr(0, bytes.find("\r\n") + 9);
    }
    WriteFileBytes(KeptValuesFile(), bytes);

    Rescan(s);
    ASSERT_EQ(s.Notices.size(), 1u);
    const std::string& notice = s.Notices[0];
    const size_t open = notice.find("kept as \"");
    ASSERT_NE(open, std::string::npos) << notice;
    const size_t from = open + 9;
    const std::string aside = notice.substr(from, notice.find('"', from) - from);
    EXPECT_NE(aside.find("disabled-values.dat.damaged-"), std::string::npos) << aside;
    EXPECT_EQ(ReadFileBytes(aside), bytes);
    ASSERT_EQ(s.Count(), 3);
    EnableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Expand", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    ASSERT_TRUE(GetValue(slCURun, "Percent", v));
    EXPECT_EQ(v.Type, uint32_t(regSz));
    EXPECT_TRUE(HasValue(slLMRun, "Wow", wow));
    if (TwoViews()) {
        EXPECT_FALSE(HasValue(slLMRun, "Wow", RegView::Native));
    }
    Rescan(s);
    EXPECT_TRUE(s.Notices.empty()) << s.NoticeText();
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedRecordsKinds,
                         ::testing::Values("empty", "random bytes", "cut inside a line"));

// Both files cut inside a line: every entry one of them still holds whole
// comes back, the damaged store's sections read from the copy kept aside.
TEST_F(StartupKeep, BothFilesCutInsideALineLoseNoEntryEitherStillHolds) {
    UseTwoViews();
    const RegView wow = TwoViews() ? RegView::Wow32 : RegView::Default;
    PutValue(slCURun, "One", "%SystemRoot%\\one.exe", regExpandSz);
    PutValue(slCURunOnce, "Two", "C:\\two\\%TWO%.exe /once");
    PutValue(slLMRun, "Three", "%ProgramFiles%\\three.exe", regExpandSz, wow);
    TStartups s;
    Rescan(s);
    DisableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    const std::string store = ReadFileBytes(DisabledStorePath());
    ASSERT_EQ(store.substr(store.size() - 11), "enabled=0\r\n");
    WriteFileBytes(DisabledStorePath(), store.substr(0, store.size() - 4));
    const std::string records = ReadFileBytes(KeptValuesFile());
    WriteFileBytes(KeptValuesFile(), records.substr(0, records.find("\r\n") + 9));

    Rescan(s);
    EXPECT_EQ(s.Notices.size(), 2u) << s.NoticeText();
    ASSERT_EQ(s.Count(), 3);
    EnableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "One", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    ASSERT_TRUE(GetValue(slCURunOnce, "Two", v));
    EXPECT_EQ(v.Type, uint32_t(regSz));
    ASSERT_TRUE(GetValue(slLMRun, "Three", v, wow));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    if (TwoViews()) {
        EXPECT_FALSE(HasValue(slLMRun, "Three", RegView::Native));
    }
}

// --- Side files in the way ------------------------------------------------------

TEST_F(StartupKeep, ShortcutWhoseCopyCannotBeKeptIsNotDeleted) {
    MakeShortcut(slCUStartup, "Tool", "C:\\t\\tool.exe", "/run", "C:\\t", "my tool");
    const std::string bytes = ReadFileBytes(ShortcutPath(slCUStartup, "Tool"));
    // A file where the folder of the copies would be.
    ForceFolders(PathJoin(DataFolder(), "Shortcuts"));
    WriteFileBytes(PathJoin(DataFolder(), "Shortcuts\\10"), "in the way");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    DisableAll(s);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_TRUE(Mentions(report, "could not be copied"));
    EXPECT_TRUE(Mentions(report, "nothing was deleted"));
    EXPECT_EQ(ReadFileBytes(ShortcutPath(slCUStartup, "Tool")), bytes);

    // The store does not claim it is off.
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_TRUE(s.Items(0)->Enabled);
}

TEST_F(StartupKeep, ValueWhoseRecordCannotBeWrittenIsNotDeleted) {
    PutValue(slCURun, "Expand", "%ProgramFiles%\\e\\e.exe", regExpandSz);
    PutValue(slLMRun, "Machine", "C:\\m\\m.exe");
    // A folder where the records file would be.
    ASSERT_TRUE(ForceFolders(PathJoin(KeptValuesFile(), "blocker")));
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    DisableAll(s);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 2u);
    EXPECT_TRUE(Mentions(report, "disabled-values.dat"));
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Expand", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    EXPECT_TRUE(HasValue(slLMRun, "Machine"));
    Rescan(s);
    for (int i = 0; i < s.Count(); ++i)
        EXPECT_TRUE(s.Items(i)->Enabled) << s.Items(i)->Title;
}

// Windows refuses to replace a read-only file, so the record cannot be
// written and the value stays; Wine replaces it, and the record is kept.
// Either way the value comes back as it was.
TEST_F(StartupKeep, AReadOnlyRecordsFileLosesNoValue) {
    PutValue(slCURun, "Expand", "%ProgramFiles%\\e\\e.exe", regExpandSz);
    ASSERT_TRUE(ForceFolders(DataFolder()));
    // A record left over from an earlier enable of the same value.
    WriteFileBytes(KeptValuesFile(), "8\t0\t2\tExpand\t%ProgramFiles%\\\\e\\\\e.exe\tExpand\r\n");
    if (!SetReadOnly(KeptValuesFile(), true))
        GTEST_SKIP() << "a file cannot be made read-only here";
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    DisableAll(s);
    const TApplyReport report = s.ApplyChanges();
    SetReadOnly(KeptValuesFile(), false);
    if (!report.Ok()) {
        ASSERT_EQ(report.Failures.size(), 1u);
        EXPECT_TRUE(Mentions(report, "disabled-values.dat"));
        EXPECT_TRUE(HasValue(slCURun, "Expand"));
    }
    Rescan(s);
    ASSERT_EQ(s.Count(), 1);
    EXPECT_EQ(s.Items(0)->Enabled, !report.Ok());
    EnableAll(s);
    ASSERT_APPLIED(s.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Expand", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    EXPECT_EQ(v.Text, "%ProgramFiles%\\e\\e.exe");
}

TEST_F(StartupKeep, AnotherProgramUnderTheSameNameIsLeftAlone) {
    // A profile entry whose title names a value or shortcut of another
    // command line: deleting it would lose that program for good.
    PutValue(slCURun, "Shared", "C:\\other\\other.exe");
    MakeShortcut(slCUStartup, "Shared", "C:\\other\\other.exe", "");
    TStartups s;
    s.Add("Shared", "", "C:\\mine\\mine.exe", slCURun, 0)->SetEnabled(false);
    s.Add("Shared", "", "\"C:\\mine\\mine2.exe\" ", slCUStartup, 0)->SetEnabled(false);
    const TApplyReport report = s.ApplyChanges();
    EXPECT_EQ(report.Failures.size(), 2u);
    EXPECT_TRUE(Mentions(report, "holds another command line"));
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Shared", v));
    EXPECT_EQ(v.Text, "C:\\other\\other.exe");
    EXPECT_TRUE(FileExists(ShortcutPath(slCUStartup, "Shared")));
}

// --- A damaged store ------------------------------------------------------------

class DamagedStoreKinds : public StartupKeep, public ::testing::WithParamInterface<const char*> {
protected:
    static void DisableThenDamage(const std::string& kind);
};

// Disables a value kept in two places and a shortcut, then damages the store
// in the given way.
void DamagedStoreKinds::DisableThenDamage(const std::string& kind) {
    PutValue(slCURun, "First", "C:\\two\\places.exe /x");
    PutValue(slCURun, "Second", "C:\\two\\places.exe /x");
    MakeShortcut(slCUStartup, "Docs", "C:\\d\\viewer.exe", "\"C:\\my docs\\file.txt\"");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2);
    for (int i = 0; i < s.Count(); ++i)
        s.Items(i)->SetEnabled(false);
    ASSERT_TRUE(s.ApplyChanges().Ok());
    const std::string store = DisabledStorePath();
    std::string bytes = ReadFileBytes(store);
    if (kind == "garbage") {
        bytes = std::string("\x01\xfe not a store \x00\x7f", 18) + bytes.substr(bytes.size() / 2);
    } else if (kind == "cut inside a section") {
        const size_t at = bytes.find("fullpath=", bytes.find("[1]"));
        ASSERT_NE(at, std::string::npos);
        bytes = bytes.substr(0, at + 14);
    } else if (kind == "bogus section first") {
        bytes = "[0]\r\ntitle=Bogus\r\nfullpath=C:\\bogus\\bogus.exe\r\nlocation=8\r\n" + bytes;
    } else if (kind == "empty General first") {
        bytes = "[General]\r\nProgramCount=0\r\n" + bytes;
    } else if (kind == "many empty sections") {
        std::string many = "[General]\r\nProgramCount=2000000000\r\n";
        // Appended piece by piece: GCC 12's -O3 sees a false "restrict"
        // overlap in "[" + std::to_string(i) (GCC bug 105329).
        for (int i = 0; i < 110000; ++i) {
            many += '[';
            many += std::to_string(i);
            many += "]\r\n";
        }
        bytes = many;
    }
    WriteFileBytes(store, bytes);
}

TEST_P(DamagedStoreKinds, IsKeptAsideAndEveryKeptPlaceComesBack) {
    DisableThenDamage(GetParam());
    const std::string damaged = ReadFileBytes(DisabledStorePath());
    TStartups s;
    const auto start = std::chrono::steady_clock::now();
    Rescan(s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ASSERT_EQ(s.Notices.size(), 1u);
    EXPECT_EQ(Find(s, "Bogus"), nullptr);
    // Both places of the command line and the shortcut are listed again.
    EnableAll(s);
    const TApplyReport report = s.ApplyChanges();
    EXPECT_TRUE(report.Ok()) << report.Message();
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "First", v));
    EXPECT_EQ(v.Text, "C:\\two\\places.exe /x");
    ASSERT_TRUE(GetValue(slCURun, "Second", v));
    EXPECT_EQ(v.Text, "C:\\two\\places.exe /x");
    TShortcutLink link;
    link.ShortcutFile = ShortcutPath(slCUStartup, "Docs");
    link.LoadLink();
    EXPECT_EQ(link.Target, "C:\\d\\viewer.exe");
    EXPECT_EQ(link.Arguments, "\"C:\\my docs\\file.txt\"");
    // No shortcut to nothing was made anywhere.
    for (const std::string& file : FindFiles(Folder(slCUStartup), ".lnk", false)) {
        TShortcutLink made;
        made.ShortcutFile = file;
        made.LoadLink();
        EXPECT_FALSE(made.Target.empty()) << file;
    }
    // The damaged file was kept as it was, under the name the notice gives.
    const std::string& notice = s.Notices[0];
    const size_t open = notice.find("kept as \"");
    ASSERT_NE(open, std::string::npos) << notice;
    const size_t from = open + 9;
    const std::string aside = notice.substr(from, notice.find('"', from) - from);
    EXPECT_EQ(ReadFileBytes(aside), damaged);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedStoreKinds,
                         ::testing::Values("garbage", "cut inside a section", "bogus section first",
                                           "empty General first", "many empty sections"));

TEST_F(StartupKeep, StoreEntryWithoutAProgramMakesNoShortcut) {
    // A store Morvane could read whose command line names no program.
    ForceFolders(DataFolder());
    WriteFileBytes(DisabledStorePath(), "[General]\r\nProgramCount=1\r\n[0]\r\ntitle=Cut\r\n"
                                        "fullpath=\"C:\\Program\r\nlocation=10\r\nrating=0\r\n"
                                        "enabled=0\r\n");
    TStartups s;
    Rescan(s);
    TStartup* cut = Find(s, "Cut");
    ASSERT_NE(cut, nullptr);
    cut->SetEnabled(true);
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_TRUE(Mentions(report, "names no program file"));
    EXPECT_FALSE(FileExists(ShortcutPath(slCUStartup, "Cut")));
    // Its record stays: it is still listed, off.
    Rescan(s);
    ASSERT_NE(Find(s, "Cut"), nullptr);
    EXPECT_FALSE(Find(s, "Cut")->Enabled);
}

TEST_F(StartupKeep, SoundStoreReadsAsWritten) {
    TStartups s;
    s.Add("A", "", "C:\\a\\a.exe", slCURun, 0)->SetEnabled(false);
    s.Add("B", "", "\"C:\\b\\b.exe\" \"C:\\my docs\\x.txt\"", slCUStartup, 0)->SetEnabled(false);
    SaveDisabledStore(s);
    TStartups t;
    Rescan(t);
    EXPECT_TRUE(t.Notices.empty());
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.Items(1)->CommandLine, s.Items(1)->CommandLine);
    // No temporary file is left beside it.
    for (const std::string& file : FindFiles(DataFolder(), ".tmp", false))
        ADD_FAILURE() << file;
}

// --- A run that stops half-way --------------------------------------------------

// A failure injected after every number of changes a disable makes: a fresh
// start then finds every entry, either still in place or listed as disabled
// with what it needs to come back as it was.
TEST_F(StartupKeep, StopAfterAnyChangeOfADisableLosesNothing) {
    int stopAt = 0;
    for (;; ++stopAt) {
        TearDown();
        SetUp();
        UseTwoViews();
        PutValue(slCURun, "Expand", "%SystemRoot%\\e.exe", regExpandSz);
        PutValue(slCURun, "", "C:\\d\\default.exe");
        PutValue(slLMRun, "Wow", "C:\\w\\w.exe", regSz, RegView::Wow32);
        PutValue(slLMRun, "Twice A", "C:\\t\\twice.exe");
        PutValue(slLMRun, "Twice B", "C:\\t\\twice.exe");
        MakeShortcut(slCUStartup, "Link", "C:\\l\\link.exe", "\"C:\\my docs\\f.txt\"", "C:\\l",
                     "described");
        const std::string linkBytes = ReadFileBytes(ShortcutPath(slCUStartup, "Link"));
        {
            TStartups s;
            Rescan(s);
            ASSERT_EQ(s.Count(), 5);
            DisableAll(s);
            fault_injection::FailChangesAfter(stopAt);
            try {
                s.ApplyChanges();
            } catch (const std::exception&) {
            }
        }
        const bool completed = fault_injection::ChangesCounted() <= stopAt;
        fault_injection::FailChangesAfter(-1);

        TStartups fresh;
        Rescan(fresh);
        EnableAll(fresh);
        const TApplyReport report = fresh.ApplyChanges();
        EXPECT_TRUE(report.Ok()) << "stopped after " << stopAt << ": " << report.Message();
        RegValue v;
        EXPECT_TRUE(GetValue(slCURun, "Expand", v) && v.Type == regExpandSz &&
                    v.Text == "%SystemRoot%\\e.exe")
            << "stopped after " << stopAt;
        EXPECT_TRUE(GetValue(slCURun, "", v) && v.Text == "C:\\d\\default.exe")
            << "stopped after " << stopAt;
        EXPECT_FALSE(HasValue(slCURun, "default")) << "stopped after " << stopAt;
        EXPECT_TRUE(GetValue(slLMRun, "Wow", v, RegView::Wow32)) << "stopped after " << stopAt;
        EXPECT_FALSE(HasValue(slLMRun, "Wow", RegView::Native)) << "stopped after " << stopAt;
        EXPECT_TRUE(HasValue(slLMRun, "Twice A")) << "stopped after " << stopAt;
        EXPECT_TRUE(HasValue(slLMRun, "Twice B")) << "stopped after " << stopAt;
        EXPECT_EQ(ReadFileBytes(ShortcutPath(slCUStartup, "Link")), linkBytes)
            << "stopped after " << stopAt;
        if (completed || HasFailure())
            break;
    }
    EXPECT_GT(stopAt, 5);
}

#ifndef _WIN32
// Windows' mutex is the thread's own to take again; the portable lock is
// one per holder, which lets one test hold it twice.
TEST_F(StartupKeep, OneMorvaneAtATime) {
    TSystemLock first(SystemLockPath());
    TSystemLock second(SystemLockPath());
    ASSERT_TRUE(first.Acquire(0));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.Acquire(200));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    try {
        TakeSystemLock(second, 100);
        ADD_FAILURE() << "no error";
    } catch (const EMorvaneError& e) {
        EXPECT_NE(std::string(e.what()).find("Another Morvane"), std::string::npos);
    }
    first.Release();
    EXPECT_TRUE(second.Acquire(0));
}
#endif

} // namespace
