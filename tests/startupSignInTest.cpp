// What Windows starts at sign-in besides Run and the Startup folders: each
// kind listed, switched and given back exactly, in both registry views where
// the machine has two (natively: the in-memory registry with two views;
// under Wine: the prefix's real registry, 64-bit prefix, native view
// KEY_WOW64_64KEY and WOW6432Node KEY_WOW64_32KEY).

#include "support/CoreFixture.h"
#include "support/Seed.h"

#include "core/startupSignIn.h"
#include "core/system/FaultInjection.h"
#include "core/system/Files.h"
#include "core/system/Packages.h"

namespace {

const std::string kRunOnceEx = LocationKey(slLMRunOnceEx) + 1;
const std::string kKeptRunOnceEx = "Software\\Morvane\\Disabled\\RunOnceEx";
const std::string kSetup = LocationKey(slActiveSetup) + 1;
const std::string kUserSetup = "Software\\Microsoft\\Active Setup\\Installed Components";
const std::string kWinlogon = LocationKey(slLMWinlogon) + 1;
const std::string kPolicies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

std::string Sz(const std::string& text) {
    return text + std::string(1, '\0');
}

std::string Dword(uint32_t v) {
    return std::string{char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24)};
}

class StartupSignIn : public CoreTest {
protected:
    void TearDown() override {
        fault_injection::FailChangesAfter(-1);
        ClearSignInPlaces();
        CoreTest::TearDown();
    }

    // The views of the machine-wide places in this run, the native one first.
    static std::vector<RegView> MachineViews() {
        return TwoViews() ? std::vector<RegView>{RegView::Native, RegView::Wow32}
                          : std::vector<RegView>{RegView::Default};
    }

    static TStartup* FindAt(TStartups& s, unsigned code, RegView view, const std::string& key) {
        return s.FindPlaced(static_cast<int>(code), view, key);
    }

    static std::string Raw(RegRoot root, const std::string& path, const std::string& name,
                           RegView view = RegView::Default, uint32_t* type = nullptr) {
        uint32_t t = regNone;
        std::string data;
        if (!seed::GetRaw(root, path, name, t, data, view))
            return "<absent>";
        if (type)
            *type = t;
        return data;
    }

    static std::string TaskKey(const std::string& family) {
        return std::string(LocationKey(slPackagedTask) + 1) + "\\" + family + "\\Start";
    }
};

TEST_F(StartupSignIn, PolicyRunListsBehaveLikeRunAndTheSwitchesAreNamed) {
    UseTwoViews();
    PutValue(slCUPolicyRun, "PolicyTool", "%SystemRoot%\\p.exe /u", regExpandSz);
    // Each view's value has a name of its own: where the key is one for both
    // views (as under Wine), both views list both.
    for (RegView view : MachineViews())
        PutValue(slLMPolicyRun, "MachineTool" + std::to_string(int(view)),
                 "C:\\m\\m.exe /v" + std::to_string(int(view)), regSz, view);
    PutValue(slCURun, "Plain", "C:\\plain.exe");
    seed::SetRaw(RegRoot::LocalMachine, kPolicies, "DisableCurrentUserRun", regDword, Dword(1));

    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 2 + static_cast<int>(MachineViews().size()));
    TStartup* user = Find(s, "PolicyTool");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->LocationText(), "CU Policy Run");
    EXPECT_STREQ(LocationKind(user->Location), "policyRun");
    // The switch names CU Run, not the policy list.
    EXPECT_TRUE(user->SkippedBy.empty());
    EXPECT_EQ(Find(s, "Plain")->SkippedBy, "DisableCurrentUserRun");
    EXPECT_NE(Find(s, "Plain")->WindowsNote().find("DisableCurrentUserRun"), std::string::npos);

    for (int i = 0; i < s.Count(); ++i)
        if (s.Items(i)->Location != slCURun)
            s.Items(i)->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_FALSE(HasValue(slCUPolicyRun, "PolicyTool"));
    for (RegView view : MachineViews()) {
        EXPECT_FALSE(HasValue(slLMPolicyRun, "MachineTool" + std::to_string(int(view)), view));
    }

    TStartups again;
    Rescan(again);
    for (int i = 0; i < again.Count(); ++i)
        again.Items(i)->SetEnabled(true);
    ASSERT_APPLIED(again.ApplyChanges());
    RegValue v;
    ASSERT_TRUE(GetValue(slCUPolicyRun, "PolicyTool", v));
    EXPECT_EQ(v.Type, uint32_t(regExpandSz));
    for (RegView view : MachineViews()) {
        ASSERT_TRUE(GetValue(slLMPolicyRun, "MachineTool" + std::to_string(int(view)), v, view));
        EXPECT_EQ(v.Text, "C:\\m\\m.exe /v" + std::to_string(int(view)));
    }
}

