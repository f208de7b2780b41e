#pragma once
// Who changes the check marks of the entry list. The rows' marks are the
// window's own: a press left of the row's picture, Space, and the menu's
// Enable/Disable toggle a row through the window. The list's own check box
// handling would toggle a row a second time for the same press, so while
// the list handles a press or a key, the changes it asks for are refused,
// unless the window itself is making one.

#include <windows.h>
#include <commctrl.h>

class TCheckMarkGate {
public:
    // Counts a scope (re-entered by nested messages) while it lives.
    class TScope {
    public:
        explicit TScope(int& depth) : depth_(depth) { ++depth_; }
        ~TScope() { --depth_; }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        int& depth_;
    };

    // While the list handles a press or a key of its own.
    TScope ListInput() { return TScope(listInput_); }
    // While the window changes a row's check mark.
    TScope OwnChange() { return TScope(ownChange_); }

    // Whether a change of a check mark that the list is about to make is
    // refused.
    bool Refuses(const NMLISTVIEW& change) const {
        const bool checkChange = (change.uChanged & LVIF_STATE) &&
                                 ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK);
        return checkChange && listInput_ > 0 && ownChange_ == 0;
    }

private:
    int listInput_ = 0;
    int ownChange_ = 0;
};

// The state image of a row's check box.
inline UINT CheckStateImage(bool checked) {
    return INDEXTOSTATEIMAGEMASK(checked ? 2u : 1u);
}
