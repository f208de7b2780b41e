#include "Packages.h"

#include "Registry.h"

#include <windows.h>

#include "UniqueHandle_win.h"
#include "WideText_win.h"

#include <cwchar>
#include <string_view>

namespace {

// The subkeys of the repository key, one per package. A key name has at
// most 255 characters.
std::vector<std::string> repositoryNames() {
    std::wstring path;
    UniqueHKey key;
    if (!ToWide(PackageRepositoryKey, path) ||
        RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(FromWide(std::wstring_view(name, length)));
    }
    return names;
}

using GetPackagePathByFullNameFn = LONG(WINAPI*)(PCWSTR, UINT32*, PWSTR);

// Windows 8 added the package functions; Windows 7 and Wine lack them, and
// a package that the system does not know (one only the repository lists)
// fails them. Empty then.
std::string packagePath(const std::string& fullName) {
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

// A value that is missing or of another type reads as empty.
std::string textValue(const TRegKey& key, const char* name) {
    RegValue value;
    if (!key.ReadValue(name, value) || (value.Type != regSz && value.Type != regExpandSz))
        return {};
    return value.Text;
}

} // namespace

std::vector<TPackage> InstalledPackages() {
    std::vector<TPackage> packages;
    for (std::string& fullName : repositoryNames()) {
        TRegKey key;
        if (!key.Open(RegRoot::CurrentUser, std::string(PackageRepositoryKey) + "\\" + fullName,
                      RegAccess::Read))
            continue;
        TPackage package;
        package.FamilyName = PackageFamilyOf(fullName);
        package.DisplayName = textValue(key, "DisplayName");
        package.InstallFolder = packagePath(fullName);
        if (package.InstallFolder.empty())
            package.InstallFolder = textValue(key, "PackageRootFolder");
        package.FullName = std::move(fullName);
        packages.push_back(std::move(package));
    }
    return packages;
}
