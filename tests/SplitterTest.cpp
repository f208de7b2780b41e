// The splitters: a bar that sizes the pane on one side of it, dragged with
// the mouse, kept within the window's limits. The class alone, and the main
// window's two splitters driven through its mouse messages. Under Wine, in
// a throw-away prefix.

#include "support/FormTest.h"

#include "ui/Splitter.h"

namespace {

TEST(Splitter, PaneBeforeTheBarEndsWhereTheMouseIs) {
    TSplitter s(TSplitter::soVertical, TSplitter::psBefore);
    s.SetPaneSize(145);
    s.Place(RECT{145, 89, 148, 500}, 0);
    EXPECT_FALSE(s.BeginDrag(POINT{144, 200})) << "left of the bar";
    EXPECT_FALSE(s.BeginDrag(POINT{148, 200})) << "right of the bar";
    EXPECT_FALSE(s.BeginDrag(POINT{146, 88})) << "above it, on the tool bar";
    EXPECT_FALSE(s.DragTo(POINT{300, 200})) << "no drag, no change";
    EXPECT_EQ(s.PaneSize(), 145);

    ASSERT_TRUE(s.BeginDrag(POINT{146, 200}));
    EXPECT_TRUE(s.Dragging());
    EXPECT_TRUE(s.DragTo(POINT{250, 10}));
    EXPECT_EQ(s.PaneSize(), 250) << "only the x counts";
    s.EndDrag();
    EXPECT_FALSE(s.DragTo(POINT{300, 200}));
    EXPECT_EQ(s.PaneSize(), 250);
    EXPECT_EQ(s.Cursor(), IDC_SIZEWE);
}

TEST(Splitter, PaneAfterTheBarIsMeasuredFromTheBarsMiddle) {
    TSplitter s(TSplitter::soHorizontal, TSplitter::psAfter);
    s.SetPaneSize(150);
    s.Place(RECT{148, 396, 654, 400}, 550);
    ASSERT_TRUE(s.BeginDrag(POINT{300, 398}));
    EXPECT_TRUE(s.DragTo(POINT{0, 300}));
    EXPECT_EQ(s.PaneSize(), 550 - 300 - 2);
    EXPECT_EQ(s.Cursor(), IDC_SIZENS);
}

TEST(Splitter, ClampKeepsTheMinimumWhenTheWindowIsTooSmall) {
    TSplitter s(TSplitter::soVertical, TSplitter::psBefore);
    s.SetPaneSize(500);
    s.Clamp(80, 300);
    EXPECT_EQ(s.PaneSize(), 300);
    s.SetPaneSize(-20);
    s.Clamp(80, 300);
    EXPECT_EQ(s.PaneSize(), 80);
    s.SetPaneSize(200);
    s.Clamp(80, 10); // no room at all: the minimum, not an empty range
    EXPECT_EQ(s.PaneSize(), 80);
}

class SplitterFormTest : public FormTest {
protected:
    LRESULT Mouse(UINT msg, int x, int y) {
        return SendMessageA(form->Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                            MAKELPARAM(x, y));
    }
    static POINT Middle(const RECT& r) {
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    RECT ChildRect(HWND child) const {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

TEST_F(SplitterFormTest, DraggingTheLeftBarResizesTreeAndList) {
    Open();
    const TDpi& dpi = form->Dpi();
    const TSplitter& left = form->LeftSplitter();
    EXPECT_EQ(left.PaneSize(), dpi.Scale(145));
    POINT at = Middle(left.Bar());
    Mouse(WM_LBUTTONDOWN, at.x, at.y);
    EXPECT_TRUE(left.Dragging());
    EXPECT_EQ(GetCapture(), form->Handle()) << "the drag holds the mouse";
    Mouse(WM_MOUSEMOVE, dpi.Scale(220), at.y);
    EXPECT_EQ(left.PaneSize(), dpi.Scale(220));
    EXPECT_EQ(ChildRect(form->TreeHandle()).right, dpi.Scale(220));
    EXPECT_EQ(ChildRect(form->ListHandle()).left, dpi.Scale(220) + dpi.Scale(3));
    EXPECT_EQ(left.Bar().left, dpi.Scale(220)) << "the bar follows";

    // Far to the left: the tree keeps its least width.
    Mouse(WM_MOUSEMOVE, 2, at.y);
    EXPECT_EQ(left.PaneSize(), dpi.Scale(80));
    Mouse(WM_LBUTTONUP, 2, at.y);
    EXPECT_FALSE(left.Dragging());
    EXPECT_NE(GetCapture(), form->Handle());
    Mouse(WM_MOUSEMOVE, dpi.Scale(300), at.y);
    EXPECT_EQ(left.PaneSize(), dpi.Scale(80)) << "a move after the release drags nothing";
}

TEST_F(SplitterFormTest, DraggingTheDetailBarResizesListAndDetailPane) {
    Open();
    const TDpi& dpi = form->Dpi();
    const TSplitter& detail = form->DetailSplitter();
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(detail.PaneSize(), dpi.Scale(150));
    POINT at = Middle(detail.Bar());
    Mouse(WM_LBUTTONDOWN, at.x, at.y);
    ASSERT_TRUE(detail.Dragging());
    EXPECT_FALSE(form->LeftSplitter().Dragging());
    const int y = client.bottom - dpi.Scale(200);
    Mouse(WM_MOUSEMOVE, at.x, y);
    EXPECT_EQ(detail.PaneSize(), client.bottom - y - dpi.Scale(4) / 2);
    EXPECT_EQ(ChildRect(form->DetailPaneHandle()).top, client.bottom - detail.PaneSize());
    EXPECT_EQ(ChildRect(form->ListHandle()).bottom, detail.Bar().top);
    // Losing the mouse ends the drag as the release does.
    SendMessageA(form->Handle(), WM_CAPTURECHANGED, 0, 0);
    EXPECT_FALSE(detail.Dragging());
}

TEST_F(SplitterFormTest, PressBesideTheBarsDragsNothing) {
    Open();
    const TSplitter& left = form->LeftSplitter();
    Mouse(WM_LBUTTONDOWN, left.Bar().left - 1, Middle(left.Bar()).y);
    EXPECT_FALSE(left.Dragging());
    EXPECT_FALSE(form->DetailSplitter().Dragging());
    EXPECT_NE(GetCapture(), form->Handle());
    Mouse(WM_MOUSEMOVE, 300, 300);
    EXPECT_EQ(left.PaneSize(), form->Dpi().Scale(145));
}

} // namespace
