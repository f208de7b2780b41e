#pragma once
// The tool bar across the top of the main window: the banner, the picture
// buttons Refresh, Consult, Apply, More Tasks and About with the separators
// between them, and the busy animation. A click on a button calls its
// handler; what the command does is the window's.

#include "BusyAnimation.h"
#include "Layout.h"
#include "ScopedWin.h"
#include "PictureButton.h"

#include <windows.h>

#include <functional>

class TToolBar {
public:
    // The buttons' commands.
    std::function<void()> OnRefresh;
    std::function<void()> OnConsult;
    std::function<void()> OnApply;
    std::function<void()> OnMoreTasks;
    std::function<void()> OnAbout;

    // Creates the buttons (in tab order) and the animation on parent.
    void Create(HWND parent, const TDpi& dpi);
    // Draws the pictures again: for a new DPI or new system colours.
    void CreatePictures(const TDpi& dpi);
    // Paints the bar's background, banner, rule and separators.
    void Paint(HDC dc, int width, const TDpi& dpi) const;
    // The About button and the animation keep to the window's right edge.
    template <class Put> void PlaceRightEnd(int width, const TDpi& dpi, Put&& put) const {
        put(btnAbout.Handle(), width - dpi.Scale(layout::AboutWidth + layout::AboutRightMargin),
            dpi.Scale(layout::ButtonY), dpi.Scale(layout::AboutWidth),
            dpi.Scale(layout::ButtonHeight));
        put(aniBusy.Handle(), width - dpi.Scale(layout::BusyWidth + layout::BusyRightMargin),
            dpi.Scale(layout::BusyY), dpi.Scale(layout::BusyWidth), dpi.Scale(layout::BusyHeight));
    }

    TWebImage& RefreshButton() { return btnRefresh; }
    TWebImage& MoreTasksButton() { return btnMoreTasks; }
    TBusyAnimation& Busy() { return aniBusy; }
    const TBusyAnimation& Busy() const { return aniBusy; }

private:
    TWebImage btnRefresh;
    TWebImage btnConsult;
    TWebImage btnApply;
    TWebImage btnMoreTasks;
    TWebImage btnAbout;
    TBusyAnimation aniBusy;
    TBitmap banner_;
    TBitmap rule_;
    TBitmap separator_;
};
