#pragma once
// Morvane.exe /watch: no main window, an icon in the notification area and a
// balloon for each change the watcher tells, with the choices at hand on the
// icon's menu. One watcher per user: a second start hands over to the running
// one (which looks again) and ends.

#include "Window.h"
#include "core/startupWatch.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TWatchMode : public TWindow {
public:
    enum : UINT {
        msgIcon = WM_APP + 1,    // the notification area's callback
        msgChanges = WM_APP + 2, // the watching thread has events
        msgLookNow = WM_APP + 3, // a second start handed over
    };
    enum : UINT {
        cmdKeep = 100,
        cmdTurnOff,
        cmdDetails,
        cmdIgnore,
        cmdAllow,
        cmdOpen,
        cmdStop,
    };
    static const wchar_t* const ClassName;

    TWatchMode() = default;
    ~TWatchMode();
    TWatchMode(const TWatchMode&) = delete;
    TWatchMode& operator=(const TWatchMode&) = delete;

    // Creates the hidden window and the icon and starts watching; false when
    // the window could not be made.
    bool Create();
    HWND Handle() const { return Hwnd(); }

    // What the icon's balloon says now, and the event its choices are for.
    const std::wstring& BalloonText() const { return balloon_; }
    const TWatchEvent* Current() const { return current_ ? &*current_ : nullptr; }

    // The icon's menu, shown at the cursor through the seam.
    void iconMenu();
    void command(UINT id);
    // Shows a batch of events as the watching thread found them.
    void showEvents(const std::vector<TWatchEvent>& events, const std::vector<std::string>& notices);

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void addIcon();
    void balloon(const std::string& text, bool warning);
    void watchLoop();
    void stopWatching();

    std::unique_ptr<TChangeWatch> changes_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<TWatchEvent> pending_;
    std::vector<std::string> pendingNotices_;
    // The choices act on the files and the system, not on the watching
    // thread's snapshot: each has its own watcher.
    TStartupWatch choices_;
    std::optional<TWatchEvent> current_;
    std::wstring balloon_;
};

// Morvane.exe /watch. Returns the exit code.
int RunWatchMode();

// Whether the watch mode starts at sign-in (WatcherRunValueName).
bool WatchAtSignIn();
// On: writes the value and starts the watcher; off: removes the value and
// ends the running watcher. False when the value could not be changed.
bool SetWatchAtSignIn(bool on);
