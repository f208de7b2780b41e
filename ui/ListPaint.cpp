#include "ListPaint.h"
#include "core/system/AsciiCase.h"

#include "Pictures.h"
#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "core/system/Icons.h"
#include "core/system/WideText_win.h"

#include <algorithm>
#include <cctype>
#include <cstring>

TRowInfo TFileLookups::Examine(const TStartup& entry) {
    const TProgramFile& file = files_.Locate(entry.FilePath);
    TRowInfo info;
    info.FileMissing = file.Missing;
    auto known = icons_.find(entry.FilePath);
    if (known != icons_.end()) {
        info.ImageIndex = known->second;
        return info;
    }
    if (file.Missing) {
        const std::string name = ExtractFileName(file.Located);
        const size_t dot = name.rfind('.');
        const std::string extension =
            dot == std::string::npos ? std::string() : asciiUpper(name.substr(dot));
        auto icon = missingIcons_.find(extension);
        if (icon == missingIcons_.end())
            icon = missingIcons_.emplace(extension, FileIconIndex(file.Located)).first;
        info.ImageIndex = icon->second;
    } else {
        info.ImageIndex = FileIconIndex(file.Located);
    }
    icons_.emplace(entry.FilePath, info.ImageIndex);
    return info;
}

void TFileLookups::Clear() {
    files_.Clear();
    icons_.clear();
    missingIcons_.clear();
}

namespace {

// The wave: red on white, the bottom row red at columns 0 and 3, the row
// above at columns 1 and 2, the top two rows white.
TBitmap CreateCurveLine(int factor) {
    const int n = 4 * factor;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = n;
    bi.bmiHeader.biHeight = -n;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp)
        return bmp;
    auto* px = static_cast<uint32_t*>(bits);
    const bool red[4][4] = {{false, false, false, false},
                            {false, false, false, false},
                            {false, true, true, false},
                            {true, false, false, true}};
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            px[y * n + x] = red[y / factor][x / factor] ? 0x00ff0000u : 0x00ffffffu;
    GdiFlush();
    return bmp;
}

} // namespace

void TListPainter::Setup(HIMAGELIST pictures, HIMAGELIST systemIcons, HFONT font, const TDpi& dpi) {
    pictures_ = pictures;
    systemIcons_ = systemIcons;
    font_ = font;
    dpi_ = dpi;
    // The wave scales by whole pixels only, so that it stays a wave.
    waveScale_ = std::max(1, (dpi.Value + 48) / 96);
    curveLine_ = CreateCurveLine(waveScale_);
    waves_.clear();
    DropAtlas();
    atlasCell_ = 0;
    textHeight_ = -1;
}

void TListPainter::CellRects(const int* columnWidths, int height, RECT* cells) {
    int x = 0;
    for (int i = 0; i < ListColumnCount; ++i) {
        cells[i] = RECT{x, 0, x + columnWidths[i] - layout::CellShrink, height};
        x += columnWidths[i] + layout::CellGap;
    }
}

void TListPainter::EnsureBuffer(HDC target, int width, int height) {
    if (bufferDc_ && width <= bufferSize_.cx && height <= bufferSize_.cy)
        return;
    if (bufferDc_ && bufferOld_)
        SelectObject(bufferDc_.Get(), bufferOld_);
    bufferDc_.Reset(CreateCompatibleDC(target));
    SIZE want{std::max<LONG>(width, bufferSize_.cx), std::max<LONG>(height, bufferSize_.cy)};
    buffer_.Reset(CreateCompatibleBitmap(target, want.cx, want.cy));
    bufferOld_ = SelectObject(bufferDc_.Get(), buffer_.Get());
    bufferSize_ = want;
}

void TListPainter::DrawCellText(HDC dc, const RECT& cell, const std::string& text) {
    if (text.empty() || cell.right <= cell.left)
        return;
    int old = SetBkMode(dc, TRANSPARENT);
    if (textHeight_ < 0) {
        SIZE wg{};
        GetTextExtentPoint32A(dc, "Wg", 2, &wg);
        textHeight_ = wg.cy;
    }
    int y = cell.top + (cell.bottom - cell.top - textHeight_) / 2;
    const std::wstring wide = DisplayText(text);
    ExtTextOutW(dc, cell.left + 1, y, ETO_CLIPPED, &cell, wide.data(),
                static_cast<UINT>(wide.size()), nullptr);
    SetBkMode(dc, old);
}

