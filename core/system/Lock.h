#pragma once
// One Morvane at a time changes the system: the window's apply and store
// writes and the command-line tool's commands take this lock around what
// they read and write. On Windows it is a named mutex of the user (every
// session of the user shares the store); in the portable build, a lock on a
// file beside the store. A process that ends lets go of it, however it ends.

#include <memory>
#include <string>

class TSystemLock {
public:
    // `lockFile` is used by the portable build only.
    explicit TSystemLock(std::string lockFile);
    ~TSystemLock();
    TSystemLock(const TSystemLock&) = delete;
    TSystemLock& operator=(const TSystemLock&) = delete;

    // Waits up to `timeoutMs` milliseconds; false when another process held
    // it all that time or it could not be made.
    bool Acquire(int timeoutMs);
    void Release();
    bool Held() const { return held_; }

private:
    std::string lockFile_;
    void* handle_ = nullptr;
    int fd_ = -1;
    bool held_ = false;
};
