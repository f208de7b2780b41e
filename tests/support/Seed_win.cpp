#include "support/Seed.h"

#include "core/system/Files.h"

#include <windows.h>

#include "core/system/UniqueHandle_win.h"
#include "core/system/WideText_win.h"

#include <algorithm>
#include <stdexcept>

namespace seed {

namespace {

HKEY hive(RegRoot root) {
    return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM viewFlag(RegView view) {
    return view == RegView::Native ? KEY_WOW64_64KEY : view == RegView::Wow32 ? KEY_WOW64_32KEY : 0;
}

std::wstring relative(const std::string& path) {
    std::wstring wide;
    if (!ToWide(!path.empty() && path[0] == '\\' ? path.substr(1) : path, wide))
        throw std::runtime_error("not UTF-8: " + path);
    return wide;
}

std::wstring wideName(const std::string& name) {
    std::wstring wide;
    if (!ToWide(name, wide))
        throw std::runtime_error("not UTF-8: " + name);
    return wide;
}

bool isStringType(uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The program's UTF-8 data of the string types as the registry stores it.
std::string storedBytes(uint32_t type, const std::string& data) {
    if (!isStringType(type))
        return data;
    std::wstring wide = wideName(data);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string programBytes(uint32_t type, const std::string& stored) {
    if (!isStringType(type))
        return stored;
    std::wstring wide(stored.size() / 2, L'\0');
    std::copy(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(wide.size() * 2),
              reinterpret_cast<char*>(wide.data()));
    return FromWide(wide);
}

void check(LONG rc, const char* what, const std::string& path) {
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error(std::string(what) + " failed for " + path + ": " +
                                 std::to_string(rc));
}

void createKey(RegRoot root, const std::string& path, RegView view, UniqueHKey& key) {
    check(RegCreateKeyExW(hive(root), relative(path).c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS | viewFlag(view), nullptr, key.put(), nullptr),
          "RegCreateKeyExW", path);
}

} // namespace

void ResetPlatform() {}

void CreateKey(RegRoot root, const std::string& path, RegView view) {
    UniqueHKey key;
    createKey(root, path, view, key);
}

bool KeyExists(RegRoot root, const std::string& path, RegView view) {
    UniqueHKey key;
    return RegOpenKeyExW(hive(root), relative(path).c_str(), 0, KEY_READ | viewFlag(view),
                         key.put()) == ERROR_SUCCESS;
}

void DeleteKeyTree(RegRoot root, const std::string& path, RegView view) {
    {
        UniqueHKey key;
        if (RegOpenKeyExW(hive(root), relative(path).c_str(), 0, KEY_ALL_ACCESS | viewFlag(view),
                          key.put()) != ERROR_SUCCESS)
            return;
        RegDeleteTreeW(key.get(), nullptr);
    }
    RegDeleteKeyExW(hive(root), relative(path).c_str(), viewFlag(view), 0);
}

void SetStored(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
               const std::string& bytes, RegView view) {
    UniqueHKey key;
    createKey(root, path, view, key);
    check(RegSetValueExW(key.get(), wideName(name).c_str(), 0, type,
                         reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size())),
          "RegSetValueExW", path + "\\" + name);
}

bool GetStored(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
               std::string& bytes, RegView view) {
    UniqueHKey key;
    if (RegOpenKeyExW(hive(root), relative(path).c_str(), 0, KEY_QUERY_VALUE | viewFlag(view),
                      key.put()) != ERROR_SUCCESS)
        return false;
    std::wstring wide = wideName(name);
    DWORD kind = 0, size = 0;
    if (RegQueryValueExW(key.get(), wide.c_str(), nullptr, &kind, nullptr, &size) != ERROR_SUCCESS)
        return false;
    bytes.assign(size, '\0');
    if (RegQueryValueExW(key.get(), wide.c_str(), nullptr, &kind,
                         reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    type = kind;
    return true;
}

void SetRaw(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
            const std::string& data, RegView view) {
    SetStored(root, path, name, type, storedBytes(type, data), view);
}

bool GetRaw(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
            std::string& data, RegView view) {
    std::string stored;
    if (!GetStored(root, path, name, type, stored, view))
        return false;
    data = programBytes(type, stored);
    return true;
}

void DeleteRaw(RegRoot root, const std::string& path, const std::string& name, RegView view) {
    UniqueHKey key;
    if (RegOpenKeyExW(hive(root), relative(path).c_str(), 0, KEY_SET_VALUE | viewFlag(view),
                      key.put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), wideName(name).c_str());
}

bool MakeReadOnly(RegRoot, const std::string&, RegView) {
    return false;
}

bool MakeUnreadable(RegRoot, const std::string&, const std::string&, RegView) {
    return false;
}

bool UseTwoViews() {
    return HasTwoRegistryViews();
}

RegView DefaultView() {
    return sizeof(void*) == 8 ? RegView::Native : RegView::Wow32;
}

bool SetShellFolder(int, const std::string&) {
    return false;
}

bool SetShellRoot(const std::string&) {
    return false;
}

std::string UniqueName(const std::string& stem) {
    static int counter = 0;
    return stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

ScratchKey::ScratchKey(RegRoot root, RegView view)
    : root_(root), view_(view), path_("Software\\" + UniqueName("MorvaneTest")) {
    CreateKey(root_, path_, view_);
}

ScratchKey::~ScratchKey() {
    DeleteKeyTree(root_, path_, view_);
}

ScratchFolder::ScratchFolder()
    : path_(TempFolder() + UniqueName("morvane-test")), previous_(CurrentFolder()) {
    if (!ForceFolders(path_))
        throw std::runtime_error("cannot create " + path_);
}

namespace {

// Removes a folder and its content through "\\?\" names, so that names the
// Windows path rules would change (a trailing dot) go too.
void removeTree(const std::string& folder) {
    const std::wstring literal = L"\\\\?\\" + wideName(folder);
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW((literal + L"\\*").c_str(), &data));
    if (find) {
        do {
            std::string name = FromWide(data.cFileName);
            if (name == "." || name == "..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(folder + "\\" + name);
            else
                DeleteFileW((literal + L"\\" + data.cFileName).c_str());
        } while (FindNextFileW(find.get(), &data));
    }
    RemoveDirectoryW(literal.c_str());
}

} // namespace

ScratchFolder::~ScratchFolder() {
    SetCurrentDirectoryW(wideName(previous_).c_str());
    removeTree(path_);
}

bool LinkFolder(const std::string&, const std::string&) {
    // Making a symbolic link needs a privilege that a test cannot count on.
    return false;
}

std::string MissingDrive() {
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter)
        if ((drives & (1u << (letter - 'A'))) == 0)
            return std::string(1, letter) + ":";
    throw std::runtime_error("every drive letter is in use");
}

bool WriteRawFile(const std::string& path, const std::string& data) {
    // The "\\?\" prefix passes the name to the file system as it is.
    UniqueFile file(CreateFileW((L"\\\\?\\" + wideName(path)).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    BOOL ok =
        WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    // Closed before the caller looks at the file.
    file.reset();
    return ok && written == data.size();
}

} // namespace seed