const TListPainter::TWaveStrip* TListPainter::WaveOn(HDC dc, COLORREF background, int width,
                                                     int height) {
    TWaveStrip& strip = waves_[background];
    if (strip.Dc && strip.Width >= width)
        return &strip;
    // One strip of the wave per background, red on that colour: what the
    // white-transparent wave leaves on a cell that holds nothing but its
    // background yet. Tiled once and widened when a longer one is asked for.
    const int stripWidth = std::max({width, strip.Width, 1024});
    TMemDc stripDc(CreateCompatibleDC(dc));
    TBitmap stripBitmap(CreateCompatibleBitmap(dc, stripWidth, height));
    TMemDc tileDc(CreateCompatibleDC(dc));
    TBitmap tile(CreateCompatibleBitmap(dc, stripWidth, height));
    if (!stripDc || !stripBitmap || !tileDc || !tile)
        return nullptr;
    SelectObject(stripDc.Get(), stripBitmap.Get());
    SetBkColor(stripDc.Get(), background);
    RECT r{0, 0, stripWidth, height};
    ExtTextOutA(stripDc.Get(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    {
        TSelect sel(tileDc.Get(), tile.Get());
        TileDraw(tileDc.Get(), curveLine_.Get(), r);
        TransparentBlt(stripDc.Get(), 0, 0, stripWidth, height, tileDc.Get(), 0, 0, stripWidth,
                       height, RGB(255, 255, 255));
    }
    // The strip's bitmap stays selected: the DC goes first when the strip goes.
    strip.Dc.Reset();
    strip.Bitmap = std::move(stripBitmap);
    strip.Dc = std::move(stripDc);
    strip.Width = stripWidth;
    return &strip;
}

void TListPainter::DrawUnderline(HDC dc, const RECT& cell, const std::string& text,
                                 COLORREF background) {
    SIZE ext{};
    const std::wstring wide = DisplayText(text);
    GetTextExtentPoint32W(dc, wide.data(), static_cast<int>(wide.size()), &ext);
    int w = std::min<int>(ext.cx, cell.right - cell.left);
    int h = layout::UnderlineHeight * waveScale_;
    if (w <= 0 || !curveLine_)
        return;
    if (const TWaveStrip* strip = WaveOn(dc, background, w, h))
        BitBlt(dc, cell.left, cell.bottom - layout::UnderlineFromBottom * waveScale_, w, h,
               strip->Dc.Get(), 0, 0, SRCCOPY);
}

void TListPainter::DropAtlas() {
    if (atlasDc_ && atlasOld_)
        SelectObject(atlasDc_.Get(), atlasOld_);
    atlasDc_.Reset();
    atlas_.Reset();
    atlasOld_ = nullptr;
    atlasSlots_ = 0;
    pictureCache_.clear();
}

bool TListPainter::GrowAtlas(HDC dc) {
    // Sixteen pictures a row; the atlas doubles its rows when full, copying
    // what it holds.
    const int columns = 16;
    const int rows = std::max(4, atlasSlots_ / columns * 2);
    TBitmap bigger(CreateCompatibleBitmap(dc, columns * atlasCell_, rows * atlasCell_));
    TMemDc biggerDc(CreateCompatibleDC(dc));
    if (!bigger || !biggerDc)
        return false;
    HGDIOBJ old = SelectObject(biggerDc.Get(), bigger.Get());
    if (atlasDc_) {
        BitBlt(biggerDc.Get(), 0, 0, columns * atlasCell_, atlasSlots_ / columns * atlasCell_,
               atlasDc_.Get(), 0, 0, SRCCOPY);
        SelectObject(atlasDc_.Get(), atlasOld_);
    }
    atlasDc_ = std::move(biggerDc);
    atlas_ = std::move(bigger);
    atlasOld_ = old;
    atlasSlots_ = columns * rows;
    return true;
}

void TListPainter::DrawPicture(HDC dc, HIMAGELIST list, int index, int x, int y,
                               COLORREF background) {
    // Blending a picture with its alpha channel costs far more than copying
    // it, and a list shows the same few pictures on two backgrounds: each is
    // blended once onto its background and copied from then on.
    const uint64_t key = (static_cast<uint64_t>(list == pictures_ ? 0 : 1) << 56) |
                         (static_cast<uint64_t>(background & 0xffffff) << 24) |
                         static_cast<uint64_t>(index & 0xffffff);
    auto it = pictureCache_.find(key);
    if (it == pictureCache_.end()) {
        int cx = 0, cy = 0;
        if (!ImageList_GetIconSize(list, &cx, &cy) || cx <= 0 || cy <= 0)
            return;
        if (atlasCell_ < std::max(cx, cy)) {
            // A bigger picture than the atlas was made for (a list set up
            // anew): it starts again with cells that fit.
            DropAtlas();
            atlasCell_ = std::max({cx, cy, 16});
        }
        const int slot = static_cast<int>(pictureCache_.size());
        if (slot >= atlasSlots_ && !GrowAtlas(dc))
            return;
        const POINT at{slot % 16 * atlasCell_, slot / 16 * atlasCell_};
        SetBkColor(atlasDc_.Get(), background);
        RECT r{at.x, at.y, at.x + cx, at.y + cy};
        ExtTextOutA(atlasDc_.Get(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
        ImageList_Draw(list, index, atlasDc_.Get(), at.x, at.y, ILD_TRANSPARENT);
        it = pictureCache_.emplace(key, TCachedPicture{at, SIZE{cx, cy}}).first;
    }
    BitBlt(dc, x, y, it->second.Size.cx, it->second.Size.cy, atlasDc_.Get(), it->second.At.x,
           it->second.At.y, SRCCOPY);
}

void TListPainter::PaintRow(HDC target, const RECT& row, const TRowPaint& data,
                            const int* columnWidths) {
    if (!data.Entry)
        return;
    const int width = row.right - row.left;
    const int height = row.bottom - row.top;
    if (width <= 0 || height <= 0)
        return;
    EnsureBuffer(target, width, height);
    HDC dc = bufferDc_.Get();
    TSelect selFont(dc, font_);

    RECT cells[ListColumnCount];
    CellRects(columnWidths, height, cells);

    COLORREF brush = GetSysColor(data.Highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    COLORREF text = GetSysColor(data.Highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    RECT all{0, 0, width, height};
    SetBkColor(dc, brush);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    SetTextColor(dc, text);

    const int pic = PictureSize(dpi_);
    DrawPicture(dc, pictures_, data.Checked ? piCheckTicked : piCheckEmpty,
                dpi_.Scale(layout::CheckBoxX), 0, brush);
    if (systemIcons_ && data.Info.ImageIndex >= 0)
        DrawPicture(dc, systemIcons_, data.Info.ImageIndex, dpi_.Scale(layout::IconX), 0, brush);

    RECT caption = cells[lcName];
    caption.left = dpi_.Scale(layout::CaptionX);
    if (caption.right > caption.left) {
        SetBkMode(dc, OPAQUE);
        const std::wstring title = DisplayText(data.Texts[lcName]);
        DrawTextW(dc, title.data(), static_cast<int>(title.size()), &caption,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }

    // Filename: the underline goes under a program file that is nowhere to be
    // found; a failure to draw it must not keep the text from being drawn.
    if (data.Info.FileMissing)
        DrawUnderline(dc, cells[lcFilename], data.Texts[lcFilename], brush);
    DrawCellText(dc, cells[lcFilename], data.Texts[lcFilename]);

    // Publisher: a program that pretends to be a well-known one, or whose
    // signature is broken, carries the warning picture before it.
    RECT publisher = cells[lcPublisher];
    const TProgramVerdict& verdict = data.Entry->Verdict;
    if (verdict.LookAlike || verdict.Signature.State == TSignatureState::Tampered) {
        DrawPicture(dc, pictures_, piAlert, publisher.left, publisher.top, brush);
        publisher.left += pic;
    }
    DrawCellText(dc, publisher, data.Texts[lcPublisher]);

    RECT location = cells[lcLocation];
    // An entry Windows will not start, or a Winlogon value that is not
    // Windows' own, shows why it needs a look in place of its location's picture.
    const TStartup& entry = *data.Entry;
    unsigned code = entry.Location;
    const int mark = entry.BlockedAtSignIn || !entry.SkippedBy.empty() ? piNoEntry
                     : !entry.Warning.empty()                          ? piAlert
                     : code < LocationCodeCount                        ? LocationImages[code]
                                                                       : -1;
    if (mark >= 0)
        DrawPicture(dc, pictures_, mark, location.left, location.top, brush);
    location.left += pic;
    DrawCellText(dc, location, data.Texts[lcLocation]);

    // Ratings 0 to 4 have pictures. Any other number (the rating server may
    // send one) is shown as its digits, so the user sees what came back.
    int rating = data.Entry->Rating;
    if (rating >= 0 && rating < RatingPictureCount)
        DrawPicture(dc, pictures_, piRating0 + rating, cells[lcRating].left, cells[lcRating].top,
                    brush);
    else
        DrawCellText(dc, cells[lcRating], std::to_string(rating));

    DrawCellText(dc, cells[lcComment], data.Texts[lcComment]);

    BitBlt(target, row.left, row.top, width, height, dc, 0, 0, SRCCOPY);
}
