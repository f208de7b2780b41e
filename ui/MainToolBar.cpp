// The tool bar: its picture buttons and the busy animation, its painted
// background, and the commands Refresh and Apply (Consult in Consult.cpp,
// More Tasks in ProfileMenu.cpp, About in splash.cpp).

#include "Unit1.h"

#include "Pictures.h"
#include "core/startupTasks.h"
#include "core/system/Lock.h"

#include <functional>

namespace {

enum : int {
    idRefresh = 1010,
    idConsult = 1011,
    idApply = 1012,
    idMoreTasks = 1013,
    idAbout = 1014,
};

} // namespace

void TfrmMorvane::CreateToolBar() {
    auto button = [&](TWebImage& b, int id, int x, std::function<void()> click) {
        b.Create(wnd_, id, dpi_.Scale(x), dpi_.Scale(layout::ButtonY), 10, 10);
        b.OnClick = [this, click] { Guarded(click); };
    };
    button(btnRefresh, idRefresh, layout::RefreshX, [this] { btnRefreshClick(); });
    button(btnConsult, idConsult, layout::ConsultX, [this] { btnConsultClick(); });
    button(btnApply, idApply, layout::ApplyX, [this] { btnApplyClick(); });
    button(btnMoreTasks, idMoreTasks, layout::MoreTasksX, [this] { btnMoreTasksClick(); });
    button(btnAbout, idAbout, 0, [this] { btnAboutClick(); });
    CreatePictures();
    aniBusy.Create(wnd_, 0, dpi_.Scale(layout::BusyY),
                   LoadBusyFrames(dpi_, GetSysColor(COLOR_BTNHIGHLIGHT)));
}

void TfrmMorvane::CreatePictures() {
    COLORREF toolbar = GetSysColor(COLOR_BTNHIGHLIGHT);
    banner_ = MakeBanner(dpi_, toolbar);
    rule_ = MakeRule(dpi_);
    separator_ = MakeSeparator(dpi_, toolbar);
    struct TButtonDef {
        TWebImage* Button;
        TButtonPicture Picture;
        const char* Caption;
        int Width;
    };
    const TButtonDef defs[] = {
        {&btnRefresh, bpRefresh, "Refresh",
         layout::ConsultX - layout::RefreshX - layout::SeparatorWidth},
        {&btnConsult, bpConsult, "Consult",
         layout::ApplyX - layout::ConsultX - layout::SeparatorWidth},
        {&btnApply, bpApply, "Apply", layout::MoreTasksX - layout::ApplyX - layout::SeparatorWidth},
        {&btnMoreTasks, bpMoreTasks, "More Tasks", layout::MoreTasksWidth},
        {&btnAbout, bpAbout, "About", layout::AboutWidth},
    };
    for (const auto& d : defs) {
        SIZE size{dpi_.Scale(d.Width), dpi_.Scale(layout::ButtonHeight)};
        TButtonPictures pics = MakeButtonPictures(d.Picture, d.Caption, size, dpi_, toolbar);
        d.Button->Image = std::move(pics.Normal);
        d.Button->OverImage = std::move(pics.Over);
        d.Button->DownImage = std::move(pics.Down);
        d.Button->DisableImage = std::move(pics.Disabled);
        d.Button->PicturesChanged();
    }
}

void TfrmMorvane::ConfigureShowOnceDialogs() {
    TIcon warning = LoadWarningIcon(dpi_.Scale(layout::WarningIconSize));
    struct TDef {
        TShowOnceDlg* Dialog;
        const char* Name;
        const char* Message;
        const char* Key;
    };
    const TDef defs[] = {
        {&sodRefreshWarning, "sodRefreshWarning",
         "You have enabled/disabled or removed some programs in Morvane but the has not been "
         "applied to the system and taken effects. By click Refresh button you will lose all "
         "changes, and systems current setting will be loaded.",
         "RefreshWarning"},
        {&sodBackupReminder, "sodBackupReminder",
         "Do not forget to backup your current system setting, in case of any unexpected "
         "problem, you can always restore your system to normal.",
         "BackupReminder"},
    };
    for (const auto& d : defs) {
        d.Dialog->Name = d.Name;
        d.Dialog->Owner = wnd_;
        d.Dialog->Message = d.Message;
        d.Dialog->Title = "Warning";
        d.Dialog->ShowOnceMessage = "Do not show this message again";
        d.Dialog->RegPath = "Software\\Morvane\\ShowOnceMessage";
        d.Dialog->RegKeyname = d.Key;
        d.Dialog->SetGraphic(warning.Get());
    }
}

