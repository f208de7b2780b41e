#pragma once
// Every position and size of the main window, in pixels at 96 dots per inch,
// in one table; TDpi scales them to the screen's setting.

#include <windows.h>

struct TDpi {
    int Value = 96;
    int Scale(int px) const { return MulDiv(px, Value, 96); }
    // Point sizes become negative font heights (character height in pixels).
    int FontHeight(int points) const { return -MulDiv(points, Value, 72); }
};

// The system setting that this DPI-aware program draws for.
TDpi ScreenDpi();
// What a window's screen draws at (per screen where Windows has that).
TDpi WindowDpi(HWND wnd);

namespace layout {

// Window
constexpr int WindowLeft = 193;
constexpr int WindowTop = 132;
constexpr int WindowWidth = 916; // the list keeps its room beside the Publisher column
constexpr int WindowHeight = 601;
constexpr int MinClientWidth = 560;
constexpr int MinClientHeight = 360;
constexpr int FontPoints = 8;

// Tool bar
constexpr int ToolBarHeight = 89;
constexpr int BannerX = 5;
constexpr int BannerY = 4;
constexpr int BannerWidth = 400;
constexpr int BannerHeight = 40;
constexpr int RuleY = 48;
constexpr int RuleHeight = 2;
constexpr int ButtonY = 53;
constexpr int ButtonHeight = 32;
constexpr int RefreshX = 8;
constexpr int ConsultX = 98;
constexpr int ApplyX = 197;
constexpr int MoreTasksX = 293;
constexpr int MoreTasksWidth = 100;
constexpr int AboutWidth = 80;
constexpr int AboutRightMargin = 8;
constexpr int SeparatorWidth = 4;
constexpr int BusyWidth = 48;
constexpr int BusyHeight = 32;
constexpr int BusyRightMargin = 8;
constexpr int BusyY = 8;
constexpr int ButtonIconSize = 24;

// Left panel, splitters, centre, right panel
constexpr int LeftPanelWidth = 145;
constexpr int LegendHeight = 124;
constexpr int LegendLabelX = 6;
constexpr int LegendLabelY = 5;
constexpr int LegendLabelHeight = 16;
constexpr int LegendListTop = 24;
constexpr int LegendListMargin = 4;
constexpr int LeftSplitterWidth = 3;
constexpr int DetailSplitterHeight = 4;
constexpr int DetailHeight = 150;
constexpr int RightPanelWidth = 122;
constexpr int MinLeftPanelWidth = 80;
constexpr int MinListHeight = 60;
constexpr int MinDetailHeight = 30;
constexpr int TreeIndent = 23;
constexpr COLORREF LeftPanelColour = RGB(0xc0, 0xc0, 0xc0); // silver

// Entry list columns and row geometry
constexpr int NameColumnWidth = 120;
constexpr int PublisherColumnWidth = 140;
constexpr int LocationColumnWidth = 120;
constexpr int RatingColumnWidth = 45;
constexpr int MinFillColumnWidth = 80;
constexpr int CellShrink = 4;    // a cell is this much narrower than its column
constexpr int CellGap = 2;       // and starts this much after the previous column's end
constexpr int CheckBoxX = 0;     // the check box picture spans x 0 to 15
constexpr int ToggleLimitX = 18; // a press left of this toggles the row
constexpr int IconX = 18;
constexpr int CaptionX = 36;
constexpr int PictureWidth = 16;
constexpr int UnderlineHeight = 4;
constexpr int UnderlineFromBottom = 5;
constexpr int RowHeight = 17;

// Options window
constexpr int OptionsWidth = 408;
constexpr int OptionsHeight = 365;

// Show-once dialog
constexpr int DialogOuterWidth = 400;
constexpr int DialogMargin = 10;
constexpr int DialogPictureGap = 30;
constexpr int DialogTextRight = 390;
constexpr int DialogTextBottom = 300;
constexpr int DialogControlsGap = 20;
constexpr int DialogExtraHeight = 60;
constexpr int DialogCheckWidth = 280;
constexpr int DialogCheckHeight = 15;
constexpr int DialogButtonLeft = 300;
constexpr int DialogButtonWidth = 80;
constexpr int DialogButtonHeight = 25;
constexpr int WarningIconSize = 32;

} // namespace layout
