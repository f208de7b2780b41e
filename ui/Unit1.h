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
#include "WebView.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TStartup;
class TStartups;

class TfrmMorvane {
public:
    // Commands of the list's context menu PopupMenu1.
    enum : UINT { Check1 = 2001, Remove1 = 2002, Refresh1 = 2003 };
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

    // The application's general error handler for one command.
    template <class F> void Guarded(F&& command);

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleNotify(const NMHDR& hdr);
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
    void HandleCommand(UINT id);
    bool HandleMoreTaskCommand(UINT id);
    void CreateControls();
    void CreatePictures();
    void CreateTree();
    void CreateList();
    void CreateLegend();
    void CreatePopupMenu();
    void ConfigureShowOnceDialogs();
    void CreateMoreTaskMenu();
    void CreateHtmlPanes();
    void LoadProfileFile(const std::string& path);
    static LRESULT CALLBACK MenuKeyHook(int code, WPARAM wp, LPARAM lp);
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
