// Morvane.exe /watch under Wine: its icon in the notification area, and a
// program that adds itself while it watches, told in a balloon with the
// choice on the icon's menu. The notification area is the seam's.

#include "support/FormTest.h"

#include "ui/WatchMode.h"

#include <chrono>
#include <thread>

namespace {

class TIconSeam : public TFormTestSeam {
public:
    std::vector<DWORD> Messages;
    std::vector<std::wstring> Balloons;
    std::vector<HICON> Icons;

    bool NotifyIcon(DWORD message, NOTIFYICONDATAW& data) override {
        Messages.push_back(message);
        if (data.uFlags & NIF_ICON)
            Icons.push_back(data.hIcon);
        if (data.uFlags & NIF_INFO)
            Balloons.emplace_back(data.szInfo);
        return true;
    }
};

class WatchModeTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        if (!IsSkipped())
            SetUiSeam(&icons);
    }

    // Pumps the window's messages until the seam has a balloon that holds
    // the text, for at most the time a change must be told in.
    bool WaitForBalloon(const std::wstring& text) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < until) {
            Pump();
            for (const std::wstring& b : icons.Balloons)
                if (b.find(text) != std::wstring::npos)
                    return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    TIconSeam icons;
};

TEST_F(WatchModeTest, ShowsItsIconAndTellsAProgramThatAddsItselfWithTheChoiceAtHand) {
    TWatchMode mode;
    ASSERT_TRUE(mode.Create());
    ASSERT_FALSE(icons.Messages.empty());
    EXPECT_EQ(icons.Messages.front(), DWORD(NIM_ADD));
    ASSERT_FALSE(icons.Icons.empty());
    EXPECT_NE(icons.Icons.front(), nullptr);
    // Its first look, at its start, makes the snapshot it compares with.
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Pump();

    PutValue(slCURun, "WatchedTool", "C:\\watched\\tool.exe /tray");
    ASSERT_TRUE(WaitForBalloon(L"\u00abWatchedTool\u00bb now starts with Windows (CU Run)"))
        << icons.Balloons.size() << " balloons";
    ASSERT_NE(mode.Current(), nullptr);

    // "Turn off" on the icon's menu disables it the way Morvane does.
    icons.OnMenu = [](HMENU) { return UINT(TWatchMode::cmdTurnOff); };
    mode.iconMenu();
    Pump();
    EXPECT_FALSE(HasValue(slCURun, "WatchedTool"));
    TStartups store;
    store.LoadFromFile(DisabledStorePath());
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Items(0)->Title, "WatchedTool");
    EXPECT_FALSE(store.Items(0)->Enabled);
}

} // namespace
