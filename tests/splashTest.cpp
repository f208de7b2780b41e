// The about window TForm2: its hot areas, its link and the addresses opened.

#include "support/FormTest.h"

#include "ui/WebLinks.h"
#include "ui/splash.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

class splashTest : public FormTest {
protected:
    // Shows the about window and presses at the centre of a rectangle.
    int PressIn(const std::function<RECT(const TForm2&)>& where) {
        TForm2 about(form->Handle(), form->Dpi());
        seam.OnDialog = [&](HWND dialog) {
            RECT r = where(about);
            SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON,
                         MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        };
        int result = about.ShowModal();
        seam.OnDialog = nullptr;
        return result;
    }
};

TEST_F(splashTest, AboutWindowShowsOnceModalWithItsCaptionAndSize) {
    Open();
    SIZE client{};
    bool centred = false;
    seam.OnDialog = [&](HWND dialog) {
        RECT r;
        GetClientRect(dialog, &r);
        client = SIZE{r.right, r.bottom};
        RECT w;
        GetWindowRect(dialog, &w);
        int cx = (w.left + w.right) / 2;
        centred = std::abs(cx - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1;
    };
    form->btnAboutClick();
    EXPECT_EQ(seam.Dialogs, 1);
    ASSERT_EQ(seam.DialogTitles.size(), 1u);
    EXPECT_EQ(seam.DialogTitles[0], "frmSplash");
    EXPECT_EQ(client.cx, form->Dpi().Scale(425));
    EXPECT_EQ(client.cy, form->Dpi().Scale(332));
    EXPECT_TRUE(centred);
    EXPECT_EQ(FindWindowA("TForm2", nullptr), nullptr) << "freed after it closes";
}

// The version the window shows is the one the program file carries in its
// version resource, in the window's own form: 2.0.7 reads "V2.07".
TEST_F(splashTest, VersionTextIsTheProgramFilesVersion) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program(self);
    program = program.substr(0, program.find_last_of("\\/") + 1) + "Morvane.exe";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    if (size == 0)
        GTEST_SKIP() << "Morvane.exe is not built beside the tests";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const std::string expected = "V" + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                 std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                                 std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(TForm2::Label2Text, expected);
}

TEST_F(splashTest, LeftHotAreaOnlyCloses) {
    Open();
    int result = PressIn([](const TForm2& f) { return f.Shape1Rect(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(seam.Opened.empty());
}

TEST_F(splashTest, DonationAreaOpensTheDonationPageAndCloses) {
    Open();
    int result = PressIn([](const TForm2& f) { return f.Shape2Rect(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seam.Opened, std::vector<std::string>{std::string(MorvaneSiteUrl) + DonationPath});
}

TEST_F(splashTest, LinkLabelOpensTheSiteAndLeavesTheWindowOpen) {
    Open();
    int result = PressIn([](const TForm2& f) { return f.Label1Rect(); });
    EXPECT_EQ(result, IDCANCEL) << "nothing closed it";
    EXPECT_EQ(seam.Opened, std::vector<std::string>{MorvaneSiteUrl});
}

TEST_F(splashTest, PressesElsewhereDoNothing) {
    Open();
    int result = PressIn([](const TForm2& f) {
        RECT v = f.Label2Rect();
        return v; // the version text is no hot area
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(seam.Opened.empty());
}

// A hot area that drifted off the picture of its button would leave part of
// the button dead: each button's face, as painted, lies inside its area, and
// so does the link's text.
TEST_F(splashTest, HotAreasCoverTheButtonsAndTheLinkAsPainted) {
    Open();
    TForm2 about(form->Handle(), form->Dpi());
    RECT painted{};
    std::vector<COLORREF> pixels;
    int width = 0;
    seam.OnDialog = [&](HWND dialog) {
        RECT client;
        GetClientRect(dialog, &client);
        width = client.right;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = client.right;
        bi.bmiHeader.biHeight = -client.bottom;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bmp);
        SendMessageA(dialog, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* p = static_cast<const DWORD*>(bits);
        for (int i = 0; i < client.right * client.bottom; ++i)
            pixels.push_back(RGB((p[i] >> 16) & 0xff, (p[i] >> 8) & 0xff, p[i] & 0xff));
        painted = client;
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    };
    about.ShowModal();
    seam.OnDialog = nullptr;
    ASSERT_FALSE(pixels.empty());

    // The bounding box of the pixels of one colour.
    auto boxOf = [&](COLORREF colour) {
        RECT box{painted.right, painted.bottom, -1, -1};
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (pixels[i] != colour)
                continue;
            const int x = static_cast<int>(i) % width;
            const int y = static_cast<int>(i) / width;
            box.left = std::min<int>(box.left, x);
            box.top = std::min<int>(box.top, y);
            box.right = std::max<int>(box.right, x + 1);
            box.bottom = std::max<int>(box.bottom, y + 1);
        }
        return box;
    };
    auto inside = [](const RECT& inner, const RECT& outer) {
        return inner.right > inner.left && inner.left >= outer.left && inner.top >= outer.top &&
               inner.right <= outer.right && inner.bottom <= outer.bottom;
    };
    const RECT closeFace = boxOf(RGB(0xee, 0xf2, 0xf7));
    const RECT donateFace = boxOf(RGB(0xf5, 0xb7, 0x2b));
    const RECT link = boxOf(RGB(0, 0, 0xff));
    EXPECT_TRUE(inside(closeFace, about.Shape1Rect()));
    EXPECT_TRUE(inside(donateFace, about.Shape2Rect()));
    EXPECT_TRUE(inside(link, about.Label1Rect()));
    RECT none{};
    const RECT a = about.Shape1Rect(), b = about.Shape2Rect();
    EXPECT_FALSE(IntersectRect(&none, &a, &b)) << "the two areas do not overlap";
}

} // namespace
