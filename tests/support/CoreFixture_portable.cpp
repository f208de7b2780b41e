#include "CoreFixture.h"

#include "core/system/Folders.h"
#include "PortableFolders.h"
#include "PortableRegistry.h"

#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string g_root;

RegRoot RootOf(unsigned code) {
    return IsMachineWideLocation(code) ? RegRoot::LocalMachine : RegRoot::CurrentUser;
}

std::string Native(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace

void CoreTest::SetUp() {
    portable_registry::Reset();
    portable_registry::SetTwoViews(false);
    for (unsigned code = slLMRun; code <= slCURunOnce; ++code)
        portable_registry::CreateKey(RootOf(code), LocationKey(code));
    ClearSignInPlaces();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    g_root = (fs::temp_directory_path() /
              ("morvane-core-" + std::to_string(::getpid()) + "-" + (info ? info->name() : "run")))
                 .string();
    fs::remove_all(g_root);
    for (const char* sub : {"user-startup", "common-startup", "appdata", "documents", "scratch"})
        fs::create_directories(fs::path(g_root) / sub);
    portable_folders::SetFolder(csidlStartup, g_root + "/user-startup");
    portable_folders::SetFolder(csidlCommonStartup, g_root + "/common-startup");
    portable_folders::SetFolder(csidlAppData, g_root + "/appdata");
    portable_folders::SetFolder(csidlPersonal, g_root + "/documents");
}

void CoreTest::TearDown() {
    portable_folders::ResetFolders();
    portable_registry::Reset();
    std::error_code ignored;
    fs::remove_all(g_root, ignored);
}

void CoreTest::PutRawValue(unsigned code, const std::string& name, uint32_t type,
                           const std::string& data, RegView view) {
    portable_registry::CreateKey(RootOf(code), LocationKey(code), view);
    portable_registry::SetValue(RootOf(code), LocationKey(code), name, type, data, view);
}

bool CoreTest::GetValue(unsigned code, const std::string& name, RegValue& value, RegView view) {
    std::string data;
    uint32_t type = 0;
    if (!portable_registry::GetValue(RootOf(code), LocationKey(code), name, type, data, view))
        return false;
    value.Type = type;
    const size_t nul = data.find('\0');
    value.Text = nul == std::string::npos ? data : data.substr(0, nul);
    value.Data = data;
    return true;
}

std::string CoreTest::Folder(unsigned code) {
    return ShellFolderPath(code == slLMStartupFolder ? csidlCommonStartup : csidlStartup);
}

std::string CoreTest::ReadFileBytes(const std::string& path) {
    std::ifstream in(Native(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CoreTest::WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string CoreTest::Scratch() {
    return g_root + "/scratch";
}

bool CoreTest::TwoViews() {
    return HasTwoRegistryViews();
}

void CoreTest::UseTwoViews() {
    portable_registry::SetTwoViews(true);
    for (unsigned code = slLMRun; code <= slLMServiceOnce; ++code)
        portable_registry::CreateKey(RegRoot::LocalMachine, LocationKey(code), RegView::Wow32);
}

bool CoreTest::RefuseWrites(unsigned code) {
    portable_registry::SetAccess(RootOf(code), LocationKey(code),
                                 portable_registry::Access::ReadOnly);
    return true;
}

bool CoreTest::LoseFolder(unsigned code) {
    portable_folders::SetFolder(code == slLMStartupFolder ? csidlCommonStartup : csidlStartup, "");
    return true;
}

namespace {
const char kApproved[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
RegView MarkView(RegRoot root) {
    return root == RegRoot::LocalMachine && HasTwoRegistryViews() ? RegView::Native
                                                                  : RegView::Default;
}
} // namespace

void CoreTest::PutMark(RegRoot root, const std::string& subkey, const std::string& name,
                       const std::string& data, uint32_t type) {
    portable_registry::SetValue(root, kApproved + subkey, name, type, data, MarkView(root));
}

bool CoreTest::GetMark(RegRoot root, const std::string& subkey, const std::string& name,
                       std::string& data) {
    uint32_t type = 0;
    return portable_registry::GetValue(root, kApproved + subkey, name, type, data, MarkView(root));
}

bool CoreTest::MakeUnreadable(unsigned code, const std::string& name) {
    portable_registry::SetUnreadable(RootOf(code), LocationKey(code), name);
    return true;
}

void CoreTest::SetEnv(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

bool CoreTest::SetReadOnly(const std::string&, bool) {
    return false;
}
