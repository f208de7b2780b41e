// The show-once message dialog, answered through the window code's seam.

#include "ui/Layout.h"
#include "ui/Pictures.h"
#include "ui/ShowOnceDlg.h"
#include "ui/UiSeam.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

class TDialogSeam : public TUiSeam {
public:
    int Shown = 0;
    std::function<void(HWND)> OnDialog;
    int ShowModal(HWND dialog, const int& modalResult) override {
        ++Shown;
        if (OnDialog)
            OnDialog(dialog);
        return modalResult != 0 ? modalResult : IDCANCEL;
    }
};

void Tick(HWND dialog) {
    SendMessageA(GetDlgItem(dialog, TShowOnceDlg::ShowOnceId), BM_CLICK, 0, 0);
}
void PressOk(HWND dialog) {
    SendMessageA(GetDlgItem(dialog, TShowOnceDlg::OkButtonId), BM_CLICK, 0, 0);
}

RECT ChildRect(HWND dialog, int id) {
    RECT r{};
    HWND ctl = GetDlgItem(dialog, id);
    GetWindowRect(ctl, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class ShowOnceDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        key = "Software\\Morvane\\Test\\ShowOnce-" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        SetUiSeam(&seam);
        dlg.Message = "Something you should know.";
        dlg.Title = "Warning";
        dlg.ShowOnceMessage = "Do not show this message again";
        dlg.RegPath = key;
        dlg.RegKeyname = "TestMessage";
    }
    void TearDown() override {
        SetUiSeam(nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Morvane\\Test");
    }

    bool Stored(DWORD& value) const {
        DWORD size = sizeof value;
        return RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "TestMessage", RRF_RT_REG_DWORD,
                            nullptr, &value, &size) == ERROR_SUCCESS;
    }

    std::string key;
    TDialogSeam seam;
    TShowOnceDlg dlg;
};

