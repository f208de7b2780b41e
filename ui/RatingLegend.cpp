// The rating legend under the location tree: the label "Rating Legend" and
// a list of the rating pictures with their meaning.

#include "Unit1.h"

#include "ControlCalls.h"
#include "Pictures.h"
#include "online/RatingProtocol.h"

namespace {

enum : int {
    idLegendLabel = 1003,
    idLegend = 1004,
};

} // namespace

void TfrmMorvane::CreateLegend() {
    Panel4 =
        CreateChildControl(Hwnd(), idLegendLabel, "STATIC", "Rating Legend", WS_VISIBLE | SS_LEFT);
    SendMessageA(Panel4, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), FALSE);
    ListView1 = CreateChildControl(Hwnd(), idLegend, WC_LISTVIEWA, "",
                                   WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                                       LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER);
    ListView_SetExtendedListViewStyle(ListView1, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    SendMessageA(ListView1, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    ListView_SetImageList(ListView1, ImageList1.Get(), LVSIL_SMALL);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    ListView_SetBkColor(ListView1, face);
    ListView_SetTextBkColor(ListView1, face);
    listview::InsertColumn(ListView1, 0, nullptr, dpi_.Scale(layout::LeftPanelWidth));
    for (int i = 0; i < RatingPictureCount; ++i)
        listview::InsertItem(ListView1, i, RatingNames[i].LegendCaption, piRating0 + i);
}

bool TfrmMorvane::LegendColour(HDC dc, HWND control, LRESULT& brush) {
    // The label lies on the silver left panel.
    if (control != Panel4)
        return false;
    SetBkColor(dc, layout::LeftPanelColour);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    brush = reinterpret_cast<LRESULT>(silverBrush_.Get());
    return true;
}
