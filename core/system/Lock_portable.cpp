// The lock as an advisory flock on a file beside the store.
// What it cannot model: a lock shared by every session of one user and kept
// apart from other users; here whoever can open the file shares the lock.
#include "Lock.h"

#include "Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

TSystemLock::TSystemLock(std::string lockFile) : lockFile_(std::move(lockFile)) {}

TSystemLock::~TSystemLock() {
    Release();
}

bool TSystemLock::Acquire(int timeoutMs) {
    if (held_)
        return true;
    if (lockFile_.empty())
        return false;
    ForceFolders(FileDir(lockFile_));
    std::string host = lockFile_;
    std::replace(host.begin(), host.end(), '\\', '/');
    fd_ = ::open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return false;
    // flock belongs to the open file, so a second lock of this process waits
    // like another process would, and the system drops it when the process ends.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return true;
        }
        if (std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd_);
    fd_ = -1;
    return false;
}

void TSystemLock::Release() {
    if (fd_ >= 0) {
        if (held_)
            ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    fd_ = -1;
    held_ = false;
}
