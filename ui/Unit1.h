#pragma once
// The main window TfrmMorvane: tool bar, location tree, entry list, rating
// legend and the areas of the detail and side panes. It owns the entry
// collection for its whole life. One class, implemented by behaviour: the
// window's messages in Unit1.cpp, the tool bar in MainToolBar.cpp, the tree
// in MainTree.cpp, the list in MainList.cpp (its context menu in
// ListMenu.cpp), the check marks in CheckMarks.cpp, the layout and the
// splitters in MainLayout.cpp.

#include "BusyAnimation.h"
#include "CheckMarks.h"
#include "Layout.h"
#include "ListColumns.h"
#include "ListPaint.h"
#include "Placement.h"
#include "ScopedWin.h"
#include "ShowOnceDlg.h"
#include "Splitter.h"
#include "UiSeam.h"
#include "WebImage.h"
#include "WebView.h"
#include "core/system/FileSignature.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TSignatureCache;
class TSignatureChecks;
class TStartup;
class TStartups;

class TfrmMorvane {
public:
    // Commands of the list's context menu PopupMenu1.
    enum : UINT { Check1 = 2001, Remove1 = 2002, Refresh1 = 2003 };
    // Winlogon's values: "Restore the Windows default", and its undoing.
    enum : UINT { RestoreDefault1 = 2005, UndoDefault1 = 2006 };
    // The detail pane's context menu PopupMenu2.
    enum : UINT { Copy1 = 2004 };
    // Commands of the menu popMoreTask; a quick slot N is loadProfile1 + N - 1
    // or saveProfile1 + N - 1.
    enum : UINT {
        loadProfile1 = 2101,
        loadProfile4 = 2104,
        saveProfile1 = 2111,
        saveProfile4 = 2114,
        loadProfileFromFile = 2121,
        saveProfiletoFile = 2122,
        ExportXml1 = 2131,
        Options1 = 2135,
        VisitWebsite1 = 2141,
        VisitOnline1 = 2142,
        Contributeinformation2 = 2143,
    };
    static constexpr int NodeCount = LocationGroupCount;

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

    // The controls, for what drives the window from outside.
    HWND TreeHandle() const { return tvStartupFolders; }
    HWND ListHandle() const { return lvStartupList; }
    HWND LegendHandle() const { return ListView1; }
    HWND DetailPaneHandle() const { return WebBrowser1; }
    HWND SidePaneHandle() const { return EmbeddedWB1; }
    HWND AdsTextHandle() const { return tmpAds; }
    TWebImage& RefreshButton() { return btnRefresh; }
    TWebImage& MoreTasksButton() { return btnMoreTasks; }
    const TBusyAnimation& Busy() const { return aniBusy; }
    HMENU ListMenu() const { return PopupMenu1.Get(); }
    HMENU DetailMenu() const { return PopupMenu2.Get(); }
    HMENU MoreTasksMenu() const { return popMoreTask.Get(); }
    HIMAGELIST PictureList() const { return ImageList1.Get(); }
    TWebView& DetailView() { return WebBrowser1View; }
    TWebView& SideView() { return EmbeddedWB1View; }
    // The pane widths and heights the splitters set.
    const TSplitter& LeftSplitter() const { return leftSplitter_; }
    const TSplitter& DetailSplitter() const { return detailSplitter_; }

    // The starting folders of the profile dialogs.
    std::string OpenDlgInitialDir;
    std::string SaveDlgInitialDir;

    // The folder of the page template, and of the detail page when it can be
    // written there; the program's folder unless a test says otherwise.
    std::string ProgramFolder;
    // Where the last detail page was written.
    std::string DetailPagePath;

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
    // Selects and shows the first row of the entry with this title (Morvane
    // started at an entry, from the watcher's Details); false when none.
    bool SelectEntryTitled(const std::string& title);
    // Names on the tree's nodes the lists a policy makes Windows skip.
    void NoteSkippedNodes();
    void RestoreDefault1Click(bool undo);

    // Detail pane and side pane.
    void lvStartupListClick();
    void Copy1Click();
    // Loads the page of tmpAds into EmbeddedWB1 (when a consultation starts).
    void ShowAdsPage();

