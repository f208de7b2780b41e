// The location tree on its own, in a plain window: its nodes under their
// parents, and a change of node that the window may refuse.
// Under Wine, in a throw-away prefix.

#include "support/PartHost.h"

#include "ui/LocationTree.h"
#include "ui/Pictures.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

class LocationTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(host.Handle());
        host.OnMessage = [this](UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
            if (msg != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lp)->hwndFrom != tree.Handle())
                return false;
            result = tree.Notify(*reinterpret_cast<const NMHDR*>(lp));
            return true;
        };
        tree.MayChooseNode = [this] { return !refusing; };
        tree.OnNodeChosen = [this] { ++chosen; };
        tree.Create(host.Handle(), dpi, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                    pictures.Get());
        MoveWindow(tree.Handle(), 0, 0, 300, 380, TRUE);
    }

    TDpi dpi;
    TImageList pictures = CreatePictureList(dpi);
    TPartHost host;
    TLocationTree tree;
    bool refusing = false;
    int chosen = 0;
};

TEST_F(LocationTreeTest, EveryGroupHasANodeUnderItsParent) {
    ASSERT_EQ(static_cast<int>(TreeView_GetCount(tree.Handle())), TLocationTree::NodeCount);
    for (int i = 0; i < TLocationTree::NodeCount; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(tree.Node(i));
        const int parent = LocationTree[i].Parent;
        EXPECT_EQ(TreeView_GetParent(tree.Handle(), tree.Node(i)),
                  parent < 0 ? nullptr : tree.Node(parent));
        char caption[128] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = tree.Node(i);
        item.pszText = caption;
        item.cchTextMax = sizeof caption;
        ASSERT_TRUE(SendMessageA(tree.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_STREQ(caption, LocationTree[i].Caption);
    }
    EXPECT_EQ(tree.Node(-1), nullptr);
    EXPECT_EQ(tree.Node(TLocationTree::NodeCount), nullptr);
}

TEST_F(LocationTreeTest, AChosenNodeIsToldUnlessRefusedOrSelectedByTheProgram) {
    tree.ExpandAll();
    tree.SelectTopNode();
    EXPECT_EQ(tree.SelectedNode(), 0);
    EXPECT_EQ(chosen, 0) << "the program's own choice is not told";

    TreeView_SelectItem(tree.Handle(), tree.Node(3));
    EXPECT_EQ(tree.SelectedNode(), 3);
    EXPECT_EQ(chosen, 1);

    refusing = true;
    TreeView_SelectItem(tree.Handle(), tree.Node(1));
    EXPECT_EQ(tree.SelectedNode(), 3) << "refused: the node stays";
    EXPECT_EQ(chosen, 1);
}

} // namespace
