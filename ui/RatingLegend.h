#pragma once
// The rating legend under the location tree: the label Panel4, "Rating
// Legend", on the silver left panel, and the list ListView1 of the rating
// pictures with their meaning.

#include "Layout.h"

#include <windows.h>
#include <commctrl.h>

class TRatingLegend {
public:
    // Creates the label and the list on parent; the list shows pictures
    // (the tool bar's ImageList1) and does not own them.
    void Create(HWND parent, const TDpi& dpi, HFONT font, HFONT boldFont, HIMAGELIST pictures);
    HWND Handle() const { return ListView1; }
    void Destroyed() { Panel4 = ListView1 = nullptr; }
    // Moved to a screen of another DPI: the fonts, the pictures and the
    // column's width.
    void DpiChanged(const TDpi& dpi, HFONT font, HFONT boldFont, HIMAGELIST pictures);
    void SysColorChange(WPARAM wp, LPARAM lp) const;

    // WM_CTLCOLORSTATIC: the label is painted on the left panel's brush;
    // false for any other control.
    bool LegendColour(HDC dc, HWND control, HBRUSH panel, LRESULT& brush) const;

    // The label and the list in the legend's area at the foot of the left
    // panel, which is `width` wide; the legend begins at `top`.
    template <class Put> void Place(int width, int top, const TDpi& dpi, Put&& put) const {
        const int height = dpi.Scale(layout::LegendHeight);
        put(Panel4, dpi.Scale(layout::LegendLabelX), top + dpi.Scale(layout::LegendLabelY),
            width - dpi.Scale(layout::LegendLabelX), dpi.Scale(layout::LegendLabelHeight));
        const int margin = dpi.Scale(layout::LegendListMargin);
        put(ListView1, margin, top + dpi.Scale(layout::LegendListTop), width - 2 * margin,
            height - dpi.Scale(layout::LegendListTop) - margin);
    }
    // The list's one column fills the list as placed.
    void SizeColumn() const;

private:
    HWND Panel4 = nullptr;
    HWND ListView1 = nullptr;
};