    // Profile commands and web links (menu popMoreTask).
    void popMoreTaskPopup();
    void loadProfile4Click(int slot);
    void saveProfile4Click(int slot);
    void LoadQuickProfile(int slot);
    void SaveQuickProfile(int slot);
    static std::string QuickProfilePath(int slot);
    void loadProfileFromFileClick();
    void saveProfiletoFileClick();
    void ExportXml1Click();
    void VisitWebsite1Click();
    void VisitOnline1Click();
    void Contributeinformation2Click();
    TFileDialogOptions OpenDlg() const;
    TFileDialogOptions SaveDlg() const;
    // The command of a key pressed while popMoreTask is open (F5-F8 save,
    // Shift+F5-F8 load), or 0.
    static UINT popMoreTaskKey(UINT key, bool shift);
    // The window's keys before the message loop dispatches a message:
    // Ctrl+O and Ctrl+S, and the HTML views' own keys. True when taken.
    bool PreTranslateMessage(MSG& msg);

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
    // What painting knows of a row's entry: worked out when a row of its
    // program file is first shown, and kept until the next refresh.
    TRowInfo InfoFor(const TStartup& entry);
    // How many program files were looked up since the last refresh.
    int FileLookups() const { return lookups_.Count(); }

    // The signature checks of the entries' program files (ListSignatures.cpp):
    // asked for by a refresh or a profile load, they begin once the list has
    // painted, run on a thread of their own and fill the Publisher cells as
    // they end.
    void StartSignatureChecks();
    // Takes the checks that ended into their entries and repaints the list.
    void SignaturesReady();
    // Until every check started has ended and its result is in its entry
    // (for tests and benchmarks).
    void WaitForSignatures();
    TSignatureCache* SignatureCache() const { return signatureCache_.get(); }
    // Where the checks are kept between runs; SignatureCachePath() unless a
    // test says otherwise, empty for none.
    std::string SignatureCacheFile;
    // False: no checks at all (a benchmark's reference).
    bool ChecksSignatures = true;
    // What checks one file; CheckFileSignature unless a test says otherwise.
    std::function<TFileSignature(const std::string&, const std::atomic<bool>*)> SignatureChecker;
    // The message that tells the window that checks ended.
    static constexpr UINT WM_SIGNATURESREADY = WM_APP + 23;

    // The application's general error handler for one command.
    template <class F> void Guarded(F&& command);

private:
    // The window (Unit1.cpp): its procedure, one handler per message.
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleNotify(const NMHDR& hdr);
    bool FormMeasureItem(MEASUREITEMSTRUCT& item);
    bool FormDrawItem(const DRAWITEMSTRUCT& item);
    bool FormActivate(WPARAM wp);
    bool FormSetCursor(HWND over, UINT hitTest);
    void FormSysColorChange(WPARAM wp, LPARAM lp);
    void FormCloseQuery();
    LRESULT FormNcDestroy(UINT msg, WPARAM wp, LPARAM lp);
    void CreateControls();
    void CreateFonts();
    void CreatePanes();
    void HandleCommand(UINT id);

    // Tool bar (MainToolBar.cpp).
    void CreateToolBar();
    void CreatePictures();
    void FormDpiChanged(int dpi, const RECT& suggested);
    void ConfigureShowOnceDialogs();
    void PaintToolBar(HDC dc, int width);

    // Location tree (MainTree.cpp).
    void CreateTree();
    LRESULT TreeNotify(const NMHDR& hdr);

    // Rating legend (RatingLegend.cpp).
    void CreateLegend();
    bool LegendColour(HDC dc, HWND control, LRESULT& brush);