TEST_F(ShowOnceDlgTest, TickedAndOkIsStoredAndSuppressesTheNextShow) {
    seam.OnDialog = [](HWND d) {
        Tick(d);
        PressOk(d);
    };
    EXPECT_FALSE(dlg.IsSuppressed());
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(seam.Shown, 1);
    DWORD value = 9;
    ASSERT_TRUE(Stored(value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(dlg.IsSuppressed());
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(seam.Shown, 1) << "not shown again";
}

TEST_F(ShowOnceDlgTest, UntickedAnswerStoresZero) {
    seam.OnDialog = PressOk;
    EXPECT_FALSE(dlg.Execute());
    DWORD value = 9;
    ASSERT_TRUE(Stored(value));
    EXPECT_EQ(value, 0u);
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(seam.Shown, 2);
}

TEST_F(ShowOnceDlgTest, ClosingWithTheCloseButtonStillStoresTheBox) {
    seam.OnDialog = [](HWND d) {
        Tick(d);
        SendMessageA(d, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(d)) << "the box is read before the dialog goes";
    };
    EXPECT_TRUE(dlg.Execute());
    DWORD value = 0;
    ASSERT_TRUE(Stored(value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(dlg.DialogHandle(), nullptr);
}

TEST_F(ShowOnceDlgTest, WithoutRegistryPathItAlwaysShowsAndStoresNothing) {
    dlg.RegPath.clear();
    seam.OnDialog = [](HWND d) {
        Tick(d);
        PressOk(d);
    };
    EXPECT_TRUE(dlg.Execute());
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(seam.Shown, 2);
    EXPECT_FALSE(dlg.IsSuppressed());
    HKEY k = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
}

TEST_F(ShowOnceDlgTest, AValueOfAnotherTypeCountsAsNotSuppressed) {
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "TestMessage", REG_SZ, "1", 2);
    EXPECT_FALSE(dlg.IsSuppressed());
    seam.OnDialog = [](HWND d) {
        Tick(d);
        PressOk(d);
    };
    EXPECT_TRUE(dlg.Execute());
    EXPECT_TRUE(dlg.IsSuppressed()) << "the answer replaced the value";
}

TEST_F(ShowOnceDlgTest, DialogShowsTitleBoxAndDefaultOkButton) {
    TIcon icon = LoadWarningIcon(ScreenDpi().Scale(32));
    dlg.SetGraphic(icon.Get());
    EXPECT_EQ(dlg.GraphicSize().cx, ScreenDpi().Scale(32));
    bool looked = false;
    int expectedHeight = dlg.CalcClientHeight();
    seam.OnDialog = [&](HWND d) {
        looked = true;
        char text[128] = {};
        GetWindowTextA(d, text, sizeof text);
        EXPECT_STREQ(text, "Warning");
        GetWindowTextA(GetDlgItem(d, TShowOnceDlg::ShowOnceId), text, sizeof text);
        EXPECT_STREQ(text, "Do not show this message again");
        EXPECT_EQ(IsDlgButtonChecked(d, TShowOnceDlg::ShowOnceId), BST_UNCHECKED);
        HWND ok = GetDlgItem(d, TShowOnceDlg::OkButtonId);
        GetWindowTextA(ok, text, sizeof text);
        EXPECT_STREQ(text, "OK");
        EXPECT_TRUE(GetWindowLongA(ok, GWL_STYLE) & BS_DEFPUSHBUTTON);
        RECT outer, client;
        GetWindowRect(d, &outer);
        GetClientRect(d, &client);
        EXPECT_EQ(outer.right - outer.left, ScreenDpi().Scale(400));
        EXPECT_EQ(client.bottom, expectedHeight);
        // Centred on the screen.
        int cx = (outer.left + outer.right) / 2;
        EXPECT_LE(std::abs(cx - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
        // The controls stand on one line under the text, apart.
        RECT box = ChildRect(d, TShowOnceDlg::ShowOnceId);
        RECT button = ChildRect(d, TShowOnceDlg::OkButtonId);
        EXPECT_EQ(box.top, button.top);
        EXPECT_EQ(box.left, ScreenDpi().Scale(10));
        EXPECT_EQ(button.left, ScreenDpi().Scale(300));
        EXPECT_LE(box.right, button.left);
        EXPECT_LE(button.bottom, client.bottom);
        // Enter presses OK.
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    };
    EXPECT_FALSE(dlg.Execute());
    EXPECT_TRUE(looked);
}

TEST_F(ShowOnceDlgTest, LongMessagesWrapAndTheControlsFollowTheText) {
    TIcon icon = LoadWarningIcon(ScreenDpi().Scale(32));
    dlg.SetGraphic(icon.Get());
    const int shortHeight = dlg.CalcClientHeight();
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "This sentence goes on and on. ";
    dlg.Message = longText;
    const int longHeight = dlg.CalcClientHeight();
    EXPECT_GT(longHeight, shortHeight + 50);
    int buttonTop = 0;
    seam.OnDialog = [&](HWND d) {
        UpdateWindow(d); // the paint handler places the controls
        buttonTop = ChildRect(d, TShowOnceDlg::OkButtonId).top;
        PressOk(d);
    };
    dlg.Execute();
    EXPECT_EQ(buttonTop, longHeight - ScreenDpi().Scale(60) + ScreenDpi().Scale(20));
}

TEST_F(ShowOnceDlgTest, HeightIsMeasuredWithThePictureGapEvenWithoutAPicture) {
    // Measured from x 30 while drawn from x 10: never too small.
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "word" + std::to_string(i) + " ";
    dlg.Message = text;
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTA lf = dlg.Font();
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    const TDpi dpi = ScreenDpi();
    RECT at30{dpi.Scale(30), dpi.Scale(10), dpi.Scale(390), dpi.Scale(300)};
    DrawTextA(dc, text.c_str(), -1, &at30, DT_CALCRECT | DT_WORDBREAK);
    RECT at10{dpi.Scale(10), dpi.Scale(10), dpi.Scale(390), dpi.Scale(300)};
    DrawTextA(dc, text.c_str(), -1, &at10, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    EXPECT_EQ(dlg.CalcClientHeight(), at30.bottom + dpi.Scale(60));
    EXPECT_GE(dlg.CalcClientHeight(), at10.bottom + dpi.Scale(60));
}

TEST_F(ShowOnceDlgTest, AssigningGraphicAndFontCopiesThem) {
    TIcon icon = LoadWarningIcon(16);
    dlg.SetGraphic(icon.Get());
    EXPECT_NE(dlg.Graphic(), icon.Get()) << "a copy";
    EXPECT_EQ(dlg.GraphicSize().cx, 16);
    HICON own = dlg.Graphic();
    dlg.SetGraphic(own); // itself: nothing happens
    EXPECT_EQ(dlg.Graphic(), own);
    LOGFONTA lf{};
    lf.lfHeight = -20;
    lstrcpynA(lf.lfFaceName, "Tahoma", LF_FACESIZE);
    dlg.SetFont(lf);
    EXPECT_EQ(dlg.Font().lfHeight, -20);
    EXPECT_STREQ(dlg.Font().lfFaceName, "Tahoma");
    dlg.SetFont(dlg.Font());
    EXPECT_EQ(dlg.Font().lfHeight, -20);
}

} // namespace
