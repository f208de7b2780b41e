#include "WatchMode.h"

#include "Resources.h"
#include "UiSeam.h"

#include "core/system/Errors.h"
#include "core/system/Files.h"
#include "core/system/ProgramArguments.h"
#include "core/system/WideText_win.h"

#include <shellapi.h>

namespace {

const UINT kIconId = 1;
const wchar_t* const kMutexName = L"Local\\Morvane.Watch";

// Starts Morvane.exe of this folder with the arguments.
void StartMorvane(const std::wstring& arguments) {
    std::wstring program;
    if (!ToWide(PathJoin(AppFolder(), "Morvane.exe"), program))
        return;
    ShellExecuteW(nullptr, L"open", program.c_str(),
                  arguments.empty() ? nullptr : arguments.c_str(), nullptr, SW_SHOWNORMAL);
}

// One argument as the C runtime splits a command line: in quotes, with a
// quote and the backslashes before it escaped.
std::wstring QuotedArgument(const std::wstring& text) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
        } else {
            if (c == L'"')
                quoted.append(backslashes + 1, L'\\');
            backslashes = 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, L'\\');
    return quoted + L"\"";
}

template <size_t N> void CopyText(wchar_t (&to)[N], const std::string& text) {
    std::wstring wide = DisplayText(text);
    if (wide.size() >= N)
        wide = wide.substr(0, N - 2) + L"\x2026";
    wcsncpy(to, wide.c_str(), N - 1);
    to[N - 1] = L'\0';
}

std::string RunKeyPath() {
    std::string path = LocationKey(slCURun);
    // The settings functions take the path from the hive's root.
    if (!path.empty() && path[0] == '\\')
        path.erase(0, 1);
    return path;
}

} // namespace

const wchar_t* const TWatchMode::ClassName = L"MorvaneWatch";

TWatchMode::~TWatchMode() {
    stopWatching();
    if (Hwnd())
        DestroyWindow(Hwnd());
}

bool TWatchMode::Create() {
    TWindowClass watchClass{"MorvaneWatch"};
    watchClass.Wide = true;
    if (!TWindow::Create(watchClass, 0, "Morvane", WS_OVERLAPPED, RECT{}, nullptr))
        return false;
    addIcon();
    changes_ = std::make_unique<TChangeWatch>(WatchedKeys(), WatchedFolders());
    thread_ = std::thread([this] { watchLoop(); });
    return true;
}

void TWatchMode::addIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = Hwnd();
    data.uID = kIconId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = msgIcon;
    data.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MORVANE));
    CopyText(data.szTip, "Morvane is watching the programs that start with Windows");
    UiSeam().NotifyIcon(NIM_ADD, data);
}

void TWatchMode::balloon(const std::string& text, bool warning) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = Hwnd();
    data.uID = kIconId;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
    CopyText(data.szInfoTitle, ApplicationTitle);
    CopyText(data.szInfo, text);
    balloon_ = data.szInfo;
    UiSeam().NotifyIcon(NIM_MODIFY, data);
}

// The watching thread: one look at its start (what changed while no
// watcher ran), then one after each burst of changes. Nothing wakes it
// between changes; the minute only arms again what was missing.
void TWatchMode::watchLoop() {
    TStartupWatch watch;
    for (bool first = true;; first = false) {
        if (!first) {
            const TWake wake = WaitForChanges(*changes_, 60000);
            if (wake == TWake::Stopped)
                return;
            if (wake == TWake::TimedOut)
                continue;
        }
        std::vector<TWatchEvent> events;
        std::vector<std::string> notices;
        try {
            events = watch.Look();
        } catch (const EMorvaneError& e) {
            notices.push_back(e.what());
        }
        notices.insert(notices.end(), watch.Notices.begin(), watch.Notices.end());
        if (events.empty() && notices.empty())
            continue;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            pending_.insert(pending_.end(), events.begin(), events.end());
            pendingNotices_.insert(pendingNotices_.end(), notices.begin(), notices.end());
        }
        PostMessageW(Hwnd(), msgChanges, 0, 0);
    }
}

void TWatchMode::stopWatching() {
    if (changes_)
        changes_->Stop();
    if (thread_.joinable())
        thread_.join();
}

void TWatchMode::showEvents(const std::vector<TWatchEvent>& events,
                            const std::vector<std::string>& notices) {
    std::string text;
    bool warning = false;
    for (const TWatchEvent& e : events) {
        // A removal is no news the user needs: nothing starts that did not.
        if (e.Change == TWatchChange::Removed)
            continue;
        text += (text.empty() ? "" : "\n") + e.Text();
        warning = warning || e.Change == TWatchChange::KeepOffFailed;
        current_ = e;
    }
    for (const std::string& notice : notices) {
        text += (text.empty() ? "" : "\n") + notice;
        warning = true;
    }
    if (!text.empty())
        balloon(text, warning);
}

