// The about window TForm2: its hot areas, its link and the addresses opened.

#include "support/FormTest.h"

#include "ui/WebLinks.h"
#include "ui/splash.h"

#include <cstdlib>

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
    EXPECT_EQ(TForm2::Label1Text(), std::string("Visit: ") + MorvaneSiteUrl);
    EXPECT_STREQ(TForm2::Label2Text, "V2.07");
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

TEST_F(splashTest, HotAreasSitWhereTheArtworkDrawsThem) {
    Open();
    TForm2 about(form->Handle(), form->Dpi());
    const TDpi& dpi = form->Dpi();
    RECT a = about.Shape1Rect();
    RECT b = about.Shape2Rect();
    EXPECT_EQ(a.left, dpi.Scale(10));
    EXPECT_EQ(a.top, dpi.Scale(278));
    EXPECT_EQ(a.right - a.left, dpi.Scale(105));
    EXPECT_EQ(b.left, dpi.Scale(120));
    EXPECT_EQ(b.top, dpi.Scale(280));
    EXPECT_EQ(b.right - b.left, dpi.Scale(67));
    RECT l = about.Label1Rect();
    EXPECT_EQ(l.left, dpi.Scale(196));
    EXPECT_EQ(l.top, dpi.Scale(312));
    EXPECT_GT(l.right, l.left);
    RECT none{};
    EXPECT_FALSE(IntersectRect(&none, &a, &b)) << "the two areas do not overlap";
}

} // namespace
