#include "Errors.h"

#include <windows.h>

std::string SystemErrorText(int code) {
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == '.' || s.back() == ' '))
        s.pop_back();
    if (s.empty())
        s = "error " + std::to_string(code);
    return s;
}

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

void SetLastSystemError(int code) {
    SetLastError(static_cast<DWORD>(code));
}