TEST_F(StartupSignIn, RunOnceExSubkeyMovesIntoMorvanesKeepingAndBackExactly) {
    UseTwoViews();
    for (RegView view : MachineViews()) {
        const std::string sub = kRunOnceEx + "\\0001";
        seed::SetRaw(RegRoot::LocalMachine, sub, "", regSz, Sz("Finishing setup"), view);
        seed::SetRaw(RegRoot::LocalMachine, sub, "1", regExpandSz,
                     Sz("%SystemRoot%\\setup\\one.exe /v" + std::to_string(int(view))), view);
        seed::SetRaw(RegRoot::LocalMachine, sub, "2", regSz, Sz("C:\\setup\\two.exe"), view);
        seed::SetRaw(RegRoot::LocalMachine, sub, "Flags", regDword, Dword(0x20), view);
    }
    TStartups s;
    Rescan(s);
    for (RegView view : MachineViews()) {
        TStartup* e = FindAt(s, slLMRunOnceEx, view, "0001");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->Title, "Finishing setup");
        EXPECT_EQ(e->CommandLine, "%SystemRoot%\\setup\\one.exe /v" + std::to_string(int(view)));
        EXPECT_NE(e->WindowsNote().find("runs once"), std::string::npos);
        e->SetEnabled(false);
    }
    ASSERT_APPLIED(s.ApplyChanges());
    for (RegView view : MachineViews()) {
        EXPECT_FALSE(seed::KeyExists(RegRoot::LocalMachine, kRunOnceEx + "\\0001", view));
        uint32_t type = regNone;
        EXPECT_EQ(Raw(RegRoot::LocalMachine, kKeptRunOnceEx + "\\0001", "Flags", view, &type),
                  Dword(0x20));
        EXPECT_EQ(type, uint32_t(regDword));
    }
    // Nothing of it went to the store of disabled entries.
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    EXPECT_EQ(store.Count(), 0);

    // A fresh start lists it unticked, from the keeping; enabling moves it back.
    TStartups fresh;
    Rescan(fresh);
    for (RegView view : MachineViews()) {
        TStartup* e = FindAt(fresh, slLMRunOnceEx, view, "0001");
        ASSERT_NE(e, nullptr);
        EXPECT_FALSE(e->Enabled);
        e->SetEnabled(true);
    }
    ASSERT_APPLIED(fresh.ApplyChanges());
    for (RegView view : MachineViews()) {
        const std::string sub = kRunOnceEx + "\\0001";
        uint32_t type = regNone;
        EXPECT_EQ(Raw(RegRoot::LocalMachine, sub, "", view), Sz("Finishing setup"));
        EXPECT_EQ(Raw(RegRoot::LocalMachine, sub, "1", view, &type),
                  Sz("%SystemRoot%\\setup\\one.exe /v" + std::to_string(int(view))));
        EXPECT_EQ(type, uint32_t(regExpandSz));
        EXPECT_EQ(Raw(RegRoot::LocalMachine, sub, "Flags", view), Dword(0x20));
        EXPECT_FALSE(seed::KeyExists(RegRoot::LocalMachine, kKeptRunOnceEx + "\\0001", view));
    }
}

