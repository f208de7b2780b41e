#include "CoreFixture.h"

#include "core/system/Files.h"

#include <fstream>
#include <iterator>

std::string CoreTest::PathJoinForTest(const std::string& a, const std::string& b) {
    return PathJoin(a, b);
}

void CoreTest::PutValue(unsigned code, const std::string& name, const std::string& text,
                        uint32_t type, RegView view) {
    PutRawValue(code, name, type, text + std::string(1, '\0'), view);
}

void CoreTest::MakeShortcut(unsigned code, const std::string& title, const std::string& target,
                            const std::string& arguments, const std::string& workingDir,
                            const std::string& description) {
    TShortcutLink link;
    link.ShortcutFile = ShortcutPath(code, title);
    link.Target = target;
    link.Arguments = arguments;
    link.WorkingDir = workingDir;
    link.Description = description;
    link.SaveLink();
}

void CoreTest::Rescan(TStartups& startups) {
    TSystemLock lock(SystemLockPath());
    const TRefreshReport report = RefreshStartups(startups, lock);
    EXPECT_TRUE(report.ScanError.empty()) << report.ScanError;
    EXPECT_TRUE(report.StoreError.empty()) << report.StoreError;
}

TStartup* CoreTest::Find(TStartups& startups, const std::string& title) {
    for (int i = 0; i < startups.Count(); ++i)
        if (startups.Items(i)->Title == title)
            return startups.Items(i);
    return nullptr;
}

namespace {

void DeleteTree(RegRoot root, const std::string& path, RegView view = RegView::Default) {
    TRegKey key;
    if (!key.Open(root, path, RegAccess::Full, view))
        return;
    for (const std::string& sub : key.SubkeyNames())
        DeleteTree(root, path + "\\" + sub, view);
    key.Close();
    DeleteRegistryKey(root, path, view);
}

void DeleteValue(RegRoot root, const std::string& path, const std::string& name,
                 RegView view = RegView::Default) {
    TRegKey key;
    if (key.Open(root, path, RegAccess::Full, view))
        key.DeleteValue(name);
}

} // namespace

void CoreTest::ClearSignInPlaces() {
    std::vector<RegView> views{RegView::Default};
    if (HasTwoRegistryViews())
        views = {RegView::Native, RegView::Wow32};
    for (RegView view : views) {
        for (unsigned code : {unsigned(slLMRunOnceEx), unsigned(slLMPolicyRun)})
            DeleteTree(RegRoot::LocalMachine, LocationKey(code) + 1, view);
        DeleteTree(RegRoot::LocalMachine, "Software\\Morvane\\Disabled", view);
        for (const char* id : {"MorvaneTestA", "MorvaneTestB"})
            DeleteTree(RegRoot::LocalMachine,
                       std::string(LocationKey(slActiveSetup) + 1) + "\\" + id, view);
    }
    for (const char* id : {"MorvaneTestA", "MorvaneTestB"})
        DeleteTree(RegRoot::CurrentUser,
                   std::string("Software\\Microsoft\\Active Setup\\Installed Components\\") + id);
    DeleteTree(RegRoot::CurrentUser, LocationKey(slCUPolicyRun) + 1);
    for (RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
        for (const char* name : {"DisableLocalMachineRun", "DisableLocalMachineRunOnce",
                                 "DisableCurrentUserRun", "DisableCurrentUserRunOnce"})
            DeleteValue(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                        name);
        for (const char* name : {"Userinit", "Shell", "Taskman"})
            DeleteValue(root, LocationKey(slLMWinlogon) + 1, name,
                        root == RegRoot::LocalMachine && HasTwoRegistryViews() ? RegView::Native
                                                                               : RegView::Default);
    }
}
