#pragma once
// What the Windows registry and the in-memory one share beyond the public
// interface: the text rules and the one primitive that settings need and
// TRegKey, which never creates keys, does not offer.

#include <cstdint>
#include <string>

namespace registry_detail {

[[noreturn]] void raise(const char* fmt, const std::string& name);

// REG_SZ and REG_EXPAND_SZ: the types that ReadText accepts.
bool isText(uint32_t type);
// The types whose data Windows keeps as UTF-16 and the program as UTF-8.
bool isStringType(uint32_t type);
std::string textUpToNul(const std::string& data);

// A key path holding an empty name (two backslashes in a row). Windows
// answers such a path one way or the other depending on its cache of open
// keys, and Wine always opens it, so TRegKey refuses it before asking.
bool hasEmptyName(const std::string& path);
constexpr uint32_t kInvalidName = 123; // ERROR_INVALID_NAME

// Creates a per-user key and its parents (each platform has its own);
// true when the key exists afterwards.
bool createUserKey(const std::string& path);

} // namespace registry_detail