TEST_F(StartupSignIn, StopAfterAnyChangeOfARunOnceExMoveLosesNothing) {
    int stopAt = 0;
    for (;; ++stopAt) {
        ClearSignInPlaces();
        const std::string sub = kRunOnceEx + "\\0042";
        seed::SetRaw(RegRoot::LocalMachine, sub, "", regSz, Sz("Caption"));
        seed::SetRaw(RegRoot::LocalMachine, sub, "a", regSz, Sz("C:\\a.exe"));
        seed::SetRaw(RegRoot::LocalMachine, sub, "b", regExpandSz, Sz("%TEMP%\\b.exe"));
        {
            TStartups s;
            Rescan(s);
            TStartup* e = FindAt(s, slLMRunOnceEx, RegView::Default, "0042");
            ASSERT_NE(e, nullptr);
            e->SetEnabled(false);
            fault_injection::FailChangesAfter(stopAt);
            try {
                s.ApplyChanges();
            } catch (const std::exception&) {
            }
        }
        const bool completed = fault_injection::ChangesCounted() <= stopAt;
        fault_injection::FailChangesAfter(-1);
        // Wherever it stopped, the subkey is whole in its place or in the keeping.
        const bool live = seed::KeyExists(RegRoot::LocalMachine, sub);
        const std::string where = live ? sub : kKeptRunOnceEx + "\\0042";
        EXPECT_EQ(Raw(RegRoot::LocalMachine, where, "b"), Sz("%TEMP%\\b.exe"))
            << "stopped after " << stopAt;
        TStartups fresh;
        Rescan(fresh);
        TStartup* e = FindAt(fresh, slLMRunOnceEx, RegView::Default, "0042");
        ASSERT_NE(e, nullptr) << "stopped after " << stopAt;
        e->SetEnabled(true);
        ASSERT_APPLIED(fresh.ApplyChanges());
        EXPECT_EQ(Raw(RegRoot::LocalMachine, sub, "a"), Sz("C:\\a.exe"))
            << "stopped after " << stopAt;
        EXPECT_FALSE(seed::KeyExists(RegRoot::LocalMachine, kKeptRunOnceEx + "\\0042"))
            << "stopped after " << stopAt;
        if (completed || HasFailure())
            break;
    }
    EXPECT_GT(stopAt, 3);
}

TEST_F(StartupSignIn, ActiveSetupRunsUntilTheUsersCopyIsAsNewAndIsSwitchedByIsInstalled) {
    EXPECT_LT(CompareSetupVersions("1,0,2", "1,0,10"), 0);
    EXPECT_EQ(CompareSetupVersions("1.0.0.0", "1,0"), 0);
    EXPECT_GT(CompareSetupVersions("2", "1,9,9,9"), 0);
    EXPECT_LT(CompareSetupVersions("", "0,0,0,1"), 0);

    // Components of the test's own (the fixture takes them away again).
    const std::string a = kSetup + "\\MorvaneTestA";
    const std::string b = kSetup + "\\MorvaneTestB";
    seed::SetRaw(RegRoot::LocalMachine, a, "", regSz, Sz("Fresh component"));
    seed::SetRaw(RegRoot::LocalMachine, a, "StubPath", regSz, Sz("C:\\as\\a.exe /user"));
    seed::SetRaw(RegRoot::LocalMachine, a, "Version", regSz, Sz("1,0,0,3"));
    seed::SetRaw(RegRoot::CurrentUser, kUserSetup + "\\MorvaneTestA", "Version", regSz,
                 Sz("1,0,0,2"));
    seed::SetRaw(RegRoot::LocalMachine, b, "StubPath", regSz, Sz("C:\\as\\b.exe"));
    seed::SetRaw(RegRoot::LocalMachine, b, "Version", regSz, Sz("2,0"));
    seed::SetRaw(RegRoot::LocalMachine, b, "IsInstalled", regDword, Dword(1));
    seed::SetRaw(RegRoot::CurrentUser, kUserSetup + "\\MorvaneTestB", "Version", regSz,
                 Sz("2,0,0,0"));

    TStartups s;
    Rescan(s);
    TStartup* first = FindAt(s, slActiveSetup, RegView::Default, "MorvaneTestA");
    TStartup* second = FindAt(s, slActiveSetup, RegView::Default, "MorvaneTestB");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->Title, "Fresh component");
    EXPECT_FALSE(first->AlreadyRan);
    EXPECT_TRUE(second->AlreadyRan);
    EXPECT_NE(second->WindowsNote().find("has already run"), std::string::npos);

    first->SetEnabled(false);
    second->SetEnabled(false);
    ASSERT_APPLIED(s.ApplyChanges());
    EXPECT_EQ(Raw(RegRoot::LocalMachine, a, "IsInstalled"), Dword(0));
    EXPECT_EQ(Raw(RegRoot::LocalMachine, b, "IsInstalled"), Dword(0));

    TStartups again;
    Rescan(again);
    for (const char* id : {"MorvaneTestA", "MorvaneTestB"}) {
        TStartup* e = FindAt(again, slActiveSetup, RegView::Default, id);
        ASSERT_NE(e, nullptr);
        EXPECT_FALSE(e->Enabled);
        e->SetEnabled(true);
    }
    ASSERT_APPLIED(again.ApplyChanges());
    // Each comes back as it was: no IsInstalled where there was none.
    EXPECT_EQ(Raw(RegRoot::LocalMachine, a, "IsInstalled"), "<absent>");
    EXPECT_EQ(Raw(RegRoot::LocalMachine, b, "IsInstalled"), Dword(1));
}

