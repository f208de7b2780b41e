#pragma once
// The main window TfrmMorvane: tool bar, location tree, entry list, rating
// legend and the areas of the detail and side panes. It owns the entry
// collection for its whole life.

#include "BusyAnimation.h"
#include "Layout.h"
#include "ListPaint.h"
#include "Placement.h"
#include "ScopedWin.h"
#include "ShowOnceDlg.h"
#include "UiSeam.h"
#include "WebImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

class TStartup;
class TStartups;

class TfrmMorvane {
public:
    // Commands of the list's context menu PopupMenu1.
    enum : UINT { Check1 = 2001, Remove1 = 2002, Refresh1 = 2003 };
    static constexpr int NodeCount = 13;

    TfrmMorvane();
    ~TfrmMorvane();
    TfrmMorvane(const TfrmMorvane&) = delete;
    TfrmMorvane& operator=(const TfrmMorvane&) = delete;

    // Creates the window and its controls, hidden; FormCreate runs inside.
    bool Create();
    // Puts the window where it was last time, shows it, then runs FormShow.
    void Show(int showCommand);
    HWND Handle() const { return wnd_; }
    // The program's main window ends the message loop when it goes.
    bool QuitOnDestroy = false;

    // Controls.
    HWND tvStartupFolders = nullptr;
    HWND lvStartupList = nullptr;
    HWND Panel4 = nullptr; // the "Rating Legend" label; the legend list lies under it
    HWND ListView1 = nullptr;
    HWND WebBrowser1 = nullptr;
    HWND EmbeddedWB1 = nullptr;
    TWebImage btnRefresh;
    TWebImage btnConsult;
    TWebImage btnApply;
    TWebImage btnMoreTasks;
    TWebImage btnAbout;
    TBusyAnimation aniBusy;
    TMenu PopupMenu1;
    TShowOnceDlg sodRefreshWarning;
    TShowOnceDlg sodBackupReminder;
    TImageList ImageList1;

    // The starting folders of the profile dialogs.
    std::string OpenDlgInitialDir;
    std::string SaveDlgInitialDir;

    // The tick count of the last successful consultation; HasConsulted is
    // false until one succeeded in this run.
    uint32_t LastConsultTick = 0;
    bool HasConsulted = false;
    // True while a consultation waits on the server: commands that would
    // rebuild or reorder the rows it is about to update are refused.
    bool Consulting() const { return consulting_; }

    TStartups* Startups() const { return startups_.get(); }
    const TDpi& Dpi() const { return dpi_; }

    // Life cycle.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();

    // Tool bar.
    void btnRefreshClick();
    void btnConsultClick();
    void btnApplyClick();
    void btnMoreTasksClick();
    void btnAboutClick();
    // The exchange of the Consult command; raises on every failure.
    void ConsultServer();
    // Loads the advertisement page of tmpAds into the right-hand pane.
    void ShowAdsPage();

    // Location tree and list.
    void tvStartupFoldersClick();
    void FillList();
    void AddListRow(TStartup* entry);
    void lvStartupListDrawItem(const DRAWITEMSTRUCT& item);
    void lvStartupListColumnClick(int column);
    static int lvStartupListCompare(const TStartup* row1, const TStartup* row2, int column);
    void lvStartupListChange(int row);
    void lvStartupListMouseDown(int button, WPARAM keys, int x, int y);
    void lvStartupListDblClick();
    void Check1Click();
    void Remove1Click();

    // The tree's nodes by absolute index (0 "Startup Items" to 12).
    HTREEITEM Node(int absoluteIndex) const;
    // The absolute index of the selected node, or -1.
    int SelectedNode() const;

    // The rows of the entry list.
    int RowCount() const;
    TStartup* RowEntry(int row) const;
    bool RowChecked(int row) const;
    // Sets a row's check mark the way the program does it.
    void SetRowChecked(int row, bool checked);
    void ToggleRow(int row);
    // What painting knows of a row's entry, worked out when it was added.
    TRowInfo InfoFor(const TStartup& entry);

    // The application's general error handler for one command.
    template <class F> void Guarded(F&& command);

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleNotify(const NMHDR& hdr);
    void HandleCommand(UINT id);
    void CreateControls();
    void CreatePictures();
    void CreateTree();
    void CreateList();
    void CreateLegend();
    void CreatePopupMenu();
    void ConfigureShowOnceDialogs();
    void Layout();
    void SizeListColumns();
    void Paint(HDC dc, const RECT& area);
    void ShowContextMenu(POINT screen);
    int FirstSelectedRow() const;
    RECT LeftSplitterRect() const;
    RECT DetailSplitterRect() const;

    HWND wnd_ = nullptr;
    TDpi dpi_;
    std::unique_ptr<TStartups> startups_;
    HTREEITEM nodes_[NodeCount] = {};
    TFont font_;
    TFont boldFont_;
    TBrush silverBrush_;
    TBitmap banner_;
    TBitmap rule_;
    TBitmap separator_;
    TListPainter painter_;
    // By program file: what a file-system search found, kept until the next
    // refresh so that painting and refilling never search again.
    std::unordered_map<std::string, TRowInfo> pathInfo_;
    TPlacementStore placement_{"Placement"};
    TPlacementStore formStorage_{"Forms"};
    int leftWidth_ = 0;
    int detailHeight_ = 0;
    int dragging_ = 0;  // 1: left splitter, 2: detail splitter
    int listInput_ = 0; // inside the list's own handling of a press or key
    int ownCheck_ = 0;  // inside a check mark change made by this window
    bool refreshing_ = false;
    // The column widths, read once for each paint of the list.
    int columnWidths_[5] = {};
    bool columnWidthsValid_ = false;
    bool closing_ = false;
    bool consulting_ = false;
    bool closeAfterConsult_ = false;
    HWND lastFocus_ = nullptr;
};

extern TfrmMorvane* frmMorvane;

// Registers the common controls the window uses; call once at start.
void InitMorvaneControls();

template <class F> void TfrmMorvane::Guarded(F&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(wnd_, e.what());
    }
}
