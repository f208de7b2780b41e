// The window's commands Refresh, Apply and About, and the two messages that
// may come before them (Consult in ConsultCommand.cpp, More Tasks in
// ProfileCommands.cpp).

#include "Unit1.h"

#include "EntryList.h"
#include "LocationTree.h"
#include "PublisherChecks.h"
#include "ToolBar.h"
#include "splash.h"
#include "core/startupTasks.h"
#include "core/system/Lock.h"

#include "Product.h"

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
        d.Dialog->Owner = Hwnd();
        d.Dialog->Message = d.Message;
        d.Dialog->Title = "Warning";
        d.Dialog->ShowOnceMessage = "Do not show this message again";
        d.Dialog->RegPath = MORVANE_REGISTRY_KEY "\\ShowOnceMessage";
        d.Dialog->RegKeyname = d.Key;
        d.Dialog->SetGraphic(warning.Get());
    }
}

// ---------------------------------------------------------------------------
// Commands

void TfrmMorvane::btnRefreshClick() {
    if (!CommandEnabled(Refresh1))
        return;
    struct TBusy {
        TfrmMorvane& Form;
        HCURSOR Old;
        bool Stopped = false;
        explicit TBusy(TfrmMorvane& f) : Form(f), Old(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {
            Form.toolBar_->Busy().Start();
        }
        void Stop() {
            if (!Stopped)
                Form.toolBar_->Busy().Stop();
            Stopped = true;
        }
        ~TBusy() {
            Stop();
            SetCursor(Old);
        }
    } busy(*this);

    if (startups_->Modified)
        sodRefreshWarning.Execute(); // its answer does not stop the refresh
    entryList_->Clear();
    publisherChecks_->EntriesGoing();
    TSystemLock lock(SystemLockPath());
    const TRefreshReport report = RefreshStartups(*startups_, lock);
    lock.Release();
    publisherChecks_->StartSignatureChecks();
    locationTree_->NoteSkippedNodes();
    locationTree_->ExpandAll();
    busy.Stop();

    locationTree_->SelectTopNode();
    SetFocus(locationTree_->Handle());

    FillList();
    // A scan that stopped, or a store that could not be merged, leaves the
    // list with what was found; the user is told.
    for (const std::string& error : {report.ScanError, report.StoreError})
        if (!error.empty())
            ShowError(Hwnd(), error);
    // Passed-over values and a damaged store: told once, after the list shows
    // everything else.
    if (!startups_->Notices.empty())
        UiSeam().ShowMessageBox(Hwnd(), startups_->NoticeText(), ApplicationTitle,
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
        UiSeam().ShowMessageBox(Hwnd(), text, ApplicationTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    text += "\nChanging these locations needs administrator rights: run Morvane elevated "
            "(as administrator) to apply them.";
    text += "\n\nRestart Morvane as administrator now? The changes above have to be made "
            "once more there.";
    if (UiSeam().ShowMessageBox(Hwnd(), text, ApplicationTitle, MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The store is written: the new instance finds the entries that were
    // disabled, and this one closes (writing the store once more).
    if (UiSeam().RestartElevated(Hwnd()))
        PostMessageA(Hwnd(), WM_CLOSE, 0, 0);
}

void TfrmMorvane::btnAboutClick() {
    TForm2 form(Hwnd(), dpi_);
    form.ShowModal();
}
