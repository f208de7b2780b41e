#pragma once
// The busy animation at the top right of the tool bar: a strip of frames
// played by a timer while a long command runs, an idle frame otherwise.

#include "Pictures.h"
#include "Window.h"

class TBusyAnimation : public TWindow {
public:
    TBusyAnimation() = default;
    TBusyAnimation(const TBusyAnimation&) = delete;
    TBusyAnimation& operator=(const TBusyAnimation&) = delete;

    bool Create(HWND parent, int x, int y, TBusyFrames frames);
    HWND Handle() const { return Hwnd(); }

    // Start and Stop nest: the animation plays until every Start is stopped.
    // Both repaint at once, since the command that follows a Start keeps the
    // message loop from doing so.
    void Start();
    void Stop();
    bool Active() const { return active_ > 0; }
    int Frame() const { return frame_; }

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc);

    TBusyFrames frames_;
    int active_ = 0;
    int frame_ = 0;
};
