// The typed calls of the child, list and tree controls, on controls of their
// own. Under Wine, in a throw-away prefix.

#include "support/FormTest.h"

#include "ui/ControlCalls.h"

#include <string>

namespace {

// The typed calls on controls of their own, in a plain parent window.
class ControlCallsTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        if (IsSkipped())
            return;
        parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent_);
    }
    void TearDown() override {
        if (parent_)
            DestroyWindow(parent_);
        FormTest::TearDown();
    }
    HWND parent_ = nullptr;
};

TEST_F(ControlCallsTest, ChildControlCarriesItsIdAndParent) {
    HWND child = CreateChildControl(parent_, 4321, "STATIC", "text", WS_VISIBLE);
    ASSERT_TRUE(child);
    EXPECT_EQ(GetDlgCtrlID(child), 4321);
    EXPECT_EQ(GetParent(child), parent_);
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD);
    char text[16] = {};
    GetWindowTextA(child, text, sizeof text);
    EXPECT_STREQ(text, "text");
    HWND edged = CreateChildControl(parent_, 4322, "STATIC", "", 0, WS_EX_CLIENTEDGE);
    EXPECT_TRUE(GetWindowLongA(edged, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(IsWindowVisible(edged));
    HWND placed = CreateChildControl(parent_, 4323, "STATIC", "", 0, 0, RECT{7, 9, 57, 29});
    RECT r{};
    GetWindowRect(placed, &r);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.top, 9);
    EXPECT_EQ(r.right - r.left, 50);
    EXPECT_EQ(r.bottom - r.top, 20);
}

TEST_F(ControlCallsTest, ListRowsColumnsAndStates) {
    HWND list = CreateChildControl(parent_, 1, WC_LISTVIEWA, "", WS_VISIBLE | LVS_REPORT);
    SetWindowPos(list, nullptr, 0, 0, 300, 200, SWP_NOZORDER);
    listview::InsertColumn(list, 0, "First", 100);
    listview::InsertColumn(list, 1, "Second", 60, LVCFMT_RIGHT);
    EXPECT_EQ(listview::ColumnWidth(list, 0), 100);
    listview::SetColumnWidth(list, 1, 70);
    EXPECT_EQ(listview::ColumnWidth(list, 1), 70);
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_SUBITEM;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col)));
    EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
    EXPECT_EQ(col.iSubItem, 1);

    EXPECT_EQ(listview::InsertItem(list, 0, "a", -1), 0);
    EXPECT_EQ(listview::InsertItem(list, 1, "b", -1), 1);
    EXPECT_EQ(listview::InsertItem(list, 2, "c", -1), 2);
    char text[8] = {};
    ListView_GetItemText(list, 1, 0, text, sizeof text);
    EXPECT_STREQ(text, "b");

    EXPECT_EQ(listview::NextItem(list, -1, LVNI_SELECTED), -1);
    listview::SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    listview::SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(listview::NextItem(list, -1, LVNI_SELECTED), 0);
    EXPECT_EQ(listview::NextItem(list, 0, LVNI_SELECTED), 2);
    EXPECT_EQ(listview::NextItem(list, 2, LVNI_SELECTED), -1);

    RECT row{};
    ASSERT_TRUE(listview::ItemRect(list, 1, row));
    EXPECT_FALSE(listview::ItemRect(list, -1, row));
    EXPECT_FALSE(listview::ItemRect(list, 7, row));
    ASSERT_TRUE(listview::ItemRect(list, 1, row));
    EXPECT_EQ(listview::RowAt(list, POINT{5, (row.top + row.bottom) / 2}), 1);
    EXPECT_EQ(listview::RowAt(list, POINT{5, 190}), -1) << "below the last row";
}

TEST_F(ControlCallsTest, TreeNodesUnderTheirParents) {
    HWND tree = CreateChildControl(parent_, 2, WC_TREEVIEWA, "", WS_VISIBLE);
    HTREEITEM top = treeview::InsertNode(tree, nullptr, "Top", 0, 10);
    HTREEITEM child = treeview::InsertNode(tree, top, "Child", 0, 11);
    ASSERT_TRUE(top && child);
    EXPECT_EQ(TreeView_GetParent(tree, child), top);
    EXPECT_EQ(TreeView_GetParent(tree, top), nullptr) << "a top node";
    TVITEMA item{};
    item.mask = TVIF_PARAM;
    item.hItem = child;
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.lParam, 11);
    treeview::Expand(tree, top);
    EXPECT_TRUE(TreeView_GetItemState(tree, top, TVIS_EXPANDED) & TVIS_EXPANDED);
    treeview::Select(tree, child);
    EXPECT_EQ(treeview::Selection(tree), child);
}

} // namespace