TEST_F(StartupSignIn, WinlogonIsNeverDisabledAndItsDefaultIsRestoredAndUndone) {
    const RegView view = TwoViews() ? RegView::Native : RegView::Default;
    const std::string windows = GetEnv("SystemRoot").empty() ? "C:\\Windows" : GetEnv("SystemRoot");
    seed::SetRaw(RegRoot::LocalMachine, kWinlogon, "Userinit", regSz,
                 Sz(windows + "\\system32\\userinit.exe,"), view);
    seed::SetRaw(RegRoot::LocalMachine, kWinlogon, "Shell", regSz, Sz("explorer.exe, evil.exe"),
                 view);

    TStartups s;
    Rescan(s);
    TStartup* userinit = FindAt(s, slLMWinlogon, view, "Userinit");
    TStartup* shell = FindAt(s, slLMWinlogon, view, "Shell");
    ASSERT_NE(userinit, nullptr);
    ASSERT_NE(shell, nullptr);
    EXPECT_TRUE(userinit->Warning.empty()) << userinit->Warning;
    EXPECT_NE(shell->Warning.find("explorer.exe"), std::string::npos);
    EXPECT_FALSE(CanBeDisabled(shell->Location));

    // An apply that meets it unticked changes nothing and says why.
    shell->SetEnabled(false);
    const TApplyReport report = s.ApplyChanges();
    EXPECT_FALSE(report.Ok());
    EXPECT_EQ(Raw(RegRoot::LocalMachine, kWinlogon, "Shell", view), Sz("explorer.exe, evil.exe"));

    bool elevation = false;
    EXPECT_EQ(RestoreWindowsDefault(*shell, elevation), "");
    EXPECT_EQ(Raw(RegRoot::LocalMachine, kWinlogon, "Shell", view), Sz("explorer.exe"));
    EXPECT_TRUE(HasKeptWinlogonValue(*shell));
    EXPECT_EQ(UndoWindowsDefault(*shell, elevation), "");
    EXPECT_EQ(Raw(RegRoot::LocalMachine, kWinlogon, "Shell", view), Sz("explorer.exe, evil.exe"));
    EXPECT_FALSE(HasKeptWinlogonValue(*shell));
}

