#include "Packages.h"

#include <windows.h>

#include "WideText_win.h"

#include <cwchar>
#include <string_view>

namespace {

using GetPackagePathByFullNameFn = LONG(WINAPI*)(PCWSTR, UINT32*, PWSTR);

} // namespace

// Windows 8 added the package functions; Windows 7 and Wine lack them, and
// a package that the system does not know (one only the repository lists)
// fails them. Empty then.
std::string SystemPackagePath(const std::string& fullName) {
    static const auto get = [] {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        FARPROC proc = kernel ? GetProcAddress(kernel, "GetPackagePathByFullName") : nullptr;
        return reinterpret_cast<GetPackagePathByFullNameFn>(reinterpret_cast<void (*)()>(proc));
    }();
    std::wstring wide;
    if (!get || !ToWide(fullName, wide))
        return {};
    UINT32 length = 0;
    if (get(wide.c_str(), &length, nullptr) != ERROR_INSUFFICIENT_BUFFER || length == 0)
        return {};
    std::wstring path(length, L'\0');
    if (get(wide.c_str(), &length, path.data()) != ERROR_SUCCESS)
        return {};
    path.resize(wcsnlen(path.c_str(), path.size()));
    return FromWide(path);
}
