#include "Registry.h"

#include "Errors.h"
#include "Files.h"
#include "FaultInjection.h"
#include "RegistryShared.h"

#include <windows.h>

#include "UniqueHandle_win.h"
#include "WideText_win.h"

#include <string_view>
#include <utility>

using namespace registry_detail;

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
std::string_view relativePath(const std::string& path) {
    std::string_view view = path;
    if (!view.empty() && view[0] == '\\')
        view.remove_prefix(1);
    return view;
}

// The registry's bytes of a value as the program holds them: the string
// types converted whole (NULs included) to UTF-8, the others as they are.
// An odd last byte of string data, which no Windows function writes, is
// kept as a character of its own rather than dropped.
std::string fromStored(DWORD type, const BYTE* bytes, DWORD size) {
    if (!isStringType(type))
        return std::string(reinterpret_cast<const char*>(bytes), size);
    std::wstring units((size + 1) / 2, L'\0');
    for (DWORD k = 0; k < size; ++k)
        units[k / 2] = static_cast<wchar_t>(units[k / 2] | (bytes[k] << (k % 2 ? 8 : 0)));
    return FromWide(units);
}

// The program's bytes of a value as the registry stores them; false when
// string data is not UTF-8.
bool toStored(DWORD type, const std::string& data, std::string& bytes) {
    if (!isStringType(type)) {
        bytes = data;
        return true;
    }
    std::wstring wide;
    if (!ToWide(data, wide))
        return false;
    bytes.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    return true;
}

// Reads a value's type and data whole; ERROR_MORE_DATA means it grew between
// the size query and the read, so the read is tried again with the new size.
LONG queryValue(HKEY key, const std::wstring& name, DWORD& type, std::string& data) {
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::string raw;
    rc = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 8 && rc == ERROR_MORE_DATA; ++attempt) {
        raw.assign(size + sizeof(wchar_t), '\0');
        size = static_cast<DWORD>(raw.size());
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(raw.data()), &size);
    }
    if (rc == ERROR_SUCCESS)
        data = fromStored(type, reinterpret_cast<const BYTE*>(raw.data()), size);
    return rc;
}

bool readRaw(HKEY key, const std::string& name, DWORD& type, std::string& data) {
    std::wstring wideName;
    return ToWide(name, wideName) && queryValue(key, wideName, type, data) == ERROR_SUCCESS;
}

