#pragma once
// The location tree tvStartupFolders: one node for each group of startup
// locations, from "Startup Items" (every location) down. Choosing a node
// asks the window to show that group's entries; the window may refuse a
// change of node while the rows must stay as they are.

#include "Layout.h"

#include "core/startupUtil.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>

class TLocationTree {
public:
    static constexpr int NodeCount = LocationGroupCount;

    // Whether the selection may move to another node now.
    std::function<bool()> MayChooseNode;
    // A node was chosen by mouse or keyboard (not by SelectTopNode).
    std::function<void()> OnNodeChosen;

    void Create(HWND parent, const TDpi& dpi, HFONT font, HIMAGELIST pictures);
    HWND Handle() const { return tvStartupFolders; }
    void Destroyed() { tvStartupFolders = nullptr; }
    // Moved to a screen of another DPI.
    void DpiChanged(const TDpi& dpi, HFONT font, HIMAGELIST pictures);

    // The parent's WM_NOTIFY of the tree.
    LRESULT Notify(const NMHDR& hdr);

    // The nodes by absolute index (0 "Startup Items" to NodeCount - 1).
    HTREEITEM Node(int absoluteIndex) const;
    // The absolute index of the selected node, or -1.
    int SelectedNode() const;
    void ExpandAll();
    // Selects "Startup Items" without OnNodeChosen.
    void SelectTopNode();
    // Names on the nodes the lists a policy makes Windows skip.
    void NoteSkippedNodes();

private:
    HWND tvStartupFolders = nullptr;
    HTREEITEM nodes_[NodeCount] = {};
    bool selecting_ = false;
};
