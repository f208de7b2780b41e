// The rating legend (RatingLegend.h).

#include "RatingLegend.h"

#include "ControlCalls.h"
#include "Pictures.h"
#include "online/RatingProtocol.h"

namespace {

enum : int {
    idLegendLabel = 1003,
    idLegend = 1004,
};

} // namespace

void TRatingLegend::Create(HWND parent, const TDpi& dpi, HFONT font, HFONT boldFont,
                           HIMAGELIST pictures) {
    Panel4 =
        CreateChildControl(parent, idLegendLabel, "STATIC", "Rating Legend", WS_VISIBLE | SS_LEFT);
    SendMessageA(Panel4, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont), FALSE);
    ListView1 = CreateChildControl(parent, idLegend, WC_LISTVIEWA, "",
                                   WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                                       LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER);
    ListView_SetExtendedListViewStyle(ListView1, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    SendMessageA(ListView1, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ListView_SetImageList(ListView1, pictures, LVSIL_SMALL);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    ListView_SetBkColor(ListView1, face);
    ListView_SetTextBkColor(ListView1, face);
    listview::InsertColumn(ListView1, 0, nullptr, dpi.Scale(layout::LeftPanelWidth));
    for (int i = 0; i < RatingPictureCount; ++i)
        listview::InsertItem(ListView1, i, RatingNames[i].LegendCaption, piRating0 + i);
}

void TRatingLegend::DpiChanged(const TDpi& dpi, HFONT font, HFONT boldFont, HIMAGELIST pictures) {
    SendMessageA(ListView1, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(Panel4, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont), FALSE);
    ListView_SetImageList(ListView1, pictures, LVSIL_SMALL);
    listview::SetColumnWidth(ListView1, 0, dpi.Scale(layout::LeftPanelWidth));
}

void TRatingLegend::SysColorChange(WPARAM wp, LPARAM lp) const {
    SendMessageA(ListView1, WM_SYSCOLORCHANGE, wp, lp);
}

bool TRatingLegend::LegendColour(HDC dc, HWND control, HBRUSH panel, LRESULT& brush) const {
    if (control != Panel4)
        return false;
    SetBkColor(dc, layout::LeftPanelColour);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    brush = reinterpret_cast<LRESULT>(panel);
    return true;
}

void TRatingLegend::SizeColumn() const {
    RECT area;
    GetClientRect(ListView1, &area);
    listview::SetColumnWidth(ListView1, 0, area.right);
}
