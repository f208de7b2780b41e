#pragma once
// The program's pictures: the shared picture list ImageList1, the tool bar's
// banner, rule, separators and button pictures, the busy animation frames and
// the warning icon. The small pictures come from the bitmaps that
// ui/res/make_pictures.py draws; the pictures with text are drawn here, at
// the screen's DPI, so that their text stays sharp.

#include "Layout.h"
#include "ScopedWin.h"
#include "core/startupUtil.h"

// Indices into ImageList1.
enum TPictureIndex : int {
    piGoldStar = 0,
    piScreen = 1,
    piRegistry = 2,
    piFolder = 3,
    piService = 4,
    piServiceOnce = 5,
    piUsers = 6,
    piRun = 7,
    piRunOnce = 8,
    piGlobeMagenta = 9,
    piWave = 10,
    piCheckEmpty = 11,
    piCheckTicked = 12,
    piGreenTick = 13,
    piRedCross = 14,
    piNoEntry = 15,
    piAlert = 16,
    piParcel = 17,
    piRefresh = 18,
    piWebLink = 19,
    piPencil = 20,
    piOrangeStar = 21,
    piPaleStar = 22,
    piQuestion = 23,
    piRating0 = 24,
};
constexpr int PictureCount = 29;
constexpr int RatingPictureCount = 5;

// The picture of each location code, 0 to 10.
extern const int LocationImages[LocationCodeCount];

// The size of the small pictures at a DPI: 16 at 96 dots per inch.
int PictureSize(const TDpi& dpi);
// ImageList1 at that size, with an alpha channel.
TImageList CreatePictureList(const TDpi& dpi);

enum TButtonPicture { bpRefresh, bpConsult, bpApply, bpMoreTasks, bpAbout };

// The four pictures of a tool bar button, composed on the tool bar's colour.
struct TButtonPictures {
    TBitmap Normal;
    TBitmap Over;
    TBitmap Down;
    TBitmap Disabled;
};
TButtonPictures MakeButtonPictures(TButtonPicture icon, const char* caption, SIZE size,
                                   const TDpi& dpi, COLORREF background);

TBitmap MakeBanner(const TDpi& dpi, COLORREF background);
TBitmap MakeRule(const TDpi& dpi);
TBitmap MakeSeparator(const TDpi& dpi, COLORREF background);

// The busy animation: Frames running frames and, after them, the idle frame,
// side by side in one opaque strip.
struct TBusyFrames {
    TBitmap Strip;
    int FrameWidth = 0;
    int FrameHeight = 0;
    int Frames = 0;
};
TBusyFrames LoadBusyFrames(const TDpi& dpi, COLORREF background);

// The yellow warning triangle of the show-once messages, size 16 or 32 (scaled).
TIcon LoadWarningIcon(int size);
TIcon LoadProgramIcon(int size);

// Size of a bitmap in pixels.
SIZE BitmapSize(HBITMAP bitmap);

// Covers the rectangle with copies of the picture, left to right and top to
// bottom; copies at the right and bottom edges are cut off. Nothing for an
// empty picture.
void TileDraw(HDC canvas, HBITMAP picture, const RECT& rect);

// A font of the pictures and the about window's artwork.
TFont CreateUiFont(const TDpi& dpi, int points, int weight, const char* face,
                   bool underline = false, bool italic = false);
// Fills a rectangle from one colour to another; mode: GRADIENT_FILL_RECT_H
// or GRADIENT_FILL_RECT_V.
void Gradient(HDC dc, const RECT& r, COLORREF from, COLORREF to, ULONG mode);
