#include "ChangeWatch.h"

#include <windows.h>

#include "Files.h"
#include "UniqueHandle_win.h"
#include "WideText_win.h"

#include <atomic>

namespace {

REGSAM viewFlag(RegView view) {
    return view == RegView::Native ? KEY_WOW64_64KEY : view == RegView::Wow32 ? KEY_WOW64_32KEY : 0;
}

std::string parentKey(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// One key: what is wanted, and the key the notification is asked of (the
// wanted one, or the nearest existing one above it, watched with its tree).
struct TKeyWatch {
    TWatchedKey Wanted;
    UniqueHKey Key;
    UniqueHandle Event{CreateEventW(nullptr, FALSE, FALSE, nullptr)};

    void arm() {
        Key.reset();
        std::string path = Wanted.Path;
        // The registry functions refuse a path that begins with a backslash.
        while (!path.empty() && path[0] == '\\')
            path.erase(0, 1);
        const HKEY hive =
            Wanted.Root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        bool whole = true;
        for (;;) {
            std::wstring wide;
            if (ToWide(path, wide) &&
                RegOpenKeyExW(hive, wide.c_str(), 0, KEY_NOTIFY | viewFlag(Wanted.View),
                              Key.put()) == ERROR_SUCCESS)
                break;
            if (path.empty())
                return;
            path = parentKey(path);
            whole = false;
        }
        if (RegNotifyChangeKeyValue(Key.get(), whole && !Wanted.Subtree ? FALSE : TRUE,
                                    REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                    Event.get(), TRUE) != ERROR_SUCCESS)
            Key.reset();
    }
};

struct TFolderWatch {
    std::string Wanted;
    UniqueChangeNotification Change;
    bool Whole = false;

    void arm() {
        Change.reset();
        std::string folder = Wanted;
        Whole = true;
        while (!folder.empty()) {
            std::wstring wide;
            if (ToWide(folder, wide)) {
                Change.reset(FindFirstChangeNotificationW(wide.c_str(), Whole ? FALSE : TRUE,
                                                          FILE_NOTIFY_CHANGE_FILE_NAME |
                                                              FILE_NOTIFY_CHANGE_DIR_NAME |
                                                              FILE_NOTIFY_CHANGE_LAST_WRITE));
                if (Change.get() != INVALID_HANDLE_VALUE)
                    return;
            }
            const std::string up = FileDir(folder);
            if (up == folder)
                return;
            folder = up;
            Whole = false;
        }
    }
    void rearm() {
        if (!Whole || !FindNextChangeNotification(Change.get()))
            arm();
    }
};

} // namespace

struct TChangeWatch::TState {
    std::vector<TKeyWatch> Keys;
    std::vector<TFolderWatch> Folders;
    UniqueHandle Stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TChangeWatch::TChangeWatch(std::vector<TWatchedKey> keys, std::vector<std::string> folders)
    : state_(std::make_unique<TState>()) {
    state_->Keys.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        state_->Keys[i].Wanted = std::move(keys[i]);
        state_->Keys[i].arm();
    }
    state_->Folders.resize(folders.size());
    for (size_t i = 0; i < folders.size(); ++i) {
        state_->Folders[i].Wanted = std::move(folders[i]);
        state_->Folders[i].arm();
    }
}

TChangeWatch::~TChangeWatch() = default;

TWake TChangeWatch::Wait(int timeoutMs) {
    // Index 0 is the stop event; then the keys, then the folders.
    std::vector<HANDLE> handles{state_->Stop.get()};
    std::vector<int> keyOf{-1}, folderOf{-1};
    for (size_t i = 0; i < state_->Keys.size(); ++i) {
        TKeyWatch& k = state_->Keys[i];
        if (!k.Key)
            k.arm();
        if (k.Key) {
            handles.push_back(k.Event.get());
            keyOf.push_back(static_cast<int>(i));
            folderOf.push_back(-1);
        }
    }
    for (size_t i = 0; i < state_->Folders.size(); ++i) {
        TFolderWatch& f = state_->Folders[i];
        if (f.Change.get() == INVALID_HANDLE_VALUE)
            f.arm();
        if (f.Change.get() != INVALID_HANDLE_VALUE) {
            handles.push_back(f.Change.get());
            keyOf.push_back(-1);
            folderOf.push_back(static_cast<int>(i));
        }
    }
    // One wait takes at most MAXIMUM_WAIT_OBJECTS handles; the locations
    // come nowhere near it.
    const DWORD count = static_cast<DWORD>(std::min<size_t>(handles.size(), MAXIMUM_WAIT_OBJECTS));
    const DWORD rc = WaitForMultipleObjects(
        count, handles.data(), FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (rc == WAIT_TIMEOUT)
        return TWake::TimedOut;
    if (rc < WAIT_OBJECT_0 || rc >= WAIT_OBJECT_0 + count)
        return TWake::Stopped;
    const DWORD at = rc - WAIT_OBJECT_0;
    if (at == 0)
        return TWake::Stopped;
    if (keyOf[at] >= 0)
        state_->Keys[static_cast<size_t>(keyOf[at])].arm();
    else
        state_->Folders[static_cast<size_t>(folderOf[at])].rearm();
    return TWake::Changed;
}

void TChangeWatch::Stop() {
    SetEvent(state_->Stop.get());
}

int TChangeWatch::Watched() const {
    int n = 0;
    for (const TKeyWatch& k : state_->Keys)
        n += k.Key ? 1 : 0;
    for (const TFolderWatch& f : state_->Folders)
        n += f.Change.get() != INVALID_HANDLE_VALUE ? 1 : 0;
    return n;
}

namespace {

std::atomic<TChangeWatch*> interrupted{nullptr};

BOOL WINAPI onConsoleInterrupt(DWORD) {
    if (TChangeWatch* watch = interrupted.load()) {
        watch->Stop();
        // The handler runs on a thread of its own; the process ends with its
        // main thread once it returns from its wait (for a closed console,
        // Windows gives it a few seconds).
        return TRUE;
    }
    return FALSE;
}

} // namespace

void StopOnConsoleInterrupt(TChangeWatch& watch) {
    interrupted = &watch;
    SetConsoleCtrlHandler(onConsoleInterrupt, TRUE);
}
