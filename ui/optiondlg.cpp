#include "optiondlg.h"

#include "UiSeam.h"
#include "WatchMode.h"
#include "core/system/AsciiCase.h"
#include "online/Consult.h"

#include <commctrl.h>

namespace {

const char* const OptionsClass = "TfrmOptions";
const char* const BuiltInName = "Morvane's own list";
const char* const OwnName = "Your server";

void SetText(HWND wnd, const std::string& text) {
    SetWindowTextA(wnd, text.c_str());
}

std::string GetText(HWND wnd) {
    int n = GetWindowTextLengthA(wnd);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(wnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

bool Checked(HWND box) {
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND box, bool on) {
    SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace

TfrmOptions::TfrmOptions(HWND owner) : owner_(owner), dpi_(WindowDpi(owner)) {}

LRESULT TfrmOptions::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case idAddServer:
            btnAddServerClick();
            return 0;
        case idRemoveServer:
            btnRemoveServerClick();
            return 0;
        case idAuto:
            btnAutoClick();
            return 0;
        case idSystemProxy:
        case idEnableProxy:
            if (HIWORD(wp) == BN_CLICKED) {
                // The two ways of using a proxy exclude each other.
                if (Checked(reinterpret_cast<HWND>(lp)))
                    SetChecked(Control(LOWORD(wp) == idSystemProxy ? idEnableProxy : idSystemProxy),
                               false);
                ProxyControlsChanged();
            }
            return 0;
        case IDOK:
            btnOkClick();
            return 0;
        case IDCANCEL:
            modalResult_ = IDCANCEL;
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->idFrom == idServers && hdr->code == LVN_ITEMCHANGED && ownCheck_ == 0) {
            const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lp);
            bool nowChecked = ((nm->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
            bool wasChecked = ((nm->uOldState & LVIS_STATEIMAGEMASK) >> 12) == 2;
            if ((nm->uChanged & LVIF_STATE) && nowChecked && !wasChecked)
                CheckServer(nm->iItem);
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == 1) {
            SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 128, 0));
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_CLOSE:
        modalResult_ = IDCANCEL;
        return 0;
    }
    return Default(msg, wp, lp);
}

void TfrmOptions::CreateControls() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    auto make = [&](DWORD ex, const char* cls, const char* text, DWORD style, int x, int y, int w,
                    int h, int id) {
        HWND c = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, dpi_.Scale(x),
                                 dpi_.Scale(y), dpi_.Scale(w), dpi_.Scale(h), Hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return c;
    };
    HWND pages = make(0, WC_TABCONTROLA, "", WS_CLIPSIBLINGS, 8, 8, 392, 290, idPages);
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>("&Connections");
    SendMessageA(pages, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tab));

    make(0, "STATIC", "Morvane Server: ", SS_LEFTNOWORDWRAP, 18, 38, 112, 16, 0);
    HWND hint = make(0, "STATIC", "Please select your favourite server.", SS_LEFTNOWORDWRAP, 132,
                     38, 262, 16, 1);
    SendMessageA(hint, WM_SETFONT, reinterpret_cast<WPARAM>(hintFont_.Get()), FALSE);
    HWND list = make(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 18, 58, 318, 100,
                     idServers);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const struct {
        const char* Caption;
        int Width;
    } columns[] = {{"Server Name", 136}, {"Location", 120}, {"Speed", 54}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<char*>(columns[i].Caption);
        col.cx = dpi_.Scale(columns[i].Width);
        col.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&col));
    }
    make(0, "BUTTON", "&Remove", WS_TABSTOP | BS_PUSHBUTTON, 342, 58, 52, 23, idRemoveServer);
    make(0, "BUTTON", "A&uto", WS_TABSTOP | BS_PUSHBUTTON, 342, 86, 52, 23, idAuto);
    HWND edit = make(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 18, 164, 318, 21,
                     idNewServer);
    SendMessageA(edit, EM_SETLIMITTEXT, 200, 0);
    // The field has no label of its own: it says what it takes while empty.
    SendMessageA(edit, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"Another server: http://host[:port]"));
    make(0, "BUTTON", "&Add", WS_TABSTOP | BS_PUSHBUTTON, 342, 163, 52, 23, idAddServer);

    make(0, "BUTTON", "Use the &system's proxy settings", WS_TABSTOP | BS_AUTOCHECKBOX, 18, 196,
         300, 18, idSystemProxy);
    make(0, "BUTTON", "Enable &Proxy Server", WS_TABSTOP | BS_AUTOCHECKBOX, 18, 216, 300, 18,
         idEnableProxy);
    make(0, "BUTTON", "Proxy settings", BS_GROUPBOX, 18, 238, 376, 52, 0);
    make(0, "STATIC", "Proxy Server Address: ", SS_LEFTNOWORDWRAP, 28, 261, 124, 16, 0);
    HWND address = make(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 154, 258, 136,
                        21, idProxyAddress);
    SendMessageA(address, EM_SETLIMITTEXT, 200, 0);
    make(0, "STATIC", "P&ort: ", SS_LEFTNOWORDWRAP, 296, 261, 30, 16, 0);
    HWND port =
        make(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_NUMBER, 326, 258, 62, 21, idProxyPort);
    SendMessageA(port, EM_SETLIMITTEXT, 5, 0);
    HWND spin = make(0, UPDOWN_CLASSA, "",
                     UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
                     idProxyPortSpin);
    SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(port), 0);
    SendMessageA(spin, UDM_SETRANGE32, 1, 65535);

    make(0, "BUTTON", "Tell me when a program adds itself to start with Windows",
         WS_TABSTOP | BS_AUTOCHECKBOX, 10, 306, 390, 18, idWatch);
    make(0, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 240, 332, 75, 25, IDOK);
    make(0, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 322, 332, 75, 25, IDCANCEL);
}

