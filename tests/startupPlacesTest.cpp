// What the store keeps across disable, refresh, enable, close and restart:
// every place of a program registered twice, shortcuts with all their
// properties, and what a damaged store still holds.

#include "support/CoreFixture.h"

#include "core/system/Files.h"

#include <algorithm>

namespace {

class StartupPlaces : public CoreTest {
protected:
    // The window's close followed by a new start: store written, a new
    // collection, scan and merge.
    static void CloseAndRestart(std::unique_ptr<TStartups>& s) {
        SaveDisabledStore(*s);
        s = std::make_unique<TStartups>();
        Rescan(*s);
    }
};

TEST_F(StartupPlaces, ProgramRegisteredTwiceIsTurnedOffEverywhereAndComesBackAsItWas) {
    // HKLM Run in both views (native and WOW6432Node, where there are two)
    // and HKCU Run, the HKCU one as an expandable string.
    UseTwoViews();
    const RegView lmView = TwoViews() ? RegView::Native : RegView::Default;
    const std::string command = "C:\\twice\\tool.exe /start";
    PutValue(slLMRun, "Tool", command, regSz, lmView);
    if (TwoViews())
        PutValue(slLMRun, "Tool32", command, regSz, RegView::Wow32);
    PutValue(slCURun, "ToolUser", command, regExpandSz);

    auto s = std::make_unique<TStartups>();
    Rescan(*s);
    ASSERT_EQ(s->Count(), 1);
    EXPECT_NE(s->Items(0)->AlsoInText().find("CU Run"), std::string::npos);
    s->Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s->ApplyChanges());
    EXPECT_FALSE(HasValue(slLMRun, "Tool", lmView));
    EXPECT_FALSE(HasValue(slCURun, "ToolUser"));
    if (TwoViews()) {
        EXPECT_FALSE(HasValue(slLMRun, "Tool32", RegView::Wow32));
    }

    // Refresh: the program is nowhere, so the stored entry comes back,
    // unticked, with its other places.
    Rescan(*s);
    ASSERT_EQ(s->Count(), 1);
    EXPECT_FALSE(s->Items(0)->Enabled);
    EXPECT_EQ(s->Items(0)->AlsoIn.size(), TwoViews() ? 2u : 1u);

    CloseAndRestart(s);
    ASSERT_EQ(s->Count(), 1);
    TStartup* e = s->Items(0);
    EXPECT_FALSE(e->Enabled);
    EXPECT_EQ(e->Title, "Tool");
    EXPECT_EQ(e->AlsoIn.size(), TwoViews() ? 2u : 1u);
    EXPECT_NE(e->AlsoInText().find("CU Run"), std::string::npos);

    e->SetEnabled(true);
    ASSERT_APPLIED(s->ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slLMRun, "Tool", v, lmView));
    EXPECT_EQ(v.Text, command);
    ASSERT_TRUE(GetValue(slCURun, "ToolUser", v));
    EXPECT_EQ(v.Text, command);
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    if (TwoViews()) {
        ASSERT_TRUE(GetValue(slLMRun, "Tool32", v, RegView::Wow32));
        EXPECT_EQ(v.Text, command);
    }

    CloseAndRestart(s);
    ASSERT_EQ(s->Count(), 1);
    EXPECT_TRUE(s->Items(0)->Enabled);
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    EXPECT_EQ(store.Count(), 0);
    EXPECT_FALSE(FileExists(PathJoin(DataFolder(), "disabled-values.dat")));
}

