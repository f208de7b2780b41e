#pragma once
// Painting of one row of the entry list: check box picture, program icon,
// texts, the red wavy underline under a program file that cannot be found,
// location and rating pictures. A row is painted into an off-screen bitmap
// and copied to the list in one operation, so rows do not flicker.

#include "Layout.h"
#include "ListColumns.h"
#include "ScopedWin.h"
#include "core/ProgramSearch.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class TStartup;

// What a row needs that costs a file-system search: worked out once, when
// the row is added, and kept while the row lives.
struct TRowInfo {
    int ImageIndex = -1;
    bool FileMissing = false;
};

// The program file of each entry as the program search finds it
// (TProgramLookups, core/ProgramSearch.h) and its small icon, once per
// program file until Clear. A file that is nowhere to be found has the icon
// of its kind, which the shell works out from the extension alone: it is
// asked once per extension, not once per file.
class TFileLookups {
public:
    TRowInfo Examine(const TStartup& entry);
    void Clear();
    // How many program files were looked up since Clear.
    int Count() const { return files_.Count(); }

private:
    TProgramLookups files_;
    std::unordered_map<std::string, int> icons_;        // by program file as written
    std::unordered_map<std::string, int> missingIcons_; // upper-cased extension -> icon
};

// One row as it is to be painted.
struct TRowPaint {
    const TStartup* Entry = nullptr;
    bool Checked = false;
    bool Highlighted = false; // selected or focused
    TRowInfo Info;
    std::string Texts[ListColumnCount]; // by column
};

class TListPainter {
public:
    TListPainter() = default;
    TListPainter(const TListPainter&) = delete;
    TListPainter& operator=(const TListPainter&) = delete;

    void Setup(HIMAGELIST pictures, HIMAGELIST systemIcons, HFONT font, const TDpi& dpi);

    // Paints the row whose rectangle on the target is `row`; columnWidths
    // holds the ListColumnCount column widths in column order.
    void PaintRow(HDC target, const RECT& row, const TRowPaint& data, const int* columnWidths);

    // The 4x4 tile of the wavy underline (scaled whole-number times at high DPI).
    HBITMAP CurveLine() const { return curveLine_.Get(); }

    // The cell rectangles of a row of the given height, relative to its left edge.
    static void CellRects(const int* columnWidths, int height, RECT* cells);

private:
    void EnsureBuffer(HDC target, int width, int height);
    void DrawCellText(HDC dc, const RECT& cell, const std::string& text);
    void DrawUnderline(HDC dc, const RECT& cell, const std::string& text, COLORREF background);
    void DrawPicture(HDC dc, HIMAGELIST list, int index, int x, int y, COLORREF background);

    // Pictures and wave strips, each already blended onto its background,
    // live in bitmaps that stay selected in their own DCs: under Wine every
    // selection of a bitmap into a DC asks the server about the display,
    // which cost more than all the rest of a row's painting.
    struct TCachedPicture {
        POINT At;
        SIZE Size;
    };
    struct TWaveStrip {
        TBitmap Bitmap; // declared first, so that it outlives the DC it is selected in
        TMemDc Dc;
        int Width = 0;
    };
    bool GrowAtlas(HDC dc);
    // Forgets the atlas and the pictures it holds.
    void DropAtlas();
    const TWaveStrip* WaveOn(HDC dc, COLORREF background, int width, int height);

    HIMAGELIST pictures_ = nullptr;
    HIMAGELIST systemIcons_ = nullptr;
    HFONT font_ = nullptr;
    TDpi dpi_;
    TBitmap curveLine_;
    int waveScale_ = 1;
    std::unordered_map<COLORREF, TWaveStrip> waves_;
    std::unordered_map<uint64_t, TCachedPicture> pictureCache_;
    TBitmap atlas_; // outlives atlasDc_, in which it stays selected
    TMemDc atlasDc_;
    HGDIOBJ atlasOld_ = nullptr;
    int atlasCell_ = 0;
    int atlasSlots_ = 0;
    TMemDc bufferDc_;
    TBitmap buffer_;
    HGDIOBJ bufferOld_ = nullptr;
    SIZE bufferSize_{0, 0};
    int textHeight_ = -1;
};
