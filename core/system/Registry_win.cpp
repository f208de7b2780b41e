#include "Registry.h"

#include "Errors.h"

#include <windows.h>

#include "UniqueHKey_win.h"

#include <cstring>
#include <utility>

namespace {

HKEY hive(RegRoot root) {
    return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM viewFlag(RegView view) {
    switch (view) {
    case RegView::Native:
        return KEY_WOW64_64KEY;
    case RegView::Wow32:
        return KEY_WOW64_32KEY;
    default:
        return 0;
    }
}

// The registry functions refuse a path that begins with a backslash (Wine
// answers ERROR_BAD_PATHNAME), although the hive's root is meant.
const char* relativePath(const std::string& path) {
    return path.c_str() + (!path.empty() && path[0] == '\\' ? 1 : 0);
}

[[noreturn]] void raise(const char* fmt, const std::string& name) {
    throw ERegistryError(FormatMessage1(fmt, name));
}

// Reads a value's type and data; ERROR_MORE_DATA means it grew between the
// size query and the read, so the read is tried again with the new size.
LONG queryValue(HKEY key, const std::string& name, DWORD size, DWORD& type, std::string& data) {
    LONG rc = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
        data.assign(size, '\0');
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
    }
    if (rc == ERROR_SUCCESS)
        data.resize(size);
    return rc;
}

std::string textUpToNul(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

bool isText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

std::string settingsPath(const std::string& subkey) {
    return subkey.empty() ? "Software\\Morvane" : "Software\\Morvane\\" + subkey;
}

bool createSettingsKey(const std::string& subkey, UniqueHKey& key) {
    return RegCreateKeyExA(HKEY_CURRENT_USER, settingsPath(subkey).c_str(), 0, nullptr, 0,
                           KEY_SET_VALUE, nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

bool openSettingsKey(const std::string& subkey, UniqueHKey& key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, settingsPath(subkey).c_str(), 0, KEY_QUERY_VALUE,
                         key.put()) == ERROR_SUCCESS;
}

bool readRaw(HKEY key, const std::string& name, DWORD& type, std::string& data) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    return queryValue(key, name, size, type, data) == ERROR_SUCCESS;
}

} // namespace

TRegKey::~TRegKey() {
    Close();
}

TRegKey::TRegKey(TRegKey&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      writable_(std::exchange(other.writable_, false)) {}

TRegKey& TRegKey::operator=(TRegKey&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        writable_ = std::exchange(other.writable_, false);
    }
    return *this;
}

bool TRegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    REGSAM sam = (access == RegAccess::Full ? KEY_ALL_ACCESS : KEY_READ) | viewFlag(view);
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive(root), relativePath(path), 0, sam, &key) != ERROR_SUCCESS)
        return false;
    handle_ = key;
    writable_ = access == RegAccess::Full;
    return true;
}

void TRegKey::Close() {
    if (handle_)
        RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
    writable_ = false;
}

std::vector<std::string> TRegKey::ValueNames() const {
    std::vector<std::string> names;
    HKEY key = static_cast<HKEY>(handle_);
    DWORD count = 0, longest = 0;
    if (!key || RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    names.reserve(count);
    // The longest name is counted in characters; a double-byte code page may
    // need more bytes, which ERROR_MORE_DATA reports.
    std::string buffer(longest + 1, '\0');
    for (DWORD i = 0; i < count;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG rc = RegEnumValueA(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && buffer.size() < 65536) {
            buffer.assign(buffer.size() * 2, '\0');
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), length);
        ++i;
    }
    return names;
}

