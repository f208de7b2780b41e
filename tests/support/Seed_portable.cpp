#include "support/Seed.h"

#include "core/system/TextCodec.h"

#include "core/system/Files.h"
#include "PortableFolders.h"
#include "PortableRegistry.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace seed {

namespace {

std::string hostPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace

void ResetPlatform() {
    portable_registry::Reset();
    portable_folders::ResetFolders();
}

void CreateKey(RegRoot root, const std::string& path, RegView view) {
    portable_registry::CreateKey(root, path, view);
}

bool KeyExists(RegRoot root, const std::string& path, RegView view) {
    // The in-memory registry answers only through an open; the keys that the
    // tests ask about have never had their access restricted.
    TRegKey key;
    return key.Open(root, path, RegAccess::Read, view);
}

void DeleteKeyTree(RegRoot root, const std::string& path, RegView view) {
    portable_registry::DeleteKey(root, path, view);
}

void SetRaw(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
            const std::string& data, RegView view) {
    portable_registry::SetValue(root, path, name, type, data, view);
}

bool GetRaw(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
            std::string& data, RegView view) {
    return portable_registry::GetValue(root, path, name, type, data, view);
}

namespace {

bool isStringType(uint32_t type) {
    return type == regSz || type == regExpandSz || type == regMultiSz;
}

} // namespace

// The portable registry keeps UTF-8; the bytes Windows would hold are its
// UTF-16 LE form.
void SetStored(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
               const std::string& bytes, RegView view) {
    std::string data = bytes;
    if (isStringType(type)) {
        std::u16string units(bytes.size() / 2, u'\0');
        for (std::size_t k = 0; k < units.size(); ++k)
            units[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                             (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
        data = Utf16ToUtf8(units);
    }
    SetRaw(root, path, name, type, data, view);
}

bool GetStored(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
               std::string& bytes, RegView view) {
    std::string data;
    if (!GetRaw(root, path, name, type, data, view))
        return false;
    bytes = data;
    std::u16string units;
    if (isStringType(type) && Utf8ToUtf16(data, units)) {
        bytes.clear();
        for (char16_t unit : units) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
    }
    return true;
}

void DeleteRaw(RegRoot root, const std::string& path, const std::string& name, RegView view) {
    TRegKey key;
    if (key.Open(root, path, RegAccess::Full, view))
        key.DeleteValue(name);
}

bool MakeReadOnly(RegRoot root, const std::string& path, RegView view) {
    portable_registry::SetAccess(root, path, portable_registry::Access::ReadOnly, view);
    return true;
}

bool MakeUnreadable(RegRoot root, const std::string& path, const std::string& name, RegView view) {
    portable_registry::SetUnreadable(root, path, name, view);
    return true;
}

bool UseTwoViews() {
    portable_registry::SetTwoViews(true);
    return true;
}

RegView DefaultView() {
    return RegView::Native;
}

bool SetShellFolder(int csidl, const std::string& path) {
    portable_folders::SetFolder(csidl, path);
    return true;
}

bool SetShellRoot(const std::string& root) {
    if (root.empty())
        unsetenv("MORVANE_ROOT");
    else
        setenv("MORVANE_ROOT", hostPath(root).c_str(), 1);
    return true;
}

std::string UniqueName(const std::string& stem) {
    static int counter = 0;
    return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
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

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::current_path(hostPath(previous_), ec);
    std::filesystem::remove_all(hostPath(path_), ec);
}

bool LinkFolder(const std::string& link, const std::string& target) {
    std::error_code ec;
    std::filesystem::create_directory_symlink(hostPath(target), hostPath(link), ec);
    return !ec;
}

std::string MissingDrive() {
    // This host has no drives at all.
    return "Q:";
}

bool WriteRawFile(const std::string& path, const std::string& data) {
    return WriteWholeFile(path, data);
}

} // namespace seed