bool writeRaw(HKEY key, const std::string& name, DWORD type, const std::string& data) {
    std::wstring wideName;
    std::string bytes;
    return key && ToWide(name, wideName) && toStored(type, data, bytes) &&
           fault_injection::AllowChange() &&
           RegSetValueExW(key, wideName.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

// A value name is at most 16,383 characters; the buffer grows to that
// bound and no further.
constexpr std::size_t kLongestName = 16384;

} // namespace

namespace registry_detail {

struct THeldKey {
    UniqueHKey key;
};

void releaseHeldKey(THeldKey* held) noexcept {
    delete held;
}

bool createUserKey(const std::string& path) {
    std::wstring widePath;
    UniqueHKey key;
    return ToWide(relativePath(path), widePath) &&
           RegCreateKeyExW(HKEY_CURRENT_USER, widePath.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE,
                           nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

} // namespace registry_detail

namespace {

HKEY keyOf(const THeldKey* held) {
    return held ? held->key.get() : nullptr;
}

} // namespace

bool TRegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    REGSAM sam = (access == RegAccess::Full ? KEY_ALL_ACCESS : KEY_READ) | viewFlag(view);
    UniqueHKey key;
    std::wstring widePath;
    if (hasEmptyName(path)) {
        failOpen(kInvalidName);
        return false;
    }
    if (!ToWide(relativePath(path), widePath)) {
        failOpen(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    LONG rc = RegOpenKeyExW(hive(root), widePath.c_str(), 0, sam, key.put());
    if (rc != ERROR_SUCCESS) {
        failOpen(static_cast<uint32_t>(rc));
        return false;
    }
    opened(new THeldKey{std::move(key)}, access);
    return true;
}

std::vector<std::string> TRegKey::ValueNames() const {
    std::vector<std::string> names;
    HKEY key = keyOf(held_.get());
    DWORD count = 0, longest = 0;
    if (!key || RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    names.reserve(count);
    std::wstring buffer(longest + 1, L'\0');
    for (DWORD i = 0; i < count;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG rc = RegEnumValueW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        // A name added since the key was measured may be longer.
        if (rc == ERROR_MORE_DATA && buffer.size() < kLongestName) {
            buffer.assign(kLongestName, L'\0');
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        names.push_back(FromWide(std::wstring_view(buffer.data(), length)));
        ++i;
    }
    return names;
}

std::vector<RegListedValue> TRegKey::Values() const {
    std::vector<RegListedValue> values;
    HKEY key = keyOf(held_.get());
    DWORD count = 0, longestName = 0, longestData = 0;
    if (!key || RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    values.reserve(count);
    std::wstring name(longestName + 1, L'\0');
    std::string data(longestData + sizeof(wchar_t), '\0');
    for (DWORD i = 0; i < count;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG rc = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &dataLength);
        RegListedValue value;
        if (rc == ERROR_SUCCESS) {
            value.HasData = true;
            value.Type = type;
            value.Data = fromStored(type, reinterpret_cast<const BYTE*>(data.data()), dataLength);
        } else if (rc == ERROR_MORE_DATA) {
            // The data grew since the key was measured, or the name does
            // not fit: the name alone is asked for, and the data is read by
            // name later.
            nameLength = static_cast<DWORD>(name.size());
            rc =
                RegEnumValueW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA && name.size() < kLongestName) {
                name.assign(kLongestName, L'\0');
                continue;
            }
        }
        if (rc != ERROR_SUCCESS)
            break;
        value.Name = FromWide(std::wstring_view(name.data(), nameLength));
        values.push_back(std::move(value));
        ++i;
    }
    return values;
}

std::string TRegKey::ReadText(const std::string& name) const {
    HKEY key = keyOf(held_.get());
    std::wstring wideName;
    DWORD type = REG_NONE, size = 0;
    if (!key || !ToWide(name, wideName) ||
        RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return {};
    std::string data;
    if (queryValue(key, wideName, type, data) != ERROR_SUCCESS)
        raise("Failed to get data for '%s'", name);
    if (!isText(type))
        raise("Invalid data type for '%s'", name);
    return textUpToNul(data);
}

bool TRegKey::ReadValue(const std::string& name, RegValue& value) const {
    HKEY key = keyOf(held_.get());
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
    HKEY key = keyOf(held_.get());
    DWORD rawType = REG_NONE;
    if (!key || !readRaw(key, name, rawType, data))
        return false;
    type = rawType;
    return true;
}

bool TRegKey::WriteRaw(const std::string& name, uint32_t type, const std::string& data) {
    return writeRaw(keyOf(held_.get()), name, type, data);
}

void TRegKey::WriteText(const std::string& name, const std::string& text, uint32_t type) {
    std::string data = text;
    data += '\0';
    if (!writeRaw(keyOf(held_.get()), name, type, data))
        raise("Failed to set data for '%s'", name);
}

bool TRegKey::DeleteValue(const std::string& name) {
    HKEY key = keyOf(held_.get());
    std::wstring wideName;
    return key && ToWide(name, wideName) && fault_injection::AllowChange() &&
           RegDeleteValueW(key, wideName.c_str()) == ERROR_SUCCESS;
}

bool HasTwoRegistryViews() {
    // A 64-bit program, or a 32-bit one under WOW64: either way 64-bit Windows.
    return sizeof(void*) == 8 || SystemFolderRedirected();
}

std::vector<std::string> TRegKey::SubkeyNames() const {
    std::vector<std::string> names;
    HKEY key = keyOf(held_.get());
    if (!key)
        return names;
    // A key name is at most 255 characters.
    wchar_t buffer[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(FromWide(std::wstring_view(buffer, length)));
    }
    return names;
}

bool CreateRegistryKey(RegRoot root, const std::string& path, RegView view) {
    std::wstring widePath;
    UniqueHKey key;
    return !hasEmptyName(path) && ToWide(relativePath(path), widePath) &&
           fault_injection::AllowChange() &&
           RegCreateKeyExW(hive(root), widePath.c_str(), 0, nullptr, 0,
                           KEY_QUERY_VALUE | viewFlag(view), nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS;
}

bool DeleteRegistryKey(RegRoot root, const std::string& path, RegView view) {
    std::wstring widePath;
    return !hasEmptyName(path) && ToWide(relativePath(path), widePath) &&
           fault_injection::AllowChange() &&
           RegDeleteKeyExW(hive(root), widePath.c_str(), viewFlag(view), 0) == ERROR_SUCCESS;
}