void TWatchMode::iconMenu() {
    HMENU menu = CreatePopupMenu();
    if (current_) {
        const bool keptOff = current_->Change == TWatchChange::KeptOff ||
                             current_->Change == TWatchChange::KeepOffFailed;
        const std::string title =
            current_->Item.Title.empty() ? current_->Item.Name : current_->Item.Title;
        AppendMenuW(menu, MF_STRING | MF_DISABLED, 0, DisplayText(title).c_str());
        if (keptOff) {
            AppendMenuW(menu, MF_STRING, cmdAllow, L"Allow it");
        } else {
            AppendMenuW(menu, MF_STRING, cmdKeep, L"Keep");
            AppendMenuW(menu, MF_STRING, cmdTurnOff, L"Turn off");
            AppendMenuW(menu, MF_STRING, cmdIgnore, L"Ignore changes to this entry");
        }
        AppendMenuW(menu, MF_STRING, cmdDetails, L"Details");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    AppendMenuW(menu, MF_STRING, cmdOpen, L"Open Morvane");
    AppendMenuW(menu, MF_STRING, cmdStop, L"Stop watching");
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is
    // the foreground window.
    SetForegroundWindow(Hwnd());
    const UINT chosen = UiSeam().PopupMenu(menu, Hwnd(), at);
    DestroyMenu(menu);
    if (chosen)
        command(chosen);
}

void TWatchMode::command(UINT id) {
    try {
        switch (id) {
        case cmdKeep:
            current_.reset();
            break;
        case cmdTurnOff:
            if (current_) {
                const std::string failed = choices_.TurnOff(current_->Item);
                if (!failed.empty())
                    ShowError(Hwnd(), failed);
                current_.reset();
            }
            break;
        case cmdIgnore:
            if (current_)
                choices_.Ignore(current_->Item);
            current_.reset();
            break;
        case cmdAllow:
            if (current_)
                choices_.Allow(current_->Item);
            current_.reset();
            break;
        case cmdDetails:
            if (current_) {
                std::wstring title;
                if (ToWide(current_->Item.Title, title))
                    StartMorvane(L"/select " + QuotedArgument(title));
                break;
            }
            StartMorvane(std::wstring());
            break;
        case cmdOpen:
            StartMorvane(std::wstring());
            break;
        case cmdStop:
            DestroyWindow(Hwnd());
            break;
        }
    } catch (const std::exception& e) {
        ShowError(Hwnd(), e.what());
    }
}

LRESULT TWatchMode::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case msgIcon:
        switch (LOWORD(lp)) {
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
        case NIN_BALLOONUSERCLICK:
            iconMenu();
            return 0;
        case WM_LBUTTONDBLCLK:
            StartMorvane(std::wstring());
            return 0;
        }
        return 0;
    case msgChanges: {
        std::vector<TWatchEvent> events;
        std::vector<std::string> notices;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            events.swap(pending_);
            notices.swap(pendingNotices_);
        }
        showEvents(events, notices);
        return 0;
    }
    case msgLookNow:
        balloon("Morvane is already watching the programs that start with Windows.", false);
        return 0;
    case WM_DESTROY: {
        stopWatching();
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = Hwnd();
        data.uID = kIconId;
        UiSeam().NotifyIcon(NIM_DELETE, data);
        PostQuitMessage(0);
        return 0;
    }
    }
    return Default(msg, wp, lp);
}

int RunWatchMode() {
    // One watcher per user and session: a second one hands over and ends.
    HANDLE single = CreateMutexW(nullptr, FALSE, kMutexName);
    if (single && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = FindWindowW(TWatchMode::ClassName, nullptr))
            PostMessageW(running, TWatchMode::msgLookNow, 0, 0);
        CloseHandle(single);
        return 0;
    }
    int exitCode = 0;
    {
        TWatchMode mode;
        if (!mode.Create()) {
            exitCode = 1;
        } else {
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    if (single)
        CloseHandle(single);
    return exitCode;
}

bool WatchAtSignIn() {
    std::string value;
    return ReadUserText(RunKeyPath(), WatcherRunValueName, value) && !value.empty();
}

bool SetWatchAtSignIn(bool on) {
    if (on) {
        const std::string command = "\"" + PathJoin(AppFolder(), "Morvane.exe") + "\" /watch";
        if (!WriteUserText(RunKeyPath(), WatcherRunValueName, command))
            return false;
        StartMorvane(L"/watch");
        return true;
    }
    TRegKey key;
    const bool removed =
        !WatchAtSignIn() || (key.Open(RegRoot::CurrentUser, LocationKey(slCURun)) &&
                             key.DeleteValue(WatcherRunValueName));
    if (HWND running = FindWindowW(TWatchMode::ClassName, nullptr))
        PostMessageW(running, WM_CLOSE, 0, 0);
    return removed;
}
