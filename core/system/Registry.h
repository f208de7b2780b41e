#pragma once
// Access to the registry keys that hold startup entries. Keys are opened,
// never created. Names and text are UTF-8 (Windows keeps them as UTF-16).

#include "UniqueAny.h"

#include <cstdint>
#include <string>
#include <vector>

enum class RegRoot { LocalMachine, CurrentUser };

// Which view of the machine-wide keys a key is opened in. On 64-bit Windows
// a 32-bit program sees HKLM\Software redirected to WOW6432Node unless it asks
// for the 64-bit view; per-user Run keys are shared by both views.
enum class RegView { Default, Native, Wow32 };
// The view as exports and the watcher's log name it: "default", "native", "32-bit".
const char* RegViewName(RegView view);

enum class RegAccess { Full, Read };

// Registry value types, as the registry numbers them.
enum : uint32_t {
    regNone = 0,
    regSz = 1,
    regExpandSz = 2,
    regBinary = 3,
    regDword = 4,
    regMultiSz = 7,
};

struct RegValue {
    uint32_t Type = regNone;
    std::string Text; // the data up to its first NUL, for the text types
    // The data whole: UTF-8 for the string types (REG_SZ, REG_EXPAND_SZ,
    // REG_MULTI_SZ, NULs included), the bytes as stored for the others.
    std::string Data;
};

// Why TRegKey::Open failed. A caller that must tell a key that is not there
// from one it may not touch (or from a registry fault) asks the key that
// failed, instead of opening it again with other rights to find out.
enum class RegOpenError {
    None,         // the key is open
    Missing,      // the key, or a key on its path, does not exist
    AccessDenied, // the key exists but the asked access is refused
    Other,        // anything else: see OpenErrorCode
};

// One value as the enumeration of a key gave it.
struct RegListedValue {
    std::string Name;
    bool HasData = false; // false: the data was not read with the name
    uint32_t Type = regNone;
    std::string Data; // all of it, NULs included; UTF-8 for the string types
};

namespace registry_detail {
// What an open TRegKey holds, defined by each platform: the Windows build
// keeps the key's UniqueHKey in it, the portable one its in-memory key.
struct THeldKey;
void releaseHeldKey(THeldKey* held) noexcept;
} // namespace registry_detail

class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey();
    TRegKey(TRegKey&& other) noexcept;
    TRegKey& operator=(TRegKey&& other) noexcept;
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;

    // Opens an existing key by its path from the hive's root (a leading
    // backslash is allowed and dropped). False when the key is missing or the
    // access is refused (OpenError says which); an open key is closed first.
    bool Open(RegRoot root, const std::string& path, RegAccess access = RegAccess::Full,
              RegView view = RegView::Default);
    void Close();
    bool IsOpen() const { return static_cast<bool>(held_); }
    bool Writable() const { return writable_; }

    // Why the last Open failed; None after a successful Open and before any.
    RegOpenError OpenError() const { return openError_; }
    // The Win32 error code of the last failed Open (ERROR_FILE_NOT_FOUND for
    // a missing key, ERROR_ACCESS_DENIED for a refused one), 0 when open.
    uint32_t OpenErrorCode() const { return openErrorCode_; }

    // Value names in the order the registry lists them; the default value
    // comes back as an empty name.
    std::vector<std::string> ValueNames() const;

    // The values in the order the registry lists them, each read with the
    // enumeration itself where its data fits: one call a value instead of a
    // name listing and two queries. Never raises; TextOf applies ReadText's
    // rules to each.
    std::vector<RegListedValue> Values() const;
    // ReadText of an enumerated value, raising as ReadText does; a value
    // whose data the enumeration did not bring is read by its name.
    std::string TextOf(const RegListedValue& value) const;

    // Reads a value as text. Size 0, or a size that cannot be queried, gives
    // empty text. Raises "Failed to get data for '%s'" when the data cannot be
    // read and "Invalid data type for '%s'" for a type other than REG_SZ or
    // REG_EXPAND_SZ. The text ends at its first NUL; nothing is expanded.
    std::string ReadText(const std::string& name) const;

    // Reads a value's type and text without raising; false when it is absent.
    bool ReadValue(const std::string& name, RegValue& value) const;

    // Reads a value's type and raw bytes without raising; false when it is
    // absent or its data cannot be read.
    bool ReadRaw(const std::string& name, uint32_t& type, std::string& data) const;

    // Writes raw bytes of the given type (UTF-8 for the string types); false
    // on failure, and for a name or string data that is not UTF-8.
    bool WriteRaw(const std::string& name, uint32_t type, const std::string& data);

    // Writes a text value (REG_SZ unless told otherwise) with its terminating
    // NUL. Raises "Failed to set data for '%s'".
    void WriteText(const std::string& name, const std::string& text, uint32_t type = regSz);

    // Deletes a value; true when it was deleted.
    bool DeleteValue(const std::string& name);
    // The names of the key's subkeys, in the order the registry lists them.
    std::vector<std::string> SubkeyNames() const;

private:
    void failOpen(uint32_t code);
    void opened(registry_detail::THeldKey* held, RegAccess access);

    UniqueAny<registry_detail::THeldKey*, &registry_detail::releaseHeldKey> held_;
    bool writable_ = false;
    RegOpenError openError_ = RegOpenError::None;
    uint32_t openErrorCode_ = 0;
};

// True on 64-bit Windows (whatever this program's own bitness), where the
// machine-wide keys have two views.
bool HasTwoRegistryViews();

// The few places where a key is made or deleted: Morvane's own keeping of a
// key it moves aside, and a key moved back. A made key gets the keys on its
// path too; only a key without subkeys is deleted. False when refused.
bool CreateRegistryKey(RegRoot root, const std::string& path, RegView view);
bool DeleteRegistryKey(RegRoot root, const std::string& path, RegView view);

// The per-user key "Software\Morvane" and its subkeys hold the program's own
// settings; unlike the startup keys, they are created on demand.
bool WriteUserSetting(const std::string& subkey, const std::string& name, const std::string& value);
bool ReadUserSetting(const std::string& subkey, const std::string& name, std::string& value);
bool WriteUserSettingInt(const std::string& subkey, const std::string& name, uint32_t value);
bool ReadUserSettingInt(const std::string& subkey, const std::string& name, uint32_t& value);

// The same for a per-user key named by its whole path from the hive's root
// (for settings kept outside "Software\Morvane"): a write creates the key,
// a read of a missing key, of another type or of a DWORD of another size is
// false and changes nothing.
bool WriteUserText(const std::string& path, const std::string& name, const std::string& value);
bool ReadUserText(const std::string& path, const std::string& name, std::string& value);
bool WriteUserDword(const std::string& path, const std::string& name, uint32_t value);
bool ReadUserDword(const std::string& path, const std::string& name, uint32_t& value);