void TfrmOptions::AddServerRow(const std::string& name, const std::string& address, bool checked) {
    HWND list = Control(idServers);
    THostPort where;
    ParseServerAddress(address, where);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<char*>(name.c_str());
    int row =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    std::string location = address.empty() ? "built in, no server"
                           : where.Empty() ? address
                                           : where.Text();
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(location.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    addresses_.push_back(address);
    ++ownCheck_;
    ListView_SetCheckState(list, static_cast<UINT>(row), checked ? TRUE : FALSE);
    --ownCheck_;
}

void TfrmOptions::Load() {
    TConsultSettings settings = ReadConsultSettings();
    const std::string chosen = settings.Server;
    AddServerRow(BuiltInName, "", chosen.empty());
    std::vector<std::string> own = ReadUserServers();
    bool chosenListed = chosen.empty();
    for (const std::string& s : own) {
        if (s.empty())
            continue;
        chosenListed = chosenListed || s == chosen;
        AddServerRow(OwnName, s, s == chosen);
    }
    if (!chosenListed)
        AddServerRow(OwnName, chosen, true);

    std::string proxy = settings.Proxy;
    std::string lower = asciiLower(proxy);
    SetChecked(Control(idSystemProxy), lower.empty() || lower == "system");
    THostPort manual;
    bool isManual =
        lower != "none" && lower != "system" && !lower.empty() && ParseServerAddress(proxy, manual);
    SetChecked(Control(idEnableProxy), isManual);
    SetText(Control(idProxyAddress), isManual ? manual.Host : "");
    SetText(Control(idProxyPort), isManual ? std::to_string(manual.Port) : "8080");
    ProxyControlsChanged();
    SetChecked(Control(idWatch), WatchAtSignIn());
}

void TfrmOptions::ProxyControlsChanged() {
    bool manual = Checked(Control(idEnableProxy));
    EnableWindow(Control(idProxyAddress), manual);
    EnableWindow(Control(idProxyPort), manual);
    EnableWindow(Control(idProxyPortSpin), manual);
}

std::vector<std::string> TfrmOptions::ServerAddresses() const {
    return addresses_;
}

int TfrmOptions::CheckedServer() const {
    HWND list = Control(idServers);
    int n = ListView_GetItemCount(list);
    for (int i = 0; i < n; ++i)
        if (ListView_GetCheckState(list, static_cast<UINT>(i)))
            return i;
    return -1;
}

void TfrmOptions::CheckServer(int row) {
    // One server at a time: ticking one unticks the others.
    HWND list = Control(idServers);
    int n = ListView_GetItemCount(list);
    ++ownCheck_;
    for (int i = 0; i < n; ++i)
        ListView_SetCheckState(list, static_cast<UINT>(i), i == row ? TRUE : FALSE);
    --ownCheck_;
}

void TfrmOptions::Refuse(const std::string& text) {
    UiSeam().ShowMessageBox(Hwnd(), text, "Options", MB_OK | MB_ICONWARNING);
}

void TfrmOptions::btnAddServerClick() {
    std::string text = GetText(Control(idNewServer));
    THostPort where;
    std::string why;
    if (!ParseServerAddress(text, where, &why)) {
        Refuse("This is not a rating server address (http://host[:port]): " + why);
        return;
    }
    std::string address = "http://" + where.Text();
    for (const std::string& known : addresses_) {
        if (known == address) {
            Refuse("The server " + address + " is already in the list.");
            return;
        }
    }
    AddServerRow(OwnName, address, false);
    CheckServer(static_cast<int>(addresses_.size()) - 1);
    SetText(Control(idNewServer), "");
}

void TfrmOptions::btnRemoveServerClick() {
    HWND list = Control(idServers);
    int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0)
        return;
    if (row == 0) {
        Refuse("The built-in server cannot be removed.");
        return;
    }
    bool wasChecked = ListView_GetCheckState(list, static_cast<UINT>(row)) != 0;
    ListView_DeleteItem(list, row);
    addresses_.erase(addresses_.begin() + row);
    if (wasChecked)
        CheckServer(0);
}

