#pragma once
// Access to the registry keys that hold startup entries. Keys are opened,
// never created. Names and text are UTF-8 (Windows keeps them as UTF-16).

#include <cstdint>
#include <string>
#include <vector>

enum class RegRoot { LocalMachine, CurrentUser };

// Which view of the machine-wide keys a key is opened in. On 64-bit Windows
// a 32-bit program sees HKLM\Software redirected to WOW6432Node unless it asks
// for the 64-bit view; per-user Run keys are shared by both views.
enum class RegView { Default, Native, Wow32 };

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

// One value as the enumeration of a key gave it.
struct RegListedValue {
    std::string Name;
    bool HasData = false; // false: the data was not read with the name
    uint32_t Type = regNone;
    std::string Data; // all of it, NULs included; UTF-8 for the string types
};

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
    // access is refused; an open key is closed first.
    bool Open(RegRoot root, const std::string& path, RegAccess access = RegAccess::Full,
              RegView view = RegView::Default);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    bool Writable() const { return writable_; }

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

private:
    void* handle_ = nullptr;
    bool writable_ = false;
};

// True on 64-bit Windows (whatever this program's own bitness), where the
// machine-wide keys have two views.
bool HasTwoRegistryViews();

// The per-user key "Software\Morvane" and its subkeys hold the program's own
// settings; unlike the startup keys, they are created on demand.
bool WriteUserSetting(const std::string& subkey, const std::string& name, const std::string& value);
bool ReadUserSetting(const std::string& subkey, const std::string& name, std::string& value);
bool WriteUserSettingInt(const std::string& subkey, const std::string& name, uint32_t value);
bool ReadUserSettingInt(const std::string& subkey, const std::string& name, uint32_t& value);
