// The entry list's painting: one row drawn into a bitmap, and the file lookups that painting may
// and may not do. Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "core/system/Files.h"
#include "ui/ListPaint.h"
#include "ui/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class ListPaintTest : public FormTest {};

TEST_F(ListPaintTest, ALargeFillLooksUpOnlyTheFilesOfRowsShown) {
    Open();
    TStartups& all = *form->Startups();
    for (int i = 0; i < 3000; ++i)
        all.Add("Entry " + std::to_string(i), "", "c:\\many\\file" + std::to_string(i) + ".exe",
                slCURun, 0);
    form->FillList();
    EXPECT_EQ(Rows(), 3000);
    EXPECT_EQ(form->EntryList().RowCount(), 3000);
    UpdateWindow(List());
    Pump();
    const int shown = ListView_GetCountPerPage(List()) + 2;
    EXPECT_LE(form->EntryList().FileLookups(), shown) << "no file search for rows never shown";
    EXPECT_EQ(Text(2999, 0), "Entry 2999");
    EXPECT_EQ(Text(2999, lcFilename), "c:\\many\\file2999.exe");
    EXPECT_TRUE(Checked(2999));
}

// Paints one row into a bitmap through the list's drawing handler.
class RowPicture {
public:
    RowPicture(TfrmMorvane& form, int row) {
        RECT r{};
        ListView_GetItemRect(form.ListHandle(), row, &r, LVIR_BOUNDS);
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr,
                                0);
        old_ = SelectObject(dc_, bmp_);
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTVIEW;
        di.itemID = static_cast<UINT>(row);
        di.itemAction = ODA_DRAWENTIRE;
        di.hwndItem = form.ListHandle();
        di.hDC = dc_;
        di.rcItem = RECT{0, 0, width_, height_};
        form.EntryList().lvStartupListDrawItem(di);
        GdiFlush();
    }
    ~RowPicture() {
        SelectObject(dc_, old_);
        DeleteObject(bmp_);
        DeleteDC(dc_);
    }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const {
        uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
    }
    static bool Red(COLORREF c) {
        return GetRValue(c) > 150 && GetGValue(c) < 90 && GetBValue(c) < 90;
    }
    static bool White(COLORREF c) {
        return GetRValue(c) > 230 && GetGValue(c) > 230 && GetBValue(c) > 230;
    }
    static bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 300; }
    int RedPixels(int x0, int x1, int y0, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += Red(At(x, y)) ? 1 : 0;
        return n;
    }

private:
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bmp_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

TEST_F(ListPaintTest, PaintedRowShowsCheckBoxUnderlineAndRatingPicture) {
    PutValue(slCURun, "Found", std::string(ExistingProgram) + " /found");
    PutValue(slCURun, "Lost", std::string("\"") + MissingProgram + "\" /lost");
    Open();
    ASSERT_EQ(GetSysColor(COLOR_WINDOW) & 0xffffff, RGB(255, 255, 255))
        << "the pixel checks expect a white list";
    int found = RowOf("Found");
    int lost = RowOf("Lost");
    form->EntryList().RowEntry(found)->SetRating(2);
    form->EntryList().RowEntry(lost)->SetRating(4);
    RECT r = RowRect(lost);
    Click(5, (r.top + r.bottom) / 2); // untick "Lost"

    const int nameW = ListView_GetColumnWidth(List(), lcName);
    const int publisherW = ListView_GetColumnWidth(List(), lcPublisher);
    const int fileW = ListView_GetColumnWidth(List(), lcFilename);
    const int locW = ListView_GetColumnWidth(List(), lcLocation);
    const int publisherLeft = nameW + 2;
    const int fileLeft = publisherLeft + publisherW + 2;
    const int ratingLeft = fileLeft + fileW + 2 + locW + 2;

    RowPicture ticked(*form, found);
    RowPicture unticked(*form, lost);
    const int h = ticked.Height();

    // Check box: a dark frame; inside, a green tick or nothing.
    EXPECT_TRUE(RowPicture::Dark(ticked.At(1, 7)));
    EXPECT_TRUE(RowPicture::Dark(unticked.At(1, 7)));
    EXPECT_TRUE(RowPicture::White(unticked.At(6, 9)));
    COLORREF tick = ticked.At(6, 9);
    EXPECT_GT(GetGValue(tick), GetRValue(tick) + 40) << "green tick";
    EXPECT_TRUE(RowPicture::White(ticked.At(11, 11)));

    // Underline: 4 red rows under the text of a missing program only.
    EXPECT_GT(unticked.RedPixels(fileLeft, fileLeft + fileW - 4, h - 5, h - 1), 10);
    EXPECT_EQ(unticked.RedPixels(fileLeft, fileLeft + fileW - 4, 0, h - 5), 0);
    EXPECT_EQ(ticked.RedPixels(fileLeft, fileLeft + fileW - 4, 0, h), 0);
    // No wider than the text.
    SIZE text{};
    {
        HDC dc = GetDC(List());
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(List(), WM_GETFONT, 0, 0)));
        std::string shown = Text(lost, lcFilename);
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &text);
        SelectObject(dc, old);
        ReleaseDC(List(), dc);
    }
    const int waveEnd = std::min<int>(fileLeft + text.cx, fileLeft + fileW - 4);
    EXPECT_EQ(unticked.RedPixels(waveEnd, fileLeft + fileW - 4, h - 5, h - 1), 0);

    // Rating pictures: red squares; the picture, not the digits.
    EXPECT_TRUE(RowPicture::Red(ticked.At(ratingLeft + 2, 3)));
    EXPECT_TRUE(RowPicture::Red(unticked.At(ratingLeft + 2, 3)));
    EXPECT_GT(ticked.RedPixels(ratingLeft, ratingLeft + 16, 0, 16), 120);

    // A look-alike carries the red warning sign in its Publisher cell.
    EXPECT_EQ(ticked.RedPixels(publisherLeft, publisherLeft + 16, 0, h), 0);
    form->EntryList().RowEntry(found)->Verdict.LookAlike = true;
    RowPicture warned(*form, found);
    EXPECT_GT(warned.RedPixels(publisherLeft, publisherLeft + 16, 0, h), 20);
}

