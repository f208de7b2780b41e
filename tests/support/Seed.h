#pragma once
// Test-only access below the services layer: raw registry values of any
// type in a given view, throw-away keys and scratch folders. This is the one
// place where the system suite knows which platform it runs on; the same
// tests run natively against the portable layer and under Wine against the
// Windows API.

#include "core/system/Registry.h"

#include <cstdint>
#include <string>

namespace seed {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// A clean start: the portable registry is emptied (with one view) and its
// shell folders reset; the real registry is left alone, so tests there use
// throw-away keys.
void ResetPlatform();

void CreateKey(RegRoot root, const std::string& path, RegView view = RegView::Default);
bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Default);
// Deletes the key with everything below it.
void DeleteKeyTree(RegRoot root, const std::string& path, RegView view = RegView::Default);
// Stores the data as the services layer hands it over: the string types as
// UTF-8 (include the terminating NUL), which Windows keeps as UTF-16, other
// types as they are; creates the key when it is missing.
void SetRaw(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
            const std::string& data, RegView view = RegView::Default);
bool GetRaw(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
            std::string& data, RegView view = RegView::Default);
// The registry's own bytes of a value (UTF-16 for the string types on
// Windows; the portable registry keeps UTF-8): for checking what reached the
// system byte for byte.
void SetStored(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
               const std::string& bytes, RegView view = RegView::Default);
bool GetStored(RegRoot root, const std::string& path, const std::string& name, uint32_t& type,
               std::string& bytes, RegView view = RegView::Default);
void DeleteRaw(RegRoot root, const std::string& path, const std::string& name,
               RegView view = RegView::Default);

// Makes a full-access open of the key fail while a read-only one succeeds;
// false where a test cannot arrange it (under Wine the user is an
// administrator).
bool MakeReadOnly(RegRoot root, const std::string& path, RegView view = RegView::Default);
// Makes every read of the value's data fail; false where that cannot be arranged.
bool MakeUnreadable(RegRoot root, const std::string& path, const std::string& name,
                    RegView view = RegView::Default);

// Gives the machine-wide keys two views where the platform can have them;
// false when there is only one.
bool UseTwoViews();
// The view that RegView::Default opens when there are two.
RegView DefaultView();

// Points a shell folder somewhere else (an empty path: undeterminable);
// false where the folders are the system's own.
bool SetShellFolder(int csidl, const std::string& path);

// Puts the default shell folders under the given root (empty: back to the
// usual one); false where the folders are the system's own.
bool SetShellRoot(const std::string& root);

// A name that no other test or test run uses, for keys, values and files.
std::string UniqueName(const std::string& stem);

// A key "Software\MorvaneTest-..." that exists for the test's lifetime.
class ScratchKey {
public:
    explicit ScratchKey(RegRoot root = RegRoot::CurrentUser, RegView view = RegView::Default);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    RegRoot root() const { return root_; }
    const std::string& path() const { return path_; }
    std::string sub(const std::string& name) const { return path_ + "\\" + name; }

private:
    RegRoot root_;
    RegView view_;
    std::string path_;
};

// A folder of its own under the temporary folder, removed with its content
// at the end; the current folder is restored then too, as FolderExists and
// FindFiles change it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
    std::string previous_;
};

// Makes a link to a folder; false where a test cannot make one.
bool LinkFolder(const std::string& link, const std::string& target);

// "X:" for a drive letter that names no drive.
std::string MissingDrive();

// Writes a file under exactly the given name, even one that the Windows
// path rules would change (a trailing dot); false on failure.
bool WriteRawFile(const std::string& path, const std::string& data);

} // namespace seed