    // Entry list (MainList.cpp).
    void CreateList();
    LRESULT ListNotify(const NMHDR& hdr);
    static LRESULT CALLBACK ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
    UINT lvStartupListMeasureItem() const;
    bool lvStartupListNotifyFormat(HWND control, LPARAM query, LRESULT& format) const;
    // The list keeps no rows of its own (a virtual list): it asks for what
    // it shows, and only for the rows it shows.
    void lvStartupListGetDispInfo(LVITEMA& item);
    void lvStartupListGetDispInfo(LVITEMW& item);
    void lvStartupListCacheHint(int from, int to);
    int lvStartupListFindItem(const NMLVFINDITEMA& find) const;
    int lvStartupListFindItem(const NMLVFINDITEMW& find) const;
    int FindRow(const std::wstring& typed, UINT flags, int from) const;
    // Sets the list's count to the rows' (scrolled and repainted as asked).
    void SyncRowCount(bool keepScroll);
    void SizeListColumns();
    int FirstSelectedRow() const;

    // The list's context menu (ListMenu.cpp).
    void CreatePopupMenu();
    void ShowContextMenu(POINT screen);
    // WM_CONTEXTMENU: true when it was the entry list's.
    bool lvStartupListContextMenu(HWND control, LPARAM lp);

    // Check marks (CheckMarks.cpp).
    LRESULT lvStartupListItemChanging(const NMLISTVIEW& change) const;
    void lvStartupListItemChanged(const NMLISTVIEW& change);
    // The list's presses and keys that concern check marks; true when the
    // message was handled, with its result.
    bool CheckMarkInput(HWND list, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Layout (MainLayout.cpp).
    void Layout();
    void FormGetMinMaxInfo(MINMAXINFO& info) const;
    void SplitterMouse(UINT msg, LPARAM lp);
    void Paint(HDC dc, const RECT& area);

    // Profile menu (ProfileMenu.cpp) and the HTML panes (HtmlPanes.cpp).
    bool HandleMoreTaskCommand(UINT id);
    void CreateMoreTaskMenu();
    void CreateHtmlPanes();
    void LoadProfileFile(const std::string& path);
    static LRESULT CALLBACK MenuKeyHook(int code, WPARAM wp, LPARAM lp);

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
    TMenu PopupMenu2;
    TMenu popMoreTask;
    // The HTML views inside the panes WebBrowser1 and EmbeddedWB1.
    TWebView WebBrowser1View;
    TWebView EmbeddedWB1View;
    // Hidden text control whose lines are the side pane's page.
    HWND tmpAds = nullptr;
    TShowOnceDlg sodRefreshWarning;
    TShowOnceDlg sodBackupReminder;
    TImageList ImageList1;

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
    // The rows of the entry list, in list order: the entry each shows and
    // its check mark. The list control holds only their number.
    struct TListRow {
        TStartup* Entry;
        bool Checked;
    };
    std::vector<TListRow> rows_;
    // By program file: what a file-system search found, kept until the next
    // refresh so that painting and refilling never search again.
    TFileLookups lookups_;
    TPlacementStore placement_{"Placement"};
    TPlacementStore formStorage_{"Forms"};
    // The left panel's width and the detail pane's height.
    TSplitter leftSplitter_{TSplitter::soVertical, TSplitter::psBefore};
    TSplitter detailSplitter_{TSplitter::soHorizontal, TSplitter::psAfter};
    TCheckMarkGate checkMarks_;
    bool refreshing_ = false;
    // The checks of the program files and their cache; the entries of each
    // program file as the checks name it (its FilePath).
    std::unique_ptr<TSignatureCache> signatureCache_;
    std::unique_ptr<TSignatureChecks> signatureChecks_;
    std::unordered_multimap<std::string, TStartup*> entriesByProgram_;
    void StopSignatureChecks();
    void BeginSignatureChecks();
    bool SignatureTimerFired(UINT_PTR timer);
    bool signaturesPending_ = false;
    // The column widths, read once for each paint of the list.
    int columnWidths_[ListColumnCount] = {};
    bool columnWidthsValid_ = false;
    bool closing_ = false;
    bool consulting_ = false;
    bool closeAfterConsult_ = false;
    HWND lastFocus_ = nullptr;
    TAccel accel_;
    // The command chosen by a key while popMoreTask was open.
    UINT menuKey_ = 0;
    // The backup reminder comes before the first Apply of a run in which no
    // profile was saved.
    bool profileSaved_ = false;
    bool backupReminded_ = false;
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
