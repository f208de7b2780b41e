// The parts of the registry access that are the same on every platform.
#include "Registry.h"

#include "Errors.h"
#include "RegistryShared.h"

#include "Product.h"

#include <cstring>
#include <utility>

namespace registry_detail {

void raise(const char* fmt, const std::string& name) {
    throw ERegistryError(FormatMessage1(fmt, name));
}

bool isText(uint32_t type) {
    return type == regSz || type == regExpandSz;
}

bool isStringType(uint32_t type) {
    return type == regSz || type == regExpandSz || type == regMultiSz;
}

std::string textUpToNul(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

bool hasEmptyName(const std::string& path) {
    return path.find("\\\\") != std::string::npos;
}

} // namespace registry_detail

using namespace registry_detail;

namespace {

// The Win32 codes, kept here so the reason of a failed open reads the same
// on every platform.
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kAccessDenied = 5;

std::string settingsPath(const std::string& subkey) {
    return subkey.empty() ? MORVANE_REGISTRY_KEY : MORVANE_REGISTRY_KEY "\\" + subkey;
}

bool openUserKey(const std::string& path, RegAccess access, TRegKey& key) {
    return key.Open(RegRoot::CurrentUser, path, access);
}

} // namespace

TRegKey::~TRegKey() = default;

TRegKey::TRegKey(TRegKey&& other) noexcept
    : held_(std::move(other.held_)), writable_(std::exchange(other.writable_, false)),
      openError_(std::exchange(other.openError_, RegOpenError::None)),
      openErrorCode_(std::exchange(other.openErrorCode_, 0)) {}

TRegKey& TRegKey::operator=(TRegKey&& other) noexcept {
    if (this != &other) {
        held_ = std::move(other.held_);
        writable_ = std::exchange(other.writable_, false);
        openError_ = std::exchange(other.openError_, RegOpenError::None);
        openErrorCode_ = std::exchange(other.openErrorCode_, 0);
    }
    return *this;
}

void TRegKey::Close() {
    held_.reset();
    writable_ = false;
}

void TRegKey::failOpen(uint32_t code) {
    openErrorCode_ = code;
    if (code == kFileNotFound || code == kPathNotFound)
        openError_ = RegOpenError::Missing;
    else if (code == kAccessDenied)
        openError_ = RegOpenError::AccessDenied;
    else
        openError_ = RegOpenError::Other;
}

void TRegKey::opened(registry_detail::THeldKey* held, RegAccess access) {
    held_.reset(held);
    writable_ = access == RegAccess::Full;
    openError_ = RegOpenError::None;
    openErrorCode_ = 0;
}

std::string TRegKey::TextOf(const RegListedValue& value) const {
    if (!value.HasData)
        return ReadText(value.Name);
    if (value.Data.empty())
        return {};
    if (!isText(value.Type))
        raise("Invalid data type for '%s'", value.Name);
    return textUpToNul(value.Data);
}

bool WriteUserText(const std::string& path, const std::string& name, const std::string& value) {
    TRegKey key;
    std::string data = value;
    data += '\0';
    return createUserKey(path) && openUserKey(path, RegAccess::Full, key) &&
           key.WriteRaw(name, regSz, data);
}

bool ReadUserText(const std::string& path, const std::string& name, std::string& value) {
    TRegKey key;
    RegValue stored;
    if (!openUserKey(path, RegAccess::Read, key) || !key.ReadValue(name, stored) ||
        !isText(stored.Type))
        return false;
    value = stored.Text;
    return true;
}

bool WriteUserDword(const std::string& path, const std::string& name, uint32_t value) {
    TRegKey key;
    std::string data(reinterpret_cast<const char*>(&value), sizeof value);
    return createUserKey(path) && openUserKey(path, RegAccess::Full, key) &&
           key.WriteRaw(name, regDword, data);
}

bool ReadUserDword(const std::string& path, const std::string& name, uint32_t& value) {
    TRegKey key;
    uint32_t type = regNone;
    std::string data;
    if (!openUserKey(path, RegAccess::Read, key) || !key.ReadRaw(name, type, data) ||
        type != regDword || data.size() != sizeof value)
        return false;
    std::memcpy(&value, data.data(), sizeof value);
    return true;
}

bool WriteUserSetting(const std::string& subkey, const std::string& name,
                      const std::string& value) {
    return WriteUserText(settingsPath(subkey), name, value);
}

bool ReadUserSetting(const std::string& subkey, const std::string& name, std::string& value) {
    return ReadUserText(settingsPath(subkey), name, value);
}

bool WriteUserSettingInt(const std::string& subkey, const std::string& name, uint32_t value) {
    return WriteUserDword(settingsPath(subkey), name, value);
}

bool ReadUserSettingInt(const std::string& subkey, const std::string& name, uint32_t& value) {
    return ReadUserDword(settingsPath(subkey), name, value);
}

const char* RegViewName(RegView view) {
    switch (view) {
    case RegView::Native:
        return "native";
    case RegView::Wow32:
        return "32-bit";
    default:
        return "default";
    }
}
