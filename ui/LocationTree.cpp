// The location tree: its nodes, which group of locations each shows, and
// the choice of a node.

#include "LocationTree.h"

#include "ControlCalls.h"
#include "Pictures.h"
#include "core/startupSignIn.h"

namespace {

enum : int { idTree = 1001 };

// The picture of each node of the location tree (LocationTree).
const int NodePictures[TLocationTree::NodeCount] = {
    piParcel,
    piScreen,
    piRegistry,
    piRun,
    piRunOnce,
    piService,
    piServiceOnce,
    piFolder,
    piUsers,
    piRegistry,
    piRun,
    piRunOnce,
    piFolder,
    // policy Run, RunOnceEx, Winlogon, Active Setup; the user's policy Run
    // and Winlogon; packaged apps
    piRun,
    piRunOnce,
    piScreen,
    piParcel,
    piRun,
    piScreen,
    piParcel,
};

} // namespace

void TLocationTree::Create(HWND parent, const TDpi& dpi, HFONT font, HIMAGELIST pictures) {
    tvStartupFolders =
        CreateChildControl(parent, idTree, WC_TREEVIEWA, "",
                           WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_SHOWSELALWAYS |
                               TVS_FULLROWSELECT | TVS_DISABLEDRAGDROP,
                           WS_EX_CLIENTEDGE);
    DpiChanged(dpi, font, pictures);
    for (int i = 0; i < NodeCount; ++i) {
        const TLocationNode& node = LocationTree[i];
        HTREEITEM above = node.Parent < 0 ? nullptr : nodes_[node.Parent];
        nodes_[i] = treeview::InsertNode(tvStartupFolders, above, node.Caption, NodePictures[i], i);
    }
}

void TLocationTree::DpiChanged(const TDpi& dpi, HFONT font, HIMAGELIST pictures) {
    SendMessageA(tvStartupFolders, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TreeView_SetImageList(tvStartupFolders, pictures, TVSIL_NORMAL);
    TreeView_SetIndent(tvStartupFolders, dpi.Scale(layout::TreeIndent));
}

void TLocationTree::ExpandAll() {
    for (HTREEITEM node : nodes_)
        treeview::Expand(tvStartupFolders, node);
}

void TLocationTree::SelectTopNode() {
    selecting_ = true;
    treeview::Select(tvStartupFolders, nodes_[0]);
    selecting_ = false;
}

void TLocationTree::NoteSkippedNodes() {
    for (int i = 0; i < NodeCount; ++i) {
        const TLocationNode& node = LocationTree[i];
        // A node of one location whose list a policy makes Windows skip.
        std::string caption = node.Caption;
        for (unsigned code = 0; code < LocationCodeCount; ++code) {
            if (node.Codes != (1u << code))
                continue;
            const std::string policy = SkippingPolicy(code);
            if (!policy.empty())
                caption += " (skipped: " + policy + ")";
        }
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = nodes_[i];
        item.pszText = const_cast<char*>(caption.c_str());
        SendMessageA(tvStartupFolders, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

HTREEITEM TLocationTree::Node(int absoluteIndex) const {
    return absoluteIndex >= 0 && absoluteIndex < NodeCount ? nodes_[absoluteIndex] : nullptr;
}

int TLocationTree::SelectedNode() const {
    HTREEITEM sel = treeview::Selection(tvStartupFolders);
    for (int i = 0; i < NodeCount; ++i)
        if (nodes_[i] == sel && sel)
            return i;
    return -1;
}

LRESULT TLocationTree::Notify(const NMHDR& hdr) {
    if (hdr.code == TVN_SELCHANGINGA || hdr.code == TVN_SELCHANGINGW)
        return MayChooseNode && !MayChooseNode() ? TRUE : FALSE;
    if (hdr.code == TVN_SELCHANGEDA || hdr.code == TVN_SELCHANGEDW) {
        // A new node by mouse or keyboard shows its entries; a refresh
        // selects the top node itself and fills the list once at its end.
        if (!selecting_ && OnNodeChosen)
            OnNodeChosen();
        return 0;
    }
    return 0;
}