TEST_F(StartupPlaces, StoredEntryFoundElsewhereIsNotLostByTheMerge) {
    // An older Morvane turned off only the HKLM value; the HKCU one of the
    // same program still starts.
    const std::string command = "C:\\old\\tool.exe";
    PutValue(slLMRun, "Tool", command);
    PutValue(slCURun, "ToolUser", command);
    {
        TStartups s;
        Rescan(s);
        ASSERT_EQ(s.Count(), 1);
        s.Items(0)->AlsoIn.clear(); // as the older program saw it
        s.Items(0)->SetEnabled(false);
        ASSERT_APPLIED(s.ApplyChanges());
    }
    ASSERT_FALSE(HasValue(slLMRun, "Tool"));
    ASSERT_TRUE(HasValue(slCURun, "ToolUser"));

    auto s = std::make_unique<TStartups>();
    Rescan(*s);
    ASSERT_EQ(s->Count(), 1);
    EXPECT_EQ(s->Items(0)->Title, "ToolUser");
    EXPECT_TRUE(s->Items(0)->Enabled);
    EXPECT_EQ(s->Items(0)->AlsoInText(), "kept disabled in LM Run");
    // Closing keeps what was kept of the HKLM value.
    CloseAndRestart(s);
    ASSERT_EQ(s->Count(), 1);
    EXPECT_EQ(s->Items(0)->AlsoInText(), "kept disabled in LM Run");
    // Turning it off now turns off both; enabling gives both back.
    s->Items(0)->SetEnabled(false);
    ASSERT_APPLIED(s->ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, "ToolUser"));
    CloseAndRestart(s);
    ASSERT_EQ(s->Count(), 1);
    s->Items(0)->SetEnabled(true);
    ASSERT_APPLIED(s->ApplyChanges());
    EXPECT_TRUE(HasValue(slLMRun, "Tool"));
    EXPECT_TRUE(HasValue(slCURun, "ToolUser"));
}

TEST_F(StartupPlaces, ProgramRegisteredAgainElsewhereLeavesTheDisabledPlaceOff) {
    const std::string command = "C:\\dup\\dup.exe /tray";
    PutValue(slCURun, "Dup", command, regExpandSz);
    PutValue(slCURun, "Other", "C:\\other\\other.exe");
    auto s = std::make_unique<TStartups>();
    Rescan(*s);
    Find(*s, "Dup")->SetEnabled(false);
    ASSERT_APPLIED(s->ApplyChanges());
    // An installer registers the same program machine-wide.
    PutValue(slLMRun, "DupLM", command);

    // An unrelated change does not turn the user's registration back on.
    Rescan(*s);
    ASSERT_EQ(s->Count(), 2);
    TStartup* dup = Find(*s, "DupLM");
    ASSERT_NE(dup, nullptr);
    EXPECT_TRUE(dup->Enabled);
    EXPECT_EQ(dup->AlsoInText(), "kept disabled in CU Run");
    Find(*s, "Other")->SetEnabled(false);
    ASSERT_APPLIED(s->ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, "Dup"));
    EXPECT_TRUE(HasValue(slLMRun, "DupLM"));
    CloseAndRestart(s);
    Find(*s, "Other")->SetEnabled(true);
    ASSERT_APPLIED(s->ApplyChanges());
    EXPECT_FALSE(HasValue(slCURun, "Dup"));
    ASSERT_NE(Find(*s, "DupLM"), nullptr);
    EXPECT_EQ(Find(*s, "DupLM")->AlsoInText(), "kept disabled in CU Run");

    // Turning the program off and on again gives every place back, the
    // user's own with its type.
    Find(*s, "DupLM")->SetEnabled(false);
    ASSERT_APPLIED(s->ApplyChanges());
    CloseAndRestart(s);
    Find(*s, "DupLM")->SetEnabled(true);
    ASSERT_APPLIED(s->ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Dup", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    EXPECT_TRUE(HasValue(slLMRun, "DupLM"));
}

struct LinkProps {
    std::string Target, WorkingDir, Description, Arguments, IconLocation;
    char HotKey;
    int IconNumber, ShowCode;
    bool operator==(const LinkProps&) const = default;
};

LinkProps Read(const std::string& file) {
    TShortcutLink link;
    link.ShortcutFile = file;
    link.LoadLink();
    return {link.Target,       link.WorkingDir, link.Description, link.Arguments,
            link.IconLocation, link.HotKey,     link.IconNumber,  link.ShowCode};
}

