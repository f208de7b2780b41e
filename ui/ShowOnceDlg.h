#pragma once
// TShowOnceDlg: a message in a small modal dialog with an OK button and a
// check box "Do not show this message again". Once the user ticks the box,
// the choice is kept per user in the registry and the message is not shown
// again.

#include "Layout.h"
#include "ScopedWin.h"
#include "Window.h"

#include <string>

class TShowOnceDlg : public TWindow {
public:
    // Control identifiers of the dialog's check box ("ShowOnce") and button
    // ("OKButton").
    static constexpr int ShowOnceId = 101;
    static constexpr int OkButtonId = IDOK;

    explicit TShowOnceDlg(HWND owner = nullptr, std::string name = std::string());
    TShowOnceDlg(const TShowOnceDlg&) = delete;
    TShowOnceDlg& operator=(const TShowOnceDlg&) = delete;

    std::string Name;
    HWND Owner;
    std::string Message;
    std::string Title;
    std::string ShowOnceMessage;
    std::string RegPath;    // under HKEY_CURRENT_USER; empty: always show, store nothing
    std::string RegKeyname; // the value under RegPath

    // The picture at the top left; the dialog keeps its own copy.
    void SetGraphic(HICON icon);
    HICON Graphic() const { return graphic_.Get(); }
    SIZE GraphicSize() const { return graphicSize_; }

    // The font of the message and of the dialog; the dialog keeps its own copy.
    void SetFont(const LOGFONTA& font);
    const LOGFONTA& Font() const { return font_; }

    // Shows the dialog unless suppressed; true when the user ticked the box.
    bool Execute();
    bool IsSuppressed() const;
    void StoreSuppressed(bool value) const;
    // The dialog's client height for the current message.
    int CalcClientHeight() const;
    // Draws the picture and the message and places the two controls.
    void DialogPaint(HWND dialog, HDC dc);

    // The dialog window while Execute runs, else null.
    HWND DialogHandle() const { return Hwnd(); }

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    HFONT FontHandle();
    // The message rectangle, measured: its bottom is where the text ends.
    RECT MeasureMessage(HDC dc, int left) const;
    void PlaceControls(HWND dialog, int textBottom);

    TIcon graphic_;
    SIZE graphicSize_{0, 0};
    LOGFONTA font_{};
    TFont fontHandle_;
    TDpi dpi_;
    int modalResult_ = 0;
    // The check box as it was when the dialog went.
    bool ticked_ = false;
};
