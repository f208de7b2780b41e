// The rating legend under the location tree: the label "Rating Legend" and
// a list of the rating pictures with their meaning.

#include "Unit1.h"

#include "ControlCalls.h"
#include "Pictures.h"

namespace {

enum : int {
    idLegendLabel = 1003,
    idLegend = 1004,
};

struct TLegendRow {
    int Picture;
    const char* Text;
};
const TLegendRow LegendRows[RatingPictureCount] = {
    {piRating0 + 0, "Unknown"},         {piRating0 + 1, "Not Recommended"},
    {piRating0 + 2, "Not Required"},    {piRating0 + 3, "User's Choice"},
    {piRating0 + 4, "System Required"},
};

} // namespace

void TfrmMorvane::CreateLegend() {
    Panel4 =
        CreateChildControl(wnd_, idLegendLabel, "STATIC", "Rating Legend", WS_VISIBLE | SS_LEFT);
    SendMessageA(Panel4, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.Get()), FALSE);
    ListView1 = CreateChildControl(wnd_, idLegend, WC_LISTVIEWA, "",
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
        listview::InsertItem(ListView1, i, LegendRows[i].Text, LegendRows[i].Picture);
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