TEST_F(StartupPlaces, ShortcutComesBackWithEveryPropertyWithAndWithoutArguments) {
    for (const std::string& arguments : {std::string(), std::string("-tray \"x y\"")}) {
        SCOPED_TRACE("arguments: " + arguments);
        const std::string target = PathJoin(Scratch(), "linked.exe");
        WriteFileBytes(target, "x");
        TShortcutLink link;
        link.ShortcutFile = ShortcutPath(slCUStartup, "Full");
        link.Target = target;
        link.Arguments = arguments;
        link.WorkingDir = Scratch();
        link.Description = "All the properties";
        link.IconLocation = target;
        link.IconNumber = 2;
        link.HotKey = 'K';
        link.ShowCode = 7;
        link.SaveLink();
        const LinkProps before = Read(link.ShortcutFile);

        auto s = std::make_unique<TStartups>();
        Rescan(*s);
        ASSERT_EQ(s->Count(), 1);
        s->Items(0)->SetEnabled(false);
        ASSERT_APPLIED(s->ApplyChanges());
        ASSERT_FALSE(FileExists(link.ShortcutFile));
        // Through the store, which gives a quoted command line back bare.
        CloseAndRestart(s);
        ASSERT_EQ(s->Count(), 1);
        ASSERT_FALSE(s->Items(0)->Enabled);
        s->Items(0)->SetEnabled(true);
        ASSERT_APPLIED(s->ApplyChanges());
        ASSERT_TRUE(FileExists(link.ShortcutFile));
        EXPECT_EQ(Read(link.ShortcutFile), before);
        // And it is listed once, enabled, and leaves the store.
        CloseAndRestart(s);
        ASSERT_EQ(s->Count(), 1);
        EXPECT_TRUE(s->Items(0)->Enabled);
        SaveDisabledStore(*s);
        TStartups store;
        store.LoadFromFile(DisabledStorePath());
        EXPECT_EQ(store.Count(), 0);
        DeleteFileAt(link.ShortcutFile);
    }
}

TEST_F(StartupPlaces, ShortcutCommandLinesCompareAsTheProfileGivesThemBack) {
    EXPECT_TRUE(SameShortcutCommand("\"C:\\x\\y.exe\" ", "C:\\x\\y.exe"));
    EXPECT_TRUE(SameShortcutCommand("\"C:\\x\\y.exe\" \"a b\"", "C:\\x\\y.exe\" \"a b"));
    EXPECT_TRUE(SameShortcutCommand("\"C:\\x\\y.exe\" -a", "\"C:\\x\\y.exe\" -a"));
    EXPECT_FALSE(SameShortcutCommand("\"C:\\x\\y.exe\" -a", "\"C:\\x\\y.exe\" -b"));
    EXPECT_FALSE(SameShortcutCommand("\"C:\\x\\y.exe\" ", "C:\\x\\z.exe"));
}

class DamagedStore : public StartupPlaces, public ::testing::WithParamInterface<const char*> {};

std::string Damage(const std::string& kind) {
    if (kind == "garbage")
        return "\x7f\x45\x4c\x46 this is not a profile\r\n\x01\x02\x03 = [[[\r\n";
    if (kind == "negative count")
        return "[General]\r\nCreator=[MRV]\r\nProgramCount=-3\r\n[0]\r\ntitle=x\r\n";
    if (kind == "huge count")
        return "[General]\r\nProgramCount=2000000000\r\n";
    // 10 MB of bytes without a single profile line.
    std::string big(10 * 1024 * 1024, 'z');
    for (size_t i = 0; i < big.size(); i += 997)
        big[i] = static_cast<char>(i % 251);
    return big;
}

