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
