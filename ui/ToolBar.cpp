// The tool bar: its picture buttons and the busy animation, and its painted
// background.

#include "ToolBar.h"

#include "Pictures.h"

namespace {

enum : int {
    idRefresh = 1010,
    idConsult = 1011,
    idApply = 1012,
    idMoreTasks = 1013,
    idAbout = 1014,
};

} // namespace

void TToolBar::Create(HWND parent, const TDpi& dpi) {
    auto button = [&](TWebImage& b, int id, int x, std::function<void()>& click) {
        b.Create(parent, id, dpi.Scale(x), dpi.Scale(layout::ButtonY), 10, 10);
        b.OnClick = [&click] {
            if (click)
                click();
        };
    };
    button(btnRefresh, idRefresh, layout::RefreshX, OnRefresh);
    button(btnConsult, idConsult, layout::ConsultX, OnConsult);
    button(btnApply, idApply, layout::ApplyX, OnApply);
    button(btnMoreTasks, idMoreTasks, layout::MoreTasksX, OnMoreTasks);
    button(btnAbout, idAbout, 0, OnAbout);
    CreatePictures(dpi);
    aniBusy.Create(parent, 0, dpi.Scale(layout::BusyY),
                   LoadBusyFrames(dpi, GetSysColor(COLOR_BTNHIGHLIGHT)));
}

void TToolBar::CreatePictures(const TDpi& dpi) {
    COLORREF toolbar = GetSysColor(COLOR_BTNHIGHLIGHT);
    banner_ = MakeBanner(dpi, toolbar);
    rule_ = MakeRule(dpi);
    separator_ = MakeSeparator(dpi, toolbar);
    struct TButtonDef {
        TWebImage* Button;
        TButtonPicture Picture;
        const char* Caption;
        int Width;
    };
    const TButtonDef defs[] = {
        {&btnRefresh, bpRefresh, "Refresh",
         layout::ConsultX - layout::RefreshX - layout::SeparatorWidth},
        {&btnConsult, bpConsult, "Consult",
         layout::ApplyX - layout::ConsultX - layout::SeparatorWidth},
        {&btnApply, bpApply, "Apply", layout::MoreTasksX - layout::ApplyX - layout::SeparatorWidth},
        {&btnMoreTasks, bpMoreTasks, "More Tasks", layout::MoreTasksWidth},
        {&btnAbout, bpAbout, "About", layout::AboutWidth},
    };
    for (const auto& d : defs) {
        SIZE size{dpi.Scale(d.Width), dpi.Scale(layout::ButtonHeight)};
        TButtonPictures pics = MakeButtonPictures(d.Picture, d.Caption, size, dpi, toolbar);
        d.Button->Image = std::move(pics.Normal);
        d.Button->OverImage = std::move(pics.Over);
        d.Button->DownImage = std::move(pics.Down);
        d.Button->DisableImage = std::move(pics.Disabled);
        d.Button->PicturesChanged();
    }
}

void TToolBar::Paint(HDC dc, int width, const TDpi& dpi) const {
    RECT toolbar{0, 0, width, dpi.Scale(layout::ToolBarHeight)};
    FillRect(dc, &toolbar, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    auto blit = [&](HBITMAP pic, int x, int y) {
        SIZE s = BitmapSize(pic);
        TMemDc src(CreateCompatibleDC(dc));
        TSelect sel(src.Get(), pic);
        BitBlt(dc, x, y, s.cx, s.cy, src.Get(), 0, 0, SRCCOPY);
    };
    blit(banner_.Get(), dpi.Scale(layout::BannerX), dpi.Scale(layout::BannerY));
    {
        SIZE s = BitmapSize(rule_.Get());
        TMemDc src(CreateCompatibleDC(dc));
        TSelect sel(src.Get(), rule_.Get());
        StretchBlt(dc, 0, dpi.Scale(layout::RuleY), width, s.cy, src.Get(), 0, 0, s.cx, s.cy,
                   SRCCOPY);
    }
    for (int x : {layout::ConsultX, layout::ApplyX, layout::MoreTasksX})
        blit(separator_.Get(), dpi.Scale(x - layout::SeparatorWidth), dpi.Scale(layout::ButtonY));
}
