#include "Lock.h"

#include <windows.h>

#include <sddl.h>

#include "UniqueHandle_win.h"

#include <string>

namespace {

// The user's SID as text; empty when it cannot be had.
std::wstring UserSid() {
    UniqueHandle owner;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, owner.put()))
        return std::wstring();
    HANDLE token = owner.get();
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::wstring text;
    if (size > 0) {
        std::string buffer(size, '\0');
        if (GetTokenInformation(token, TokenUser, &buffer[0], size, &size)) {
            const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
            UniqueLocal<wchar_t> sid;
            if (ConvertSidToStringSidW(user->User.Sid, sid.put()))
                text = sid.get();
        }
    }
    return text;
}

} // namespace

TSystemLock::TSystemLock(std::string lockFile) : lockFile_(std::move(lockFile)) {}

TSystemLock::~TSystemLock() {
    Release();
}

bool TSystemLock::Acquire(int timeoutMs) {
    if (held_)
        return true;
    if (!handle_) {
        // The store and the per-user keys are the user's in every session
        // (fast user switching, remote desktop), so the name is the user's
        // and global; other users keep their own stores and never wait on
        // this one. Where the global namespace is refused, the session's
        // own still keeps two windows of one session apart.
        const std::wstring sid = UserSid();
        const std::wstring name = L"Morvane.Apply." + (sid.empty() ? std::wstring(L"user") : sid);
        handle_ = CreateMutexW(nullptr, FALSE, (L"Global\\" + name).c_str());
        if (!handle_)
            handle_ = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
        if (!handle_)
            return false;
    }
    const DWORD wait = WaitForSingleObject(
        static_cast<HANDLE>(handle_), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    // An abandoned mutex was held by a process that ended without letting go:
    // it is ours now, and what that process left is checked by the reader.
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return held_;
}

void TSystemLock::Release() {
    if (held_)
        ReleaseMutex(static_cast<HANDLE>(handle_));
    held_ = false;
    if (handle_)
        CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}
