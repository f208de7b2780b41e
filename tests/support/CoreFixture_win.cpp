#include "CoreFixture.h"

#include "core/system/Files.h"
#include "core/system/Folders.h"
#include "core/system/WideText_win.h"

#include <windows.h>

#include "core/system/UniqueHandle_win.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string g_scratch;

HKEY RootOf(unsigned code) {
    return IsMachineWideLocation(code) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The default view of a machine-wide location is the native one, what Windows
// lists as "LM Run", in both builds: left to the registry, a 32-bit test
// process would write to WOW6432Node ("LM Run (32-bit)") instead.
REGSAM ViewFlag(unsigned code, RegView view) {
    if (view == RegView::Default && IsMachineWideLocation(code) && HasTwoRegistryViews())
        view = RegView::Native;
    return view == RegView::Native ? KEY_WOW64_64KEY : view == RegView::Wow32 ? KEY_WOW64_32KEY : 0;
}

// The location's key, made when it is missing; empty when that fails.
UniqueHKey CreateLocationKey(unsigned code, RegView view) {
    UniqueHKey key;
    // LocationKey starts with a backslash, which the registry refuses.
    RegCreateKeyExA(RootOf(code), LocationKey(code) + 1, 0, nullptr, 0,
                    KEY_ALL_ACCESS | ViewFlag(code, view), nullptr, key.put(), nullptr);
    return key;
}

void ClearKey(unsigned code, RegView view) {
    UniqueHKey key = CreateLocationKey(code, view);
    if (!key.get())
        return;
    for (;;) {
        // Wide, so that names outside the ANSI code page go too.
        static wchar_t name[16384];
        DWORD size = sizeof name / sizeof name[0];
        if (RegEnumValueW(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (RegDeleteValueW(key.get(), name) != ERROR_SUCCESS)
            break;
    }
}

const char kApproved[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

// The marks of both views live in the native view of HKLM.
REGSAM MarkView(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0;
}

void ClearMarks() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const char* sub : {"Run", "Run32", "StartupFolder"})
            RegDeleteKeyExA(root, (std::string(kApproved) + sub).c_str(), MarkView(root), 0);
}

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void EmptyFolder(const std::string& folder) {
    std::error_code ignored;
    if (folder.empty())
        return;
    for (const auto& item : fs::directory_iterator(folder, ignored))
        fs::remove_all(item.path(), ignored);
}

} // namespace

void CoreTest::SetUp() {
    // These tests empty the startup keys and folders: never on a real system.
    if (!UnderWine())
        GTEST_SKIP() << "runs only in a throw-away Wine prefix";
    for (unsigned code = slLMRun; code <= slCURunOnce; ++code) {
        ClearKey(code, RegView::Default);
        if (HasTwoRegistryViews() && IsMachineWideLocation(code)) {
            ClearKey(code, RegView::Native);
            ClearKey(code, RegView::Wow32);
        }
    }
    ClearSignInPlaces();
    ClearMarks();
    for (int csidl : {csidlStartup, csidlCommonStartup}) {
        const std::string folder = ShellFolderPath(csidl);
        ForceFolders(folder);
        EmptyFolder(folder);
    }
    std::error_code ignored;
    fs::remove_all(DataFolder(), ignored);
    g_scratch = PathJoin(TempFolder(), "morvane-core-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(g_scratch, ignored);
    fs::create_directories(g_scratch, ignored);
    SetCurrentDirectoryA(TempFolder().c_str());
}

void CoreTest::TearDown() {
    if (!UnderWine())
        return;
    std::error_code ignored;
    fs::remove_all(g_scratch, ignored);
    for (int csidl : {csidlStartup, csidlCommonStartup})
        EmptyFolder(ShellFolderPath(csidl));
    fs::remove_all(DataFolder(), ignored);
}

void CoreTest::PutRawValue(unsigned code, const std::string& name, uint32_t type,
                           const std::string& data, RegView view) {
    UniqueHKey key = CreateLocationKey(code, view);
    ASSERT_NE(key.get(), nullptr);
    // The data of the string types is UTF-8 here, as in the services layer.
    std::wstring wideName, wideData;
    ASSERT_TRUE(ToWide(name, wideName));
    std::string bytes = data;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        ASSERT_TRUE(ToWide(data, wideData));
        bytes.assign(reinterpret_cast<const char*>(wideData.data()),
                     wideData.size() * sizeof(wchar_t));
    }
    ASSERT_EQ(RegSetValueExW(key.get(), wideName.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

bool CoreTest::GetValue(unsigned code, const std::string& name, RegValue& value, RegView view) {
    UniqueHKey owner;
    if (RegOpenKeyExA(RootOf(code), LocationKey(code) + 1, 0, KEY_READ | ViewFlag(code, view),
                      owner.put()) != ERROR_SUCCESS)
        return false;
    HKEY key = owner.get();
    DWORD type = 0;
    DWORD size = 0;
    std::wstring wideName;
    bool found = ToWide(name, wideName) && RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                                                            nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        std::wstring units(size / sizeof(wchar_t) + 1, L'\0');
        found = RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(units.data()), &size) == ERROR_SUCCESS;
        units.resize(size / sizeof(wchar_t));
        std::string data = FromWide(units);
        value.Type = type;
        const size_t nul = data.find('\0');
        value.Text = nul == std::string::npos ? data : data.substr(0, nul);
        value.Data = data;
    }
    return found;
}

std::string CoreTest::Folder(unsigned code) {
    return ShellFolderPath(code == slLMStartupFolder ? csidlCommonStartup : csidlStartup);
}

std::string CoreTest::ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CoreTest::WriteFileBytes(const std::string& path, const std::string& bytes) {
    // Paths are UTF-8, as everywhere in the program.
    std::wstring wide;
    ToWide(path, wide);
    std::ofstream out(std::filesystem::path(wide), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string CoreTest::Scratch() {
    return g_scratch;
}

bool CoreTest::TwoViews() {
    return HasTwoRegistryViews();
}

void CoreTest::UseTwoViews() {
    // Under Wine the prefix decides: a 64-bit prefix has both views.
}

bool CoreTest::RefuseWrites(unsigned) {
    return false;
}

bool CoreTest::LoseFolder(unsigned) {
    return false;
}

void CoreTest::PutMark(RegRoot root, const std::string& subkey, const std::string& name,
                       const std::string& data, uint32_t type) {
    HKEY hive = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(hive, (kApproved + subkey).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | MarkView(hive), nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

bool CoreTest::GetMark(RegRoot root, const std::string& subkey, const std::string& name,
                       std::string& data) {
    HKEY hive = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    UniqueHKey owner;
    if (RegOpenKeyExA(hive, (kApproved + subkey).c_str(), 0, KEY_READ | MarkView(hive),
                      owner.put()) != ERROR_SUCCESS)
        return false;
    HKEY key = owner.get();
    DWORD type = 0, size = 0;
    bool found =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data.assign(size, '\0');
        found = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    return found;
}

bool CoreTest::MakeUnreadable(unsigned, const std::string&) {
    return false;
}

void CoreTest::SetEnv(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

bool CoreTest::SetReadOnly(const std::string& path, bool readOnly) {
    std::wstring wide;
    if (!ToWide(path, wide))
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD wanted = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                  : attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(wide.c_str(), wanted) != 0;
}
