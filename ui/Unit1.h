#pragma once
// The main window TfrmMorvane. It holds its parts, each a class of its own:
// the tool bar, the location tree, the entry list, the rating legend, the
// detail and side panes, the More Tasks menu, the Consult command and the
// publisher checks; it owns the entry collection for its whole life. Its
// messages are in Unit1.cpp, Refresh and Apply in MainCommands.cpp, the
// commands on the selected entry in EntryCommands.cpp, the profile commands
// in ProfileCommands.cpp, the layout and the splitters in MainLayout.cpp.

#include "CommandIds.h"
#include "EntryListOwner.h"
#include "Layout.h"
#include "Placement.h"
#include "ScopedWin.h"
#include "ShowOnceDlg.h"
#include "Splitter.h"
#include "UiSeam.h"
#include "Window.h"
#include "core/StartupLocations.h"

#include <functional>
#include <memory>
#include <string>

class TConsultCommand;
class TDetailPane;
class TEntryList;
class TLocationTree;
class TMoreTasksMenu;
class TPublisherChecks;
class TRatingLegend;
class TSidePane;
class TToolBar;

class TBusyAnimation;
class TStartups;
class TWebImage;
class TWebView;

class TfrmMorvane : public TWindow, private TEntryListOwner {
public:
    using enum TCommandId;
    static constexpr int NodeCount = LocationGroupCount;

    TfrmMorvane();
    ~TfrmMorvane();
    TfrmMorvane(const TfrmMorvane&) = delete;
    TfrmMorvane& operator=(const TfrmMorvane&) = delete;

    // Creates the window and its controls, hidden; FormCreate runs inside.
    bool Create();
    // Puts the window where it was last time, shows it, then runs FormShow.
    void Show(int showCommand);
    HWND Handle() const { return Hwnd(); }
    // The program's main window ends the message loop when it goes.
    bool QuitOnDestroy = false;

    // The controls, for what drives the window from outside.
    HWND TreeHandle() const;
    HWND ListHandle() const;
    HWND LegendHandle() const;
    HWND DetailPaneHandle() const;
    HWND SidePaneHandle() const;
    HWND AdsTextHandle() const;
    TWebImage& RefreshButton();
    TWebImage& MoreTasksButton();
    const TBusyAnimation& Busy() const;
    HMENU ListMenu() const;
    HMENU DetailMenu() const;
    HMENU MoreTasksMenu() const;
    HIMAGELIST PictureList() const { return ImageList1.Get(); }
    TWebView& DetailView();
    TWebView& SideView();
    // The pane widths and heights the splitters set.
    const TSplitter& LeftSplitter() const { return leftSplitter_; }
    const TSplitter& DetailSplitter() const { return detailSplitter_; }

    // The folder of the page template, and of the detail page when it can be
    // written there; the program's folder unless a test says otherwise.
    std::string ProgramFolder;
    // Where the last detail page was written.
    std::string DetailPagePath;

    // The Consult command, its state and the time of its last exchange.
    TConsultCommand& ConsultCommand() { return *consult_; }
    // Whether a command may run now. The one place that decides: while a
    // consultation waits, the commands that would rebuild or reorder the
    // rows it is about to update are refused (without a word), and so is a
    // second Consult.
    bool CommandEnabled(UINT command) const override;

    TStartups* Startups() const { return startups_.get(); }
    TEntryList& EntryList() { return *entryList_; }
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

    // Location tree and list.
    void tvStartupFoldersClick();
    // The entry list's rows for the selected node.
    void FillList();
    void Remove1Click();
    // Selects and shows the first row of the entry with this title (Morvane
    // started at an entry, from the watcher's Details); false when none.
    bool SelectEntryTitled(const std::string& title);
    void RestoreDefault1Click(bool undo);

    // Detail pane and side pane.
    void lvStartupListClick();
    // Loads the page of tmpAds into EmbeddedWB1 (when a consultation starts).
    void ShowAdsPage();

    // Profile commands and web links (menu popMoreTask).
    void loadProfile4Click(int slot);
    void saveProfile4Click(int slot);
    void LoadQuickProfile(int slot);
    void SaveQuickProfile(int slot);
    void loadProfileFromFileClick();
    void saveProfiletoFileClick();
    void ExportXml1Click();
    void VisitWebsite1Click();
    void VisitOnline1Click();
    void Contributeinformation2Click();
    // The window's keys before the message loop dispatches a message:
    // Ctrl+O and Ctrl+S, and the HTML views' own keys. True when taken.
    bool PreTranslateMessage(MSG& msg);

    // The tree's nodes by absolute index (0 "Startup Items" to 12), and the
    // absolute index of the selected node, or -1.
    HTREEITEM Node(int absoluteIndex) const;
    int SelectedNode() const;

    // The signature checks of the entries' program files, and what tests and
    // benchmarks set on them.
    TPublisherChecks& PublisherChecks() { return *publisherChecks_; }

    // The application's general error handler for one command.
    template <class F> void Guarded(F&& command);

private:
    // The window (Unit1.cpp): its procedure, one handler per message.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
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
    void HandleCommand(UINT id);

    void FormDpiChanged(int dpi, const RECT& suggested);
    // The messages before Refresh and Apply (MainCommands.cpp).
    void ConfigureShowOnceDialogs();

    // What the entry list asks of the window.
    void Guard(const std::function<void()>& handler) override { Guarded(handler); }
    void RowClicked() override { lvStartupListClick(); }
    void ListCommand(UINT command) override { HandleCommand(command); }

    // Layout (MainLayout.cpp).
    void Layout();
    void FormGetMinMaxInfo(MINMAXINFO& info) const;
    void SplitterMouse(UINT msg, LPARAM lp);
    void Paint(HDC dc, const RECT& area);

    // Profile commands (ProfileCommands.cpp).
    bool HandleMoreTaskCommand(UINT id);
    void LoadProfileFile(const std::string& path);

    // Controls.
    std::unique_ptr<TLocationTree> locationTree_;
    std::unique_ptr<TEntryList> entryList_;
    std::unique_ptr<TRatingLegend> legend_;
    std::unique_ptr<TDetailPane> detailPane_;
    std::unique_ptr<TSidePane> sidePane_;
    std::unique_ptr<TToolBar> toolBar_;
    std::unique_ptr<TMoreTasksMenu> moreTasks_;
    std::unique_ptr<TConsultCommand> consult_;
    TShowOnceDlg sodRefreshWarning;
    TShowOnceDlg sodBackupReminder;
    TImageList ImageList1;

    TDpi dpi_;
    std::unique_ptr<TStartups> startups_;
    // The checks write into the entries: they go first.
    std::unique_ptr<TPublisherChecks> publisherChecks_;
    TFont font_;
    TFont boldFont_;
    TBrush silverBrush_;
    TPlacementStore placement_{"Placement"};
    // The left panel's width and the detail pane's height.
    TSplitter leftSplitter_{TSplitter::soVertical, TSplitter::psBefore};
    TSplitter detailSplitter_{TSplitter::soHorizontal, TSplitter::psAfter};
    bool closing_ = false;
    HWND lastFocus_ = nullptr;
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
        ShowError(Hwnd(), e.what());
    }
}
