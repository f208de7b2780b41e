// The commands of the menu popMoreTask (TMoreTasksMenu): quick profiles,
// profile files, the XML export and the web links; and the window's keys.

#include "Unit1.h"

#include "DetailPane.h"
#include "EntryList.h"
#include "MoreTasksMenu.h"
#include "PublisherChecks.h"
#include "SidePane.h"
#include "ToolBar.h"
#include "QuickProfiles.h"
#include "WebLinks.h"
#include "optiondlg.h"
#include "core/startupExport.h"
#include "core/startupTasks.h"

#include <string>
#include <vector>

void TfrmMorvane::btnMoreTasksClick() {
    UINT cmd = moreTasks_->Show(Hwnd(), toolBar_->MoreTasksButton().Handle());
    if (cmd)
        HandleCommand(cmd);
}

bool TfrmMorvane::PreTranslateMessage(MSG& msg) {
    if (moreTasks_->TranslateKeys(Hwnd(), msg))
        return true;
    return detailPane_->View().TranslateAccelerator(msg) ||
           sidePane_->View().TranslateAccelerator(msg);
}

// ---------------------------------------------------------------------------
// Profiles

void TfrmMorvane::LoadProfileFile(const std::string& path) {
    // The rows refer to the entries that the load frees: they go first.
    LoadProfile(*startups_, path, [this] {
        publisherChecks_->EntriesGoing();
        entryList_->Clear();
    });
    publisherChecks_->StartSignatureChecks();
}

void TfrmMorvane::LoadQuickProfile(int slot) {
    const HWND list = entryList_->Handle();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    struct TRedraw {
        HWND List;
        ~TRedraw() {
            SendMessageA(List, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(List, nullptr, TRUE);
        }
    } redraw{list};
    LoadProfileFile(QuickProfilePath(slot));
    FillList();
}

void TfrmMorvane::SaveQuickProfile(int slot) {
    startups_->SaveToFile(QuickProfilePath(slot));
    profileSaved_ = true;
}

void TfrmMorvane::loadProfile4Click(int slot) {
    // A consultation is about to write into the rows a load would replace.
    if (!CommandEnabled(static_cast<UINT>(loadProfile1 + slot - 1)))
        return;
    LoadQuickProfile(slot);
}

void TfrmMorvane::saveProfile4Click(int slot) {
    SaveQuickProfile(slot);
}

void TfrmMorvane::loadProfileFromFileClick() {
    if (!CommandEnabled(loadProfileFromFile))
        return;
    std::string path;
    bool chosen = UiSeam().ChooseFile(Hwnd(), moreTasks_->OpenDlg(), path);
    // The list is rebuilt whether or not a file was chosen or could be read.
    struct TRefill {
        TfrmMorvane& Form;
        ~TRefill() { Form.FillList(); }
    } refill{*this};
    if (chosen)
        LoadProfileFile(path);
}

void TfrmMorvane::saveProfiletoFileClick() {
    std::string path;
    if (!UiSeam().ChooseFile(Hwnd(), moreTasks_->SaveDlg(), path))
        return;
    startups_->SaveToFile(path);
    profileSaved_ = true;
}

void TfrmMorvane::ExportXml1Click() {
    std::string path;
    if (!UiSeam().ChooseFile(Hwnd(), moreTasks_->ExportDlg(), path))
        return;
    ExportStartupsXml(startups_->All(), path);
}

// ---------------------------------------------------------------------------
// Web links

void TfrmMorvane::VisitWebsite1Click() {
    UiSeam().OpenAddress(SiteAddress(""));
}

void TfrmMorvane::VisitOnline1Click() {
    UiSeam().OpenAddress(SiteAddress(OnlinePath));
}

void TfrmMorvane::Contributeinformation2Click() {
    UiSeam().OpenAddress(SiteAddress(ContributePath));
}

// Commands of popMoreTask and of the window's keys; false for other ids.
bool TfrmMorvane::HandleMoreTaskCommand(UINT id) {
    if (IsLoadSlot(id)) {
        Guarded([&] { loadProfile4Click(static_cast<int>(id - loadProfile1) + 1); });
        return true;
    }
    if (IsSaveSlot(id)) {
        Guarded([&] { saveProfile4Click(static_cast<int>(id - saveProfile1) + 1); });
        return true;
    }
    switch (id) {
    case loadProfileFromFile:
        Guarded([this] { loadProfileFromFileClick(); });
        return true;
    case saveProfiletoFile:
        Guarded([this] { saveProfiletoFileClick(); });
        return true;
    case ExportXml1:
        Guarded([this] { ExportXml1Click(); });
        return true;
    case Options1:
        Guarded([this] { ShowOptionsDialog(Hwnd()); });
        return true;
    case VisitWebsite1:
        Guarded([this] { VisitWebsite1Click(); });
        return true;
    case VisitOnline1:
        Guarded([this] { VisitOnline1Click(); });
        return true;
    case Contributeinformation2:
        Guarded([this] { Contributeinformation2Click(); });
        return true;
    case Copy1:
        Guarded([this] { detailPane_->Copy1Click(); });
        return true;
    }
    return false;
}
