// The location tree: its nodes, which group of locations each shows, and
// the choice of a node, which fills the entry list with that group.

#include "Unit1.h"

#include "ListViewCalls.h"
#include "Pictures.h"
#include "core/startupSignIn.h"
#include "core/startupUtil.h"

namespace {

enum : int { idTree = 1001 };

// The picture of each node of the location tree (LocationTree).
const int NodePictures[TfrmMorvane::NodeCount] = {
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

void TfrmMorvane::CreateTree() {
    tvStartupFolders =
        CreateChildControl(wnd_, idTree, WC_TREEVIEWA, "",
                           WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_SHOWSELALWAYS |
                               TVS_FULLROWSELECT | TVS_DISABLEDRAGDROP,
                           WS_EX_CLIENTEDGE);
    SendMessageA(tvStartupFolders, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    TreeView_SetImageList(tvStartupFolders, ImageList1.Get(), TVSIL_NORMAL);
    TreeView_SetIndent(tvStartupFolders, dpi_.Scale(layout::TreeIndent));
    for (int i = 0; i < NodeCount; ++i) {
        const TLocationNode& node = LocationTree[i];
        HTREEITEM parent = node.Parent < 0 ? nullptr : nodes_[node.Parent];
        nodes_[i] =
            treeview::InsertNode(tvStartupFolders, parent, node.Caption, NodePictures[i], i);
    }
}

void TfrmMorvane::NoteSkippedNodes() {
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

HTREEITEM TfrmMorvane::Node(int absoluteIndex) const {
    return absoluteIndex >= 0 && absoluteIndex < NodeCount ? nodes_[absoluteIndex] : nullptr;
}

int TfrmMorvane::SelectedNode() const {
    HTREEITEM sel = treeview::Selection(tvStartupFolders);
    for (int i = 0; i < NodeCount; ++i)
        if (nodes_[i] == sel && sel)
            return i;
    return -1;
}

void TfrmMorvane::tvStartupFoldersClick() {
    if (!CommandEnabled(cmdShowGroup))
        return;
    FillList();
}

LRESULT TfrmMorvane::TreeNotify(const NMHDR& hdr) {
    // While a consultation runs the selected group stays.
    if ((hdr.code == TVN_SELCHANGINGA || hdr.code == TVN_SELCHANGINGW) &&
        !CommandEnabled(cmdShowGroup))
        return TRUE;
    if (hdr.code == TVN_SELCHANGEDA || hdr.code == TVN_SELCHANGEDW) {
        // A new node by mouse or keyboard shows its entries; Refresh selects
        // the top node itself and fills the list once at its end.
        if (!refreshing_)
            Guarded([this] { tvStartupFoldersClick(); });
        return 0;
    }
    return 0;
}