void TfrmOptions::btnAutoClick() {
    CheckServer(0);
}

void TfrmOptions::btnOkClick() {
    TConsultSettings settings;
    int chosen = CheckedServer();
    if (chosen < 0)
        chosen = 0;
    settings.Server = chosen == 0 ? std::string() : addresses_[static_cast<size_t>(chosen)];
    if (Checked(Control(idEnableProxy))) {
        std::string host = GetText(Control(idProxyAddress));
        std::string port = GetText(Control(idProxyPort));
        THostPort proxy;
        std::string choice = host + ":" + port;
        if (!ValidProxyChoice(choice) || !ParseServerAddress(choice, proxy)) {
            Refuse("Give the proxy server's address and a port from 1 to 65535.");
            return;
        }
        settings.Proxy = proxy.Host + ":" + std::to_string(proxy.Port);
    } else {
        settings.Proxy = Checked(Control(idSystemProxy)) ? "system" : "none";
    }
    std::vector<std::string> own(addresses_.begin() + 1, addresses_.end());
    if (!WriteConsultSettings(settings) || !WriteUserServers(own)) {
        Refuse("The settings could not be stored in the registry.");
        return;
    }
    const bool watch = Checked(Control(idWatch));
    if (watch != WatchAtSignIn() && !SetWatchAtSignIn(watch)) {
        Refuse("The watcher's start with Windows could not be changed in the registry.");
        return;
    }
    modalResult_ = IDOK;
}

int TfrmOptions::Execute() {
    const TWindowClass optionsClass{OptionsClass, 0, IDC_ARROW,
                                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)};
    const LOGFONTA font = DialogFont(dpi_);
    font_.Reset(CreateFontIndirectA(&font));
    hintFont_.Reset(CreateFontIndirectA(&font));

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    addresses_.clear();
    modalResult_ = 0;
    if (!Create(optionsClass, exStyle, "Options", style,
                CentredFrame(TCentreOn::WorkArea, owner_, style, exStyle,
                             dpi_.Scale(layout::OptionsWidth), dpi_.Scale(layout::OptionsHeight)),
                owner_))
        return IDCANCEL;
    CreateControls();
    Load();
    return RunModal(modalResult_);
}

int ShowOptionsDialog(HWND owner) {
    TfrmOptions options(owner);
    return options.Execute();
}