TEST_P(DamagedStore, IsKeptAsideAndWhatIsKeptIsListedAgain) {
    PutValue(slCURun, "Value", "C:\\d\\value.exe", regExpandSz);
    MakeShortcut(slCUStartup, "Link", "C:\\d\\link.exe", "", "C:\\d", "kept");
    const std::string linkFile = ShortcutPath(slCUStartup, "Link");
    const std::string linkBytes = ReadFileBytes(linkFile);
    {
        TStartups s;
        Rescan(s);
        ASSERT_EQ(s.Count(), 2);
        for (int i = 0; i < s.Count(); ++i)
            s.Items(i)->SetEnabled(false);
        ASSERT_APPLIED(s.ApplyChanges());
    }
    const std::string store = DisabledStorePath();
    const std::string damage = Damage(GetParam());
    WriteFileBytes(store, damage);

    auto s = std::make_unique<TStartups>();
    Rescan(*s);
    ASSERT_EQ(s->Count(), 2);
    for (const char* title : {"Value", "Link"}) {
        ASSERT_NE(Find(*s, title), nullptr) << title;
        EXPECT_FALSE(Find(*s, title)->Enabled) << title;
    }
    ASSERT_EQ(s->Notices.size(), 1u);
    EXPECT_NE(s->Notices[0].find("could not be read"), std::string::npos);
    // The damaged file is kept beside, as it was.
    const std::string prefix = store + ".damaged-";
    const size_t named = s->Notices[0].find(prefix);
    ASSERT_NE(named, std::string::npos) << s->Notices[0];
    std::string aside = s->Notices[0].substr(named);
    aside = aside.substr(0, aside.find('"'));
    ASSERT_TRUE(FileExists(aside)) << aside;
    EXPECT_EQ(ReadFileBytes(aside).size(), damage.size());
    EXPECT_TRUE(ReadFileBytes(aside) == damage);

    // Close and restart: the new store holds both, and nothing is told again.
    CloseAndRestart(s);
    EXPECT_EQ(s->Count(), 2);
    EXPECT_TRUE(s->Notices.empty());
    EXPECT_TRUE(FileExists(aside));
    for (int i = 0; i < s->Count(); ++i)
        s->Items(i)->SetEnabled(true);
    ASSERT_APPLIED(s->ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCURun, "Value", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    EXPECT_EQ(ReadFileBytes(linkFile), linkBytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedStore,
                         ::testing::Values("garbage", "negative count", "huge count", "10 MB"));

TEST_F(StartupPlaces, DamagedStoreIsNeverWrittenOver) {
    const std::string store = DisabledStorePath();
    ForceFolders(FileDir(store));
    const std::string damage = "garbage without any section";
    WriteFileBytes(store, damage);
    TStartups s;
    s.Add("new", "", "C:\\n\\new.exe", slCURun, 0)->SetEnabled(false);
    // A store write without a merge first (a profile was loaded).
    const std::string before = DamagedStorePath(store);
    SaveDisabledStore(s);
    const std::string after = DamagedStorePath(store);
    TStartups written;
    written.LoadFromFile(store);
    ASSERT_EQ(written.Count(), 1);
    const std::string aside = FileExists(before) ? before : after;
    ASSERT_TRUE(FileExists(aside));
    EXPECT_EQ(ReadFileBytes(aside), damage);
}

TEST_F(StartupPlaces, StoreWithSectionInAnotherLetterCaseIsSound) {
    {
        TStartups s;
        s.Add("Kept", "", "C:\\k\\kept.exe", slCURun, 0)->SetEnabled(false);
        SaveDisabledStore(s);
    }
    const std::string store = DisabledStorePath();
    std::string bytes = ReadFileBytes(store);
    const size_t at = bytes.find("[General]");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 9, "[gEnErAl]");
    WriteFileBytes(store, bytes);
    TStartups s;
    Rescan(s);
    ASSERT_NE(Find(s, "Kept"), nullptr);
    EXPECT_FALSE(Find(s, "Kept")->Enabled);
    // Not told as damaged, so not moved aside.
    EXPECT_TRUE(s.Notices.empty());
}

} // namespace