void TfrmMorvane::PaintToolBar(HDC dc, int width) {
    RECT toolbar{0, 0, width, dpi_.Scale(layout::ToolBarHeight)};
    FillRect(dc, &toolbar, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    auto blit = [&](HBITMAP pic, int x, int y) {
        SIZE s = BitmapSize(pic);
        TMemDc src(CreateCompatibleDC(dc));
        TSelect sel(src.Get(), pic);
        BitBlt(dc, x, y, s.cx, s.cy, src.Get(), 0, 0, SRCCOPY);
    };
    blit(banner_.Get(), dpi_.Scale(layout::BannerX), dpi_.Scale(layout::BannerY));
    {
        SIZE s = BitmapSize(rule_.Get());
        TMemDc src(CreateCompatibleDC(dc));
        TSelect sel(src.Get(), rule_.Get());
        StretchBlt(dc, 0, dpi_.Scale(layout::RuleY), width, s.cy, src.Get(), 0, 0, s.cx, s.cy,
                   SRCCOPY);
    }
    for (int x : {layout::ConsultX, layout::ApplyX, layout::MoreTasksX})
        blit(separator_.Get(), dpi_.Scale(x - layout::SeparatorWidth), dpi_.Scale(layout::ButtonY));
}

// ---------------------------------------------------------------------------
// Commands

void TfrmMorvane::btnRefreshClick() {
    if (consulting_)
        return;
    struct TBusy {
        TfrmMorvane& Form;
        HCURSOR Old;
        bool Stopped = false;
        explicit TBusy(TfrmMorvane& f) : Form(f), Old(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {
            Form.aniBusy.Start();
        }
        void Stop() {
            if (!Stopped)
                Form.aniBusy.Stop();
            Stopped = true;
        }
        ~TBusy() {
            Stop();
            SetCursor(Old);
        }
    } busy(*this);

    if (startups_->Modified)
        sodRefreshWarning.Execute(); // its answer does not stop the refresh
    rows_.clear();
    entriesByProgram_.clear();
    ListView_DeleteAllItems(lvStartupList);
    lookups_.Clear();
    TSystemLock lock(SystemLockPath());
    const TRefreshReport report = RefreshStartups(*startups_, lock);
    lock.Release();
    StartSignatureChecks();
    NoteSkippedNodes();
    for (HTREEITEM node : nodes_)
        TreeView_Expand(tvStartupFolders, node, TVE_EXPAND);
    busy.Stop();

    refreshing_ = true;
    TreeView_SelectItem(tvStartupFolders, nodes_[0]);
    refreshing_ = false;
    SetFocus(tvStartupFolders);

    FillList();
    // A scan that stopped, or a store that could not be merged, leaves the
    // list with what was found; the user is told.
    for (const std::string& error : {report.ScanError, report.StoreError})
        if (!error.empty())
            ShowError(wnd_, error);
    // Passed-over values and a damaged store: told once, after the list shows
    // everything else.
    if (!startups_->Notices.empty())
        UiSeam().ShowMessageBox(wnd_, startups_->NoticeText(), ApplicationTitle,
                                MB_OK | MB_ICONWARNING);
}

void TfrmMorvane::btnApplyClick() {
    if (!profileSaved_ && !backupReminded_) {
        backupReminded_ = true;
        sodBackupReminder.Execute();
    }
    // One Morvane at a time changes the system (the command-line tool too).
    TSystemLock lock(SystemLockPath());
    TApplyReport report = ApplyStartups(*startups_, lock);
    lock.Release();
    if (report.Ok())
        return;
    std::string text = report.Message();
    if (!report.NeedsElevation) {
        UiSeam().ShowMessageBox(wnd_, text, ApplicationTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    text += "\nChanging these locations needs administrator rights: run Morvane elevated "
            "(as administrator) to apply them.";
    text += "\n\nRestart Morvane as administrator now? The changes above have to be made "
            "once more there.";
    if (UiSeam().ShowMessageBox(wnd_, text, ApplicationTitle, MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The store is written: the new instance finds the entries that were
    // disabled, and this one closes (writing the store once more).
    if (UiSeam().RestartElevated(wnd_))
        PostMessageA(wnd_, WM_CLOSE, 0, 0);
}
