#pragma once
// Waits for the registry keys and folders that hold startup entries to
// change. On Windows one wait covers them all: a registry change notification
// per key, re-armed after each signal, and a change notification per folder.
// The portable build has nothing that tells of a change: its wait only ends
// when it times out or is stopped.

#include "Registry.h"

#include <memory>
#include <string>
#include <vector>

struct TWatchedKey {
    RegRoot Root = RegRoot::CurrentUser;
    std::string Path;
    RegView View = RegView::Default;
    // Its subkeys' changes too (the numbered subkeys of RunOnceEx, Active
    // Setup's components, packaged apps' task states).
    bool Subtree = false;
};

enum class TWake { Changed, TimedOut, Stopped };

class TChangeWatch {
public:
    // A key or folder that does not exist yet is watched through the nearest
    // one above it that does, so that its creation wakes the wait too.
    TChangeWatch(std::vector<TWatchedKey> keys, std::vector<std::string> folders);
    ~TChangeWatch();
    TChangeWatch(const TChangeWatch&) = delete;
    TChangeWatch& operator=(const TChangeWatch&) = delete;

    // Waits up to `timeoutMs` milliseconds (negative: without end) for a
    // change; the notification that woke it is armed again before it
    // returns, so that nothing that changes while the caller reads is missed.
    TWake Wait(int timeoutMs);
    // Ends the current and every later Wait with Stopped; callable from any
    // thread and from a console's interrupt handler.
    void Stop();
    // How many keys and folders are watched (for the tests).
    int Watched() const;

    struct TState;

private:
    std::unique_ptr<TState> state_;
};

// Ctrl+C, Ctrl+Break and closing the console stop this watch instead of
// ending the process, so that the program ends as it would on its own.
void StopOnConsoleInterrupt(TChangeWatch& watch);