std::vector<RegListedValue> TRegKey::Values() const {
    std::vector<RegListedValue> values;
    HKEY key = static_cast<HKEY>(handle_);
    DWORD count = 0, longestName = 0, longestData = 0;
    if (!key || RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    values.reserve(count);
    // The longest name is counted in characters and the longest data in
    // bytes of the registry's own (UTF-16) text: either may be short in a
    // double-byte code page, which ERROR_MORE_DATA reports.
    std::string name(longestName + 1, '\0');
    std::string data(longestData + 1, '\0');
    for (DWORD i = 0; i < count;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG rc = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &dataLength);
        RegListedValue value;
        if (rc == ERROR_SUCCESS) {
            value.HasData = true;
            value.Type = type;
            value.Data.assign(data.data(), dataLength);
        } else if (rc == ERROR_MORE_DATA) {
            // The data grew since the key was measured, or the name does
            // not fit: the name alone is asked for, and the data is read by
            // name later.
            nameLength = static_cast<DWORD>(name.size());
            rc =
                RegEnumValueA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA && name.size() < 65536) {
                name.assign(name.size() * 2, '\0');
                continue;
            }
        }
        if (rc != ERROR_SUCCESS)
            break;
        value.Name.assign(name.data(), nameLength);
        values.push_back(std::move(value));
        ++i;
    }
    return values;
}

std::string TRegKey::ReadText(const std::string& name) const {
    HKEY key = static_cast<HKEY>(handle_);
    DWORD type = REG_NONE, size = 0;
    if (!key ||
        RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return {};
    std::string data;
    if (queryValue(key, name, size, type, data) != ERROR_SUCCESS)
        raise("Failed to get data for '%s'", name);
    if (!isText(type))
        raise("Invalid data type for '%s'", name);
    return textUpToNul(data);
}

bool TRegKey::ReadValue(const std::string& name, RegValue& value) const {
    HKEY key = static_cast<HKEY>(handle_);
    DWORD type = REG_NONE;
    std::string data;
    if (!key || !readRaw(key, name, type, data))
        return false;
    value.Type = type;
    value.Text = isText(type) ? textUpToNul(data) : std::string();
    value.Data = data;
    return true;
}

bool TRegKey::ReadRaw(const std::string& name, uint32_t& type, std::string& data) const {
    HKEY key = static_cast<HKEY>(handle_);
    DWORD rawType = REG_NONE;
    if (!key || !readRaw(key, name, rawType, data))
        return false;
    type = rawType;
    return true;
}

bool TRegKey::WriteRaw(const std::string& name, uint32_t type, const std::string& data) {
    HKEY key = static_cast<HKEY>(handle_);
    return key &&
           RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

void TRegKey::WriteText(const std::string& name, const std::string& text, uint32_t type) {
    HKEY key = static_cast<HKEY>(handle_);
    if (!key ||
        RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        raise("Failed to set data for '%s'", name);
}

bool TRegKey::DeleteValue(const std::string& name) {
    HKEY key = static_cast<HKEY>(handle_);
    return key && RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS;
}

bool HasTwoRegistryViews() {
#ifdef _WIN64
    return true;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

bool WriteUserSetting(const std::string& subkey, const std::string& name,
                      const std::string& value) {
    UniqueHKey key;
    return createSettingsKey(subkey, key) &&
           RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool ReadUserSetting(const std::string& subkey, const std::string& name, std::string& value) {
    UniqueHKey key;
    DWORD type = REG_NONE;
    std::string data;
    if (!openSettingsKey(subkey, key) || !readRaw(key.get(), name, type, data) || !isText(type))
        return false;
    value = textUpToNul(data);
    return true;
}

bool WriteUserSettingInt(const std::string& subkey, const std::string& name, uint32_t value) {
    UniqueHKey key;
    DWORD data = value;
    return createSettingsKey(subkey, key) &&
           RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool ReadUserSettingInt(const std::string& subkey, const std::string& name, uint32_t& value) {
    UniqueHKey key;
    DWORD type = REG_NONE;
    std::string data;
    if (!openSettingsKey(subkey, key) || !readRaw(key.get(), name, type, data) ||
        type != REG_DWORD || data.size() != sizeof(DWORD))
        return false;
    DWORD number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    value = number;
    return true;
}