TEST_F(ListPaintTest, RatingsWithoutPicturesPaintTheirNumber) {
    PutValue(slCURun, "Odd", std::string(ExistingProgram) + " /odd");
    Open();
    form->EntryList().RowEntry(0)->SetRating(-7);
    RowPicture low(*form, 0);
    form->EntryList().RowEntry(0)->SetRating(1234567);
    RowPicture high(*form, 0);
    int ratingLeft = 0;
    for (int column = lcName; column < lcRating; ++column)
        ratingLeft += ListView_GetColumnWidth(List(), column) + 2;
    EXPECT_EQ(high.RedPixels(ratingLeft, ratingLeft + 16, 0, high.Height()), 0);
    int dark = 0;
    for (int y = 0; y < high.Height(); ++y)
        for (int x = ratingLeft; x < ratingLeft + 40; ++x)
            dark += RowPicture::Dark(high.At(x, y)) ? 1 : 0;
    EXPECT_GT(dark, 5) << "the digits are drawn";
}

TEST_F(ListPaintTest, PaintingDoesNotSearchTheDiskAgain) {
    PutValue(slCURun, "Lost", std::string("\"") + MissingProgram + "\" /lost");
    Open();
    TRowInfo before = form->EntryList().InfoFor(*form->EntryList().RowEntry(0));
    EXPECT_TRUE(before.FileMissing);
    // The file appears; the row keeps what was found when it was added,
    // until the next refresh looks again.
    WriteFileBytes(MissingProgram, "now here");
    EXPECT_TRUE(form->EntryList().InfoFor(*form->EntryList().RowEntry(0)).FileMissing);
    form->btnRefreshClick();
    EXPECT_FALSE(form->EntryList().InfoFor(*form->EntryList().RowEntry(0)).FileMissing);
}

TEST_F(ListPaintTest, ProgramNamedWithAVariableIsNotDrawnMissing) {
    PutValue(slCURun, "Notepad", "%windir%\\system32\\notepad.exe", regExpandSz);
    Open();
    const int row = RowOf("Notepad");
    ASSERT_GE(row, 0);
    const TRowInfo info = form->EntryList().InfoFor(*form->EntryList().RowEntry(row));
    EXPECT_FALSE(info.FileMissing);
    EXPECT_GE(info.ImageIndex, 0);
    EXPECT_EQ(Text(row, lcFilename), "%windir%\\system32\\notepad.exe");
}

} // namespace

namespace {

class ListTextTest : public FormTest {};

// Titles are UTF-8 inside: the list's wide text carries every character,
// its narrow text what the code page can show, and nothing is cut.
TEST_F(ListTextTest, RowsGiveTheirTextInWideAndNarrowCharacters) {
    Open();
    form->Startups()->Add("\xE4\xB8\xAD\xE6\x96\x87 Caf\xC3\xA9", "", "c:\\tools\\app.exe", slCURun,
                          0);
    form->FillList();
    ASSERT_EQ(Rows(), 1);

    wchar_t wide[64] = {};
    LVITEMW w{};
    w.iSubItem = 0;
    w.pszText = wide;
    w.cchTextMax = 64;
    SendMessageW(List(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&w));
    EXPECT_EQ(std::wstring(wide), L"\u4E2D\u6587 Caf\u00E9");

    const std::string narrow = Text(0, 0);
    if (GetACP() == 1252)
        EXPECT_EQ(narrow, "?? Caf\xE9");
    else
        EXPECT_NE(narrow.find(" Caf"), std::string::npos) << narrow;
}

} // namespace
