// The pictures: tiled drawing, and the legend and menu pictures.
// Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class PicturesTest : public FormTest {};

TEST_F(PicturesTest, TileDrawCoversTheRectangleWithCutCopies) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 10, 6);
    HGDIOBJ old = SelectObject(dc, canvas);
    RECT all{0, 0, 10, 6};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    TileDraw(dc, nullptr, all); // an empty picture draws nothing
    EXPECT_EQ(GetPixel(dc, 3, 3) & 0xffffff, 0u);

    TListPainter painter;
    painter.Setup(nullptr, nullptr, nullptr, TDpi{});
    RECT part{1, 1, 9, 5};
    TileDraw(dc, painter.CurveLine(), part);
    // The wave: bottom row red at columns 0 and 3, the row above at 1 and 2.
    EXPECT_EQ(GetPixel(dc, 1, 4) & 0xffffff, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 4, 4) & 0xffffff, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 3) & 0xffffff, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 2, 4) & 0xffffff, RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 5, 4) & 0xffffff, RGB(255, 0, 0)) << "second copy starts at x 5";
    EXPECT_EQ(GetPixel(dc, 9, 4) & 0xffffff, 0u) << "nothing outside the rectangle";
    EXPECT_EQ(GetPixel(dc, 0, 4) & 0xffffff, 0u);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(PicturesTest, LegendAndMenuCarryTheirPictures) {
    Open();
    ASSERT_EQ(ListView_GetItemCount(form->LegendHandle()), 5);
    const char* texts[] = {"Unknown", "Not Recommended", "Not Required", "User's Choice",
                           "System Required"};
    for (int i = 0; i < 5; ++i) {
        char buf[64] = {};
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        SendMessageA(form->LegendHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(buf, texts[i]);
        EXPECT_EQ(item.iImage, 24 + i);
    }
    EXPECT_EQ(ImageList_GetImageCount(form->PictureList()), 29);
    HMENU menu = form->ListMenu();
    ASSERT_EQ(GetMenuItemCount(menu), 7);
    const UINT ids[] = {TfrmMorvane::Check1,          TfrmMorvane::Remove1,      0,
                        TfrmMorvane::RestoreDefault1, TfrmMorvane::UndoDefault1, 0,
                        TfrmMorvane::Refresh1};
    const int pics[] = {12, 15, -1, 16, 18, -1, 18};
    for (int i = 0; i < 7; ++i) {
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mi);
        if (!ids[i]) {
            EXPECT_TRUE(mi.fType & MFT_SEPARATOR);
            continue;
        }
        EXPECT_EQ(mi.wID, ids[i]);
        EXPECT_EQ(static_cast<int>(mi.dwItemData), pics[i]);
    }
    // The tree's nodes and their pictures.
    const int nodePics[TfrmMorvane::NodeCount] = {17, 1, 2, 7, 8, 4, 5,  3, 6, 2,
                                                  7,  8, 3, 7, 8, 1, 17, 7, 1, 17};
    for (int i = 0; i < TfrmMorvane::NodeCount; ++i) {
        char buf[64] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.hItem = form->Node(i);
        item.pszText = buf;
        item.cchTextMax = sizeof buf;
        SendMessageA(form->TreeHandle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(buf, LocationTree[i].Caption);
        EXPECT_EQ(item.iImage, nodePics[i]);
        EXPECT_EQ(item.iSelectedImage, nodePics[i]);
    }
}

} // namespace
