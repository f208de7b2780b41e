#pragma once
// TWebImage: a tool bar button made of pictures, one per state: Image
// (normal), OverImage (pointer over it), DownImage (left button held) and
// DisableImage. A state without a picture shows the normal picture tiled
// across the control. Buttons of one non-zero CheckGroup act as radio
// buttons; group 0 is a plain push button.

#include "ScopedWin.h"
#include "Window.h"

#include <functional>

class TWebImage : public TWindow {
public:
    enum TState { wsNormal, wsOver, wsDown };

    TWebImage() = default;
    TWebImage(const TWebImage&) = delete;
    TWebImage& operator=(const TWebImage&) = delete;

    // Creates the control; with AutoSize it then takes the normal picture's size.
    bool Create(HWND parent, int id, int x, int y, int width, int height);
    HWND Handle() const { return Hwnd(); }

    TBitmap Image;
    TBitmap OverImage;
    TBitmap DownImage;
    TBitmap DisableImage;
    bool AutoSize = true;
    int CheckGroup = 0;
    bool AllowAllUp = false;
    std::function<void()> OnClick;

    // Call after replacing the pictures.
    void PicturesChanged();

    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const;
    void SetEnabled(bool value);
    TState State() const { return state_; }

    // What a release of the left button over the control does.
    void Click();

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void SetState(TState state);
    void Paint(HDC dc);
    bool PointerInside(LPARAM lp) const;

    TState state_ = wsNormal;
    bool checked_ = false;
    bool tracking_ = false;
    bool keyDown_ = false;
};