TEST_F(StartupSignIn, PackagedTasksFollowTheirStateAndWhatTheOrganisationSetStays) {
    // Five packages of one manifest each, one task each, in the states
    // Windows keeps (0-4) and one without a state (its manifest decides).
    const std::string publisher = "8wekyb3d8bbwe";
    std::vector<std::string> families;
    for (int state = -1; state <= 4; ++state) {
        const std::string name = "MorvaneTest.Pkg" + std::to_string(state + 1);
        const std::string fullName = name + "_1.0.0.0_x64__" + publisher;
        const std::string folder = PathJoin(Scratch(), name);
        ASSERT_TRUE(ForceFolders(folder));
        ASSERT_TRUE(WriteWholeFile(
            PathJoin(folder, "AppxManifest.xml"),
            "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\" "
            "xmlns:uap5=\"http://schemas.microsoft.com/appx/manifest/uap/windows10/5\">"
            "<Properties><DisplayName>" +
                name +
                "</DisplayName></Properties><Applications>"
                "<Application Id=\"App\" Executable=\"app.exe\"><Extensions><uap5:Extension "
                "Category=\"windows.startupTask\"><uap5:StartupTask TaskId=\"Start\" "
                "Enabled=\"true\" "
                "DisplayName=\"ms-resource:Name\"/></uap5:Extension></Extensions></Application>"
                "</Applications></Package>"));
        const std::string key = std::string(PackageRepositoryKey) + "\\" + fullName;
        seed::SetRaw(RegRoot::CurrentUser, key, "PackageRootFolder", regSz, Sz(folder));
        const std::string family = name + "_" + publisher;
        families.push_back(family);
        if (state >= 0)
            seed::SetRaw(RegRoot::CurrentUser, TaskKey(family), "State", regDword, Dword(state));
    }
    TStartups s;
    Rescan(s);
    std::vector<TStartup*> tasks;
    for (const std::string& family : families) {
        tasks.push_back(FindAt(s, slPackagedTask, RegView::Default, family + "\\Start"));
        ASSERT_NE(tasks.back(), nullptr) << family;
    }
    // No state: the manifest's Enabled; 0 and 1 off, 2 on, 3 off and 4 on
    // by the organisation.
    const bool starts[] = {true, false, false, true, false, true};
    for (size_t i = 0; i < tasks.size(); ++i) {
        EXPECT_EQ(tasks[i]->Enabled, starts[i]) << families[i];
        EXPECT_EQ(tasks[i]->SetByOrganisation, i >= 4) << families[i];
        EXPECT_EQ(tasks[i]->Title, "MorvaneTest.Pkg" + std::to_string(i)) << "the package's name";
    }
    EXPECT_NE(tasks[5]->WindowsNote().find("Set by your organisation"), std::string::npos);

    tasks[0]->SetEnabled(false); // no state yet: 1 is written
    tasks[1]->SetEnabled(true);  // 0 -> 2
    tasks[3]->SetEnabled(false); // 2 -> 1, so the app cannot turn itself on again
    tasks[5]->SetEnabled(false); // the organisation's: refused, left as it is
    const TApplyReport report = s.ApplyChanges();
    ASSERT_EQ(report.Failures.size(), 1u) << report.Message();
    EXPECT_EQ(report.Failures[0].Entry, tasks[5]);
    const uint32_t written[] = {1, 2, 1, 1, 3, 4};
    for (size_t i = 0; i < tasks.size(); ++i)
        EXPECT_EQ(Raw(RegRoot::CurrentUser, TaskKey(families[i]), "State"), Dword(written[i]))
            << families[i];
    // Nothing of them is in the store.
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    EXPECT_EQ(store.Count(), 0);
    for (int state = -1; state <= 4; ++state)
        seed::DeleteKeyTree(RegRoot::CurrentUser,
                            std::string(PackageRepositoryKey) + "\\MorvaneTest.Pkg" +
                                std::to_string(state + 1) + "_1.0.0.0_x64__" + publisher);
    for (const std::string& family : families)
        seed::DeleteKeyTree(RegRoot::CurrentUser,
                            std::string(LocationKey(slPackagedTask) + 1) + "\\" + family);
}

TEST_F(StartupSignIn, AProfileKeepsTheNewKindsWhereAnOlderMorvaneDoesNotReadThem) {
    PutValue(slCURun, "Classic", "C:\\c\\classic.exe");
    seed::SetRaw(RegRoot::LocalMachine, kRunOnceEx + "\\0007", "1", regSz, Sz("C:\\once.exe"),
                 TwoViews() ? RegView::Native : RegView::Default);
    PutValue(slCUPolicyRun, "Policy", "C:\\p\\policy.exe");
    TStartups s;
    Rescan(s);
    ASSERT_EQ(s.Count(), 3);
    const std::string path = PathJoin(Scratch(), "kinds.mvp");
    s.SaveToFile(path);

    // An older Morvane reads ProgramCount numbered sections: the classic entry only.
    const std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("ProgramCount=1"), std::string::npos) << text;
    EXPECT_NE(text.find("MoreCount=2"), std::string::npos) << text;

    TStartups loaded;
    loaded.LoadFromFile(path);
    ASSERT_EQ(loaded.Count(), 3);
    TStartup* once = loaded.FindPlaced(slLMRunOnceEx, RegView::Default, "0007");
    ASSERT_NE(once, nullptr);
    EXPECT_EQ(once->CommandLine, "C:\\once.exe");
    once->SetEnabled(false);
    ASSERT_APPLIED(loaded.ApplyChanges());
    EXPECT_TRUE(seed::KeyExists(RegRoot::LocalMachine, kKeptRunOnceEx + "\\0007",
                                TwoViews() ? RegView::Native : RegView::Default));
}

} // namespace
